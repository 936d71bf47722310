// The real language server (zunt --lsp, the program named by $ZUNT) driven by
// the protocol package the extension's client is built on.
const { test } = require("node:test");
const assert = require("node:assert");
const { spawn } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { pathToFileURL } = require("node:url");
const lsp = require("vscode-languageserver-protocol/node");

const zunt = process.env.ZUNT && path.resolve(process.env.ZUNT);
const examples = path.join(__dirname, "..", "..", "..", "examples", "quest");

// A server started in a copy of the example, the example script open with two
// more lines: Cyrillic before an undeclared variable, and an indexed reference.
async function session() {
  assert.ok(zunt && fs.existsSync(zunt), "ZUNT names the zunt program");
  const mod = fs.mkdtempSync(path.join(os.tmpdir(), "zunt-lsp-"));
  for (const name of ["quest.erm", "quest.txt"]) fs.copyFileSync(path.join(examples, name), path.join(mod, name));
  const original = new TextDecoder("windows-1251").decode(fs.readFileSync(path.join(mod, "quest.erm")));
  const text = original + "!!IF:M^Ошибка^;$NOPE$;\r\n!!VR$HERO[3]$:S1;\r\n";
  const lines = text.split("\r\n");
  const uri = pathToFileURL(path.join(mod, "quest.erm")).href;
  const server = spawn(zunt, ["--lsp"], { cwd: mod, stdio: ["pipe", "pipe", "inherit"] });
  const exited = new Promise((resolve) => server.on("exit", (code) => resolve(code)));
  const connection = lsp.createProtocolConnection(new lsp.StreamMessageReader(server.stdout), new lsp.StreamMessageWriter(server.stdin));
  const diagnostics = new Promise((resolve) =>
    connection.onNotification(lsp.PublishDiagnosticsNotification.type, (p) => p.uri === uri && resolve(p.diagnostics)),
  );
  connection.listen();
  const init = await connection.sendRequest(lsp.InitializeRequest.type, {
    processId: process.pid,
    rootUri: pathToFileURL(mod).href,
    workspaceFolders: null,
    capabilities: { textDocument: { hover: { contentFormat: ["markdown", "plaintext"] } } },
  });
  await connection.sendNotification(lsp.InitializedNotification.type, {});
  await connection.sendNotification(lsp.DidOpenTextDocumentNotification.type, {
    textDocument: { uri, languageId: "zunt-script", version: 1, text },
  });
  const close = () => {
    connection.dispose();
    server.kill();
    fs.rmSync(mod, { recursive: true, force: true });
  };
  return { connection, init, diagnostics, exited, lines, uri, close };
}

test("start-up, diagnostics on open, the translation, shutdown and exit", async () => {
  const s = await session();
  try {
    assert.strictEqual(s.init.capabilities.positionEncoding ?? "utf-16", "utf-16");
    const nope = s.lines.length - 3; // the line with $NOPE$, from 0
    assert.deepStrictEqual(
      (await s.diagnostics).map((d) => [d.range.start.line, d.range.start.character, d.severity, d.source, d.message]),
      [[nope, s.lines[nope].indexOf("$NOPE$"), 1, "zunt", "Переменной $NOPE$ не существует!"]],
    );
    const translated = await s.connection.sendRequest("zunt/translate", { textDocument: { uri: s.uri } });
    assert.match(translated.text, /^!!VRy100:S5;$/m);
    await s.connection.sendRequest(lsp.ShutdownRequest.type);
    await s.connection.sendNotification(lsp.ExitNotification.type);
    assert.strictEqual(await s.exited, 0);
  } finally {
    s.close();
  }
});

test("hover: the value of a reference", async () => {
  const s = await session();
  try {
    assert.ok(s.init.capabilities.hoverProvider);
    await s.diagnostics;
    const at = (line, needle) => ({ textDocument: { uri: s.uri }, position: { line, character: s.lines[line].indexOf(needle) + 1 } });
    const hover = async (line, needle) => JSON.stringify((await s.connection.sendRequest(lsp.HoverRequest.type, at(line, needle)))?.contents ?? null);
    assert.match(await hover(3, "$HERO$"), /y100/);
    assert.match(await hover(s.lines.length - 2, "$HERO[3]$"), /y103/);
    assert.match(await hover(3, "(START)"), /5/);
  } finally {
    s.close();
  }
});
