// tavik-ax-mcp driven by the official MCP TypeScript SDK over stdio: the
// tools and their schemas, then list_windows, find, click (by path and by
// query) and screenshot against the GTK fixture on the virtual desktop
// (tools/with-desktop), with the clicks' effects read back through pyatspi.

import assert from "node:assert/strict";
import fs from "node:fs";
import { after, before, describe, test } from "node:test";

import Ajv from "ajv";

import { connect, decodePng, documentOf, FIXTURE, FIXTURE_TITLE, namesThroughPyatspi, startFixture, waitFor } from "./harness.mjs";

const COMMAND_TOOLS = [
  "list_windows", "snapshot", "read_tree", "find", "click", "type", "click_xy", "scroll",
  "screenshot", "navigate", "check_permission", "activate",
];

describe("tools and schemas", () => {
  let session;
  before(async () => {
    session = await connect();
  });
  after(async () => {
    await session?.client.close();
  });

  test("the server answers the newest revision it speaks to a newer client", () => {
    const initialize = session.transport.received.find((message) => message.id !== undefined && message.result?.protocolVersion);
    assert.equal(initialize.result.protocolVersion, "2025-06-18");
    assert.equal(session.client.getServerVersion().name, "tavik-ax-mcp");
    assert.ok(session.client.getServerCapabilities().tools);
  });

  test("every command is a tool whose input schema compiles and says what it takes", async () => {
    const { tools } = await session.client.listTools();
    const names = tools.map((tool) => tool.name);
    for (const name of COMMAND_TOOLS) assert.ok(names.includes(name), `${name} is listed`);
    const ajv = new Ajv({ strict: true, allErrors: true });
    for (const tool of tools) {
      assert.ok(tool.description.length > 40, `${tool.name} has a description`);
      const validate = ajv.compile(tool.inputSchema);
      assert.equal(tool.inputSchema.type, "object");
      // Every required argument is declared, and an empty call is valid exactly when none is required.
      for (const required of tool.inputSchema.required || [])
        assert.ok(tool.inputSchema.properties[required], `${tool.name}.${required} declared`);
      assert.equal(validate({}), !(tool.inputSchema.required || []).length, `${tool.name} with no arguments`);
      assert.equal(validate({ notAnArgument: 1 }), false, `${tool.name} refuses unknown arguments`);
    }
    const schemaOf = (name) => tools.find((tool) => tool.name === name).inputSchema;
    const click = ajv.compile(schemaOf("click"));
    assert.ok(click({ pid: 42, path: "0.0.1", windowIndex: 1 }));
    assert.ok(!click({ pid: "42", path: "0.0.1" }), "pid is an integer");
    assert.ok(!click({ pid: 4.5, path: "0.0.1" }), "pid is an integer");
    assert.ok(!click({ pid: 42, path: 1 }), "path is a string");
    assert.ok(click({ pid: 42, role: "button", label: "OK", nth: 1 }), "a query instead of a path");
    assert.ok(!click({ pid: 42, role: "button", nth: -1 }), "nth counts from 0");
    const screenshot = ajv.compile(schemaOf("screenshot"));
    assert.ok(screenshot({}) && screenshot({ pid: 1, downscale: true }));
  });

  test("a wrong argument is the tool's error, a message the agent can act on", async () => {
    const result = await session.client.callTool({ name: "click", arguments: { pid: "42", path: "0" } });
    assert.equal(result.isError, true);
    assert.match(result.content[0].text, /"pid" must be an integer/);
  });

  test("nothing reaches standard error", () => {
    assert.equal(session.stderr(), "");
  });
});

describe("the GTK fixture on the virtual desktop", { skip: !process.env.DISPLAY && "no desktop: run under tools/with-desktop" }, () => {
  let session;
  let fixture;
  let main;
  before(async () => {
    assert.ok(fs.existsSync(FIXTURE), `${FIXTURE} is built`);
    session = await connect();
    fixture = startFixture();
    main = await waitFor(async () => {
      const result = await session.client.callTool({ name: "list_windows", arguments: {} });
      if (result.isError) return null;
      return documentOf(result).find((window) => window.pid === fixture.pid && window.title === FIXTURE_TITLE);
    });
    assert.ok(main, "the fixture's window is listed");
  });
  after(async () => {
    fixture?.kill();
    await session?.client.close();
  });

  test("list_windows gives the window record", () => {
    assert.equal(main.app.length > 0, true);
    assert.ok(Number.isInteger(main.windowIndex));
    assert.ok(main.width > 0 && main.height > 0);
  });

  test("find then click presses the button, as pyatspi sees", async () => {
    const found = await session.client.callTool({
      name: "find",
      arguments: { pid: fixture.pid, role: "button", label: "Press me", windowIndex: main.windowIndex },
    });
    assert.equal(found.isError, false);
    const matches = documentOf(found);
    assert.equal(matches.length, 1, JSON.stringify(matches));
    assert.equal(matches[0].role, "AXButton");

    const counter = matches[0].path.replace(/\.0$/, ".1");
    assert.equal(namesThroughPyatspi(fixture.pid, main.windowIndex)[counter], "Count: 0");

    const clicked = await session.client.callTool({
      name: "click",
      arguments: { pid: fixture.pid, path: matches[0].path, windowIndex: main.windowIndex },
    });
    assert.equal(clicked.isError, false, JSON.stringify(clicked));
    assert.deepEqual(documentOf(clicked), { success: true, method: "AXPress" });
    const pressed = await waitFor(() => namesThroughPyatspi(fixture.pid, main.windowIndex)[counter] === "Count: 1", 10000);
    assert.ok(pressed, "the counter reads Count: 1");
  });

  test("a click by query presses the one match and says its path; an ambiguous one is the tool's error", async () => {
    const press = { pid: fixture.pid, role: "button", label: "Press me", windowIndex: main.windowIndex };
    const found = documentOf(await session.client.callTool({ name: "find", arguments: press }));
    const counter = found[0].path.replace(/\.0$/, ".1");
    const before = Number(namesThroughPyatspi(fixture.pid, main.windowIndex)[counter].replace("Count: ", ""));

    // "b" is in AXButton and AXCheckBox: two matches.
    const ambiguous = await session.client.callTool({
      name: "click",
      arguments: { pid: fixture.pid, role: "b", windowIndex: main.windowIndex },
    });
    assert.equal(ambiguous.isError, true);
    assert.match(documentOf(ambiguous).error, /^2 elements match \(.+\); add --nth or a narrower query$/);

    const clicked = await session.client.callTool({ name: "click", arguments: press });
    assert.equal(clicked.isError, false, JSON.stringify(clicked));
    assert.deepEqual(documentOf(clicked), { success: true, method: "AXPress", path: found[0].path });
    const after = `Count: ${before + 1}`;
    assert.ok(await waitFor(() => namesThroughPyatspi(fixture.pid, main.windowIndex)[counter] === after, 10000), after);
  });

  test("a click on a path that is not there is the tool's error", async () => {
    const result = await session.client.callTool({
      name: "click",
      arguments: { pid: fixture.pid, path: "0.99.99", windowIndex: main.windowIndex },
    });
    assert.equal(result.isError, true);
    assert.match(documentOf(result).error, /Element not found at path/);
  });

  test("a snapshot's path clicks the button, as pyatspi sees", async () => {
    const result = await session.client.callTool({
      name: "snapshot",
      arguments: { pid: fixture.pid, windowIndex: main.windowIndex },
    });
    assert.equal(result.isError, false, JSON.stringify(result));
    const { snapshot, elements } = documentOf(result);
    assert.equal(snapshot.split("\n").length, elements);
    const line = snapshot.split("\n").find((text) => /^ *- AXButton "Press me" .*\[[0-9.]+\]$/.test(text));
    assert.ok(line, snapshot);
    const path = line.match(/\[([0-9.]+)\]$/)[1];
    const counter = path.replace(/\.0$/, ".1");
    const before = namesThroughPyatspi(fixture.pid, main.windowIndex)[counter];
    const count = Number(before.replace("Count: ", ""));

    const clicked = await session.client.callTool({
      name: "click",
      arguments: { pid: fixture.pid, path, windowIndex: main.windowIndex },
    });
    assert.equal(clicked.isError, false, JSON.stringify(clicked));
    const pressed = await waitFor(
      () => namesThroughPyatspi(fixture.pid, main.windowIndex)[counter] === `Count: ${count + 1}`, 10000);
    assert.ok(pressed, `the counter went from ${before} to Count: ${count + 1}`);
  });

  test("screenshot of the window returns its path and the PNG of its size", async () => {
    const result = await session.client.callTool({
      name: "screenshot",
      arguments: { pid: fixture.pid, windowIndex: main.windowIndex },
    });
    assert.equal(result.isError, false, JSON.stringify(result.content[0]));
    const document = documentOf(result);
    assert.equal(document.scope, "window");
    const image = result.content.find((item) => item.type === "image");
    assert.equal(image.mimeType, "image/png");
    const bytes = Buffer.from(image.data, "base64");
    const header = decodePng(bytes);
    assert.deepEqual([header.width, header.height], [document.width, document.height]);
    assert.ok(bytes.equals(fs.readFileSync(document.path)), "the image is the saved file");
    fs.rmSync(document.path, { force: true });
  });

  test("screenshot of the screen, downscaled, stays within 1280 pixels", async () => {
    const result = await session.client.callTool({ name: "screenshot", arguments: { downscale: true } });
    assert.equal(result.isError, false);
    const document = documentOf(result);
    const header = decodePng(Buffer.from(result.content.find((item) => item.type === "image").data, "base64"));
    const scale = Math.min(1, 1280 / Math.max(document.width, document.height));
    assert.deepEqual([header.width, header.height], [Math.round(document.width * scale), Math.round(document.height * scale)]);
    fs.rmSync(document.path, { force: true });
  });

  test("move_xy takes the pointer where pointer then finds it", async () => {
    const moved = await session.client.callTool({ name: "move_xy", arguments: { x: 321.5, y: 123 } });
    assert.equal(moved.isError, false, JSON.stringify(moved.content));
    const where = await session.client.callTool({ name: "pointer", arguments: {} });
    assert.deepEqual(documentOf(where), { x: 321, y: 123 });
  });

  test("nothing reaches standard error", () => {
    assert.equal(session.stderr(), "");
  });
});
