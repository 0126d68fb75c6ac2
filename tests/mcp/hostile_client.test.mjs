// A client that does everything wrong, talking raw JSON-RPC lines to
// tavik-ax-mcp: malformed JSON, a request over 10 MB, a deeply nested
// document, batches, unknown methods and tools, wrong and missing
// arguments, a call that hangs past the time-out and one that crashes.
// Each gets its error, and the valid requests after them still work.

import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { test } from "node:test";

import { SERVER, TAVIK_AX } from "./harness.mjs";

// A stand-in for tavik-ax: list-windows hangs, scroll crashes, every
// other command runs the real program.
function writeStandIn(folder) {
  const script = path.join(folder, "tavik-ax-stand-in");
  fs.writeFileSync(
    script,
    `#!/bin/sh
case "$1" in
  list-windows) [ -n "$STAND_IN_PID_FILE" ] && echo $$ > "$STAND_IN_PID_FILE"; exec sleep 60 ;;
  scroll) kill -SEGV $$ ;;
esac
exec "${TAVIK_AX}" "$@"
`,
    { mode: 0o755 },
  );
  return script;
}

// Starts the server, writes the lines, closes its input, and gives what it printed.
function exchange(args, lines) {
  return new Promise((resolve, reject) => {
    const server = spawn(SERVER, args, { stdio: ["pipe", "pipe", "pipe"] });
    const out = [];
    const err = [];
    server.stdout.on("data", (chunk) => out.push(chunk));
    server.stderr.on("data", (chunk) => err.push(chunk));
    server.on("error", reject);
    // A server that refused to start has closed its input already.
    server.stdin.on("error", () => {});
    server.on("close", (code, signal) =>
      resolve({ code, signal, stdout: Buffer.concat(out).toString("utf8"), stderr: Buffer.concat(err).toString("utf8") }),
    );
    for (const line of lines) server.stdin.write(line + "\n");
    server.stdin.end();
  });
}

const request = (id, method, params) => JSON.stringify({ jsonrpc: "2.0", id, method, ...(params ? { params } : {}) });
const call = (id, name, args) => request(id, "tools/call", { name, arguments: args });

test("every bad input gets its answer and the server goes on", { timeout: 60000 }, async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "tavik-mcp-hostile-"));
  try {
    const huge = JSON.stringify({ jsonrpc: "2.0", id: 99, method: "ping", params: { pad: "x".repeat(11 * 1024 * 1024) } });
    const deep = "[".repeat(200000) + "]".repeat(200000);
    const lines = [
      request(1, "initialize", { protocolVersion: "2024-10-07", capabilities: {}, clientInfo: { name: "hostile", version: "0" } }),
      JSON.stringify({ jsonrpc: "2.0", method: "notifications/initialized" }),
      '{"jsonrpc":"2.0","id":2,"method":"ping"',
      huge,
      deep,
      "[" + request(3, "ping") + "]",
      request(4, "resources/list"),
      call(5, "no_such_tool", {}),
      call(6, "click", { pid: "abc", path: "0" }),
      call(7, "click", { pid: 1 }),
      call(8, "type", { pid: 1, path: "0", text: 5 }),
      JSON.stringify({ jsonrpc: "2.0", id: null, method: "ping" }),
      call(9, "list_windows", {}),
      call(10, "scroll", { amount: -120 }),
      call(11, "check_permission", {}),
      request(12, "ping"),
    ];
    const started = Date.now();
    const { code, signal, stdout, stderr } = await exchange(["--timeout-ms", "1000", "--tavik-ax", writeStandIn(folder)], lines);
    assert.equal(signal, null);
    assert.equal(code, 0);
    assert.equal(stderr, "", "nothing on standard error without --verbose");
    assert.ok(stdout.endsWith("\n"));
    const answers = stdout.trimEnd().split("\n").map((line) => JSON.parse(line));
    for (const answer of answers) assert.equal(answer.jsonrpc, "2.0");

    const expected = [
      [1, "result"],
      [null, -32700],
      [null, -32600], // over 10 MB
      [null, -32600], // a batch, however deep
      [null, -32600], // a batch
      [4, -32601],
      [5, -32602],
      [6, "tool error"],
      [7, "tool error"],
      [8, "tool error"],
      [null, -32600], // a null id
      [9, "tool error"],
      [10, "tool error"],
      [11, "result"],
      [12, "result"],
    ];
    assert.equal(answers.length, expected.length, stdout.slice(0, 2000));
    expected.forEach(([id, kind], i) => {
      const answer = answers[i];
      assert.equal(answer.id, id, `answer ${i}: ${JSON.stringify(answer)}`);
      if (typeof kind === "number") assert.equal(answer.error?.code, kind, `answer ${i}: ${JSON.stringify(answer)}`);
      else if (kind === "tool error") assert.equal(answer.result?.isError, true, `answer ${i}`);
      else assert.ok(answer.result, `answer ${i}: ${JSON.stringify(answer)}`);
    });

    assert.equal(answers[0].result.protocolVersion, "2024-10-07");
    assert.match(answers[2].error.message, /10 MB/);
    assert.match(answers[7].result.content[0].text, /"pid" must be an integer/);
    assert.match(answers[8].result.content[0].text, /Missing required argument "path"/);
    assert.match(answers[9].result.content[0].text, /"text" must be a string/);
    assert.match(answers[11].result.content[0].text, /time-out of 1000 ms/);
    assert.match(answers[12].result.content[0].text, /signal 11/);
    assert.equal(answers[13].result.isError, false);
    assert.equal(typeof JSON.parse(answers[13].result.content[0].text).trusted, "boolean");
    assert.deepEqual(answers[14].result, {});
    // The hang was stopped at its time-out, not waited out.
    assert.ok(Date.now() - started < 30000);
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
});

test("with --verbose the server says what it does on standard error only", async () => {
  const { code, stdout, stderr } = await exchange(["--verbose"], [request(1, "ping"), "nonsense"]);
  assert.equal(code, 0);
  assert.deepEqual(
    stdout.trimEnd().split("\n").map((line) => JSON.parse(line).id),
    [1, null],
  );
  assert.match(stderr, /request ping/);
});

test("a bad server option is refused before any message", async () => {
  const { code, stdout } = await exchange(["--timeout-ms", "soon"], [request(1, "ping")]);
  assert.equal(code, 2);
  assert.equal(stdout, "");
});

test("a server stopped during a call stops the call's process first", { timeout: 30000 }, async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "tavik-mcp-stop-"));
  try {
    const pidFile = path.join(folder, "call.pid");
    const server = spawn(SERVER, ["--tavik-ax", writeStandIn(folder)], {
      stdio: ["pipe", "pipe", "pipe"],
      env: { ...process.env, STAND_IN_PID_FILE: pidFile },
    });
    const ended = new Promise((resolve) => server.on("close", (code, signal) => resolve({ code, signal })));
    server.stdin.write(call(1, "list_windows", {}) + "\n");
    const started = Date.now();
    while (!fs.existsSync(pidFile) || !fs.readFileSync(pidFile, "utf8").trim()) {
      assert.ok(Date.now() - started < 10000, "the call started");
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
    const callPid = Number(fs.readFileSync(pidFile, "utf8").trim());
    server.kill("SIGTERM");
    const { signal } = await ended;
    assert.equal(signal, "SIGTERM");
    const alive = () => {
      try {
        return !/^\S+ \(.*\) Z/.test(fs.readFileSync(`/proc/${callPid}/stat`, "utf8"));
      } catch {
        return false;
      }
    };
    const deadline = Date.now() + 5000;
    while (alive() && Date.now() < deadline) await new Promise((resolve) => setTimeout(resolve, 50));
    assert.equal(alive(), false, "the call's process is gone");
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
});
