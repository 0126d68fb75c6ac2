// Shared helpers of the tavik-ax-mcp tests: where the built programs are,
// an SDK client over stdio that records what the server sent, the GTK
// fixture application, and an independent look at the fixture through
// pyatspi (Debian's /usr/bin/python3).

import { spawn, execFileSync } from "node:child_process";
import path from "node:path";
import { fileURLToPath } from "node:url";
import zlib from "node:zlib";

import { Client } from "@modelcontextprotocol/sdk/client/index.js";
import { StdioClientTransport } from "@modelcontextprotocol/sdk/client/stdio.js";

export const REPO = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "..", "..");
export const BUILD = process.env.TAVIK_BUILD || path.join(REPO, "build");
export const SERVER = path.join(BUILD, "tavik-ax-mcp");
export const TAVIK_AX = path.join(BUILD, "tavik-ax");
export const FIXTURE = path.join(BUILD, "tests", "fixture", "tavik_fixture");
export const FIXTURE_TITLE = "Tavik Fixture — Ünïcødé";

// Wraps a transport to keep every message the server sent.
class RecordingTransport {
  constructor(inner) {
    this.inner = inner;
    this.received = [];
  }
  async start() {
    this.inner.onmessage = (message) => {
      this.received.push(message);
      this.onmessage?.(message);
    };
    this.inner.onerror = (error) => this.onerror?.(error);
    this.inner.onclose = () => this.onclose?.();
    return this.inner.start();
  }
  send(message, options) {
    return this.inner.send(message, options);
  }
  close() {
    return this.inner.close();
  }
  get stderr() {
    return this.inner.stderr;
  }
}

// An SDK client connected to the server; the server's stderr is collected.
export async function connect(args = []) {
  const transport = new RecordingTransport(
    new StdioClientTransport({
      command: SERVER,
      args,
      // The desktop's variables (DISPLAY, the session bus) reach the server.
      env: { ...process.env },
      stderr: "pipe",
    }),
  );
  const stderr = [];
  const client = new Client({ name: "tavik-ax-mcp-test", version: "1.0.0" });
  const connected = client.connect(transport);
  transport.stderr?.on("data", (chunk) => stderr.push(chunk));
  await connected;
  return { client, transport, stderr: () => Buffer.concat(stderr).toString("utf8") };
}

export function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

export async function waitFor(condition, timeoutMs = 30000, intervalMs = 200) {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const value = await condition();
    if (value) return value;
    if (Date.now() >= deadline) return null;
    await sleep(intervalMs);
  }
}

// The text content of a tool result, parsed as the command's JSON document.
export function documentOf(result) {
  const text = result.content.find((item) => item.type === "text");
  return JSON.parse(text.text);
}

export function startFixture() {
  const env = { ...process.env };
  delete env.NO_AT_BRIDGE;
  return spawn(FIXTURE, [], { env, stdio: "ignore" });
}

// The fixture's main window as pyatspi sees it: {path: name} of its elements.
export function namesThroughPyatspi(pid, windowIndex) {
  const out = execFileSync(
    "/usr/bin/python3",
    [path.join(REPO, "tests", "integration", "atspi_reference.py"), "tree", String(pid), String(windowIndex), "4"],
    { timeout: 20000 },
  );
  const names = {};
  const walk = (record) => {
    names[record.path] = record.name;
    for (const child of record.children || []) walk(child);
  };
  walk(JSON.parse(out.toString("utf8")));
  return names;
}

// Decodes a PNG's structure: the header's size, and the image data
// inflated to exactly one filter byte plus one row of pixels per row.
export function decodePng(bytes) {
  const signature = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);
  if (!bytes.subarray(0, 8).equals(signature)) throw new Error("no PNG signature");
  let offset = 8;
  let header = null;
  const data = [];
  while (offset < bytes.length) {
    const length = bytes.readUInt32BE(offset);
    const type = bytes.toString("latin1", offset + 4, offset + 8);
    const body = bytes.subarray(offset + 8, offset + 8 + length);
    if (type === "IHDR") {
      header = { width: body.readUInt32BE(0), height: body.readUInt32BE(4), depth: body[8], colour: body[9] };
    } else if (type === "IDAT") {
      data.push(body);
    } else if (type === "IEND") {
      break;
    }
    offset += 12 + length;
  }
  if (!header) throw new Error("no IHDR");
  const channels = { 0: 1, 2: 3, 4: 2, 6: 4 }[header.colour];
  const pixels = zlib.inflateSync(Buffer.concat(data));
  const expected = header.height * (1 + (header.width * channels * header.depth) / 8);
  if (pixels.length !== expected) throw new Error(`image data of ${pixels.length} bytes, expected ${expected}`);
  return header;
}
