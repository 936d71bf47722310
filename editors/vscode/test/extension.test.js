// The extension activated against a fake editor: the languages it gives,
// the reopening as Windows-1251, the server it starts, the tasks, the preview.
const { test } = require("node:test");
const assert = require("node:assert");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { loadExtension } = require("./fake-vscode");

// A mod on disk: zunt.toml includes common.txt; src/ holds a script with its
// declarations and a stray notes.txt.
const mod = fs.mkdtempSync(path.join(os.tmpdir(), "zunt-ext-"));
for (const [name, text] of Object.entries({
  "zunt.toml": 'include = ["common.txt"]\n',
  "common.txt": "",
  "src/heroes.erm": "",
  "src/heroes.txt": "",
  "src/notes.txt": "",
  "ext/bin/zunt": "",
})) {
  fs.mkdirSync(path.dirname(path.join(mod, name)), { recursive: true });
  fs.writeFileSync(path.join(mod, name), text);
}
fs.writeFileSync(path.join(mod, "src/towns.erm"), Buffer.from([0xcf, 0xf0, 0xe8, 0x0d, 0x0a])); // "При" CR LF
process.on("exit", () => fs.rmSync(mod, { recursive: true, force: true }));

function activate(setup = () => {}) {
  const fake = loadExtension();
  setup(fake.vscode);
  fake.extension.activate({ extensionPath: path.join(mod, "ext"), subscriptions: [] });
  return fake;
}

const doc = (vscode, file, languageId, extra = {}) => ({ uri: vscode.Uri.file(path.join(mod, file)), languageId, isDirty: false, ...extra });
const settle = () => new Promise((r) => setImmediate(r));

test("activation registers everything and starts the packaged server", () => {
  const { calls } = activate();
  const names = calls.map((c) => c[0]);
  assert.deepStrictEqual(names.sort(), ["client", "command", "command", "content", "taskProvider", "watch"]);
  const client = calls.find((c) => c[0] === "client");
  assert.deepStrictEqual(client[1], { command: path.join(mod, "ext", "bin", "zunt"), args: ["--lsp"] });
  assert.deepStrictEqual(client[2], ["zunt-script", "zunt-declarations"]);
  const other = activate((v) => (v.workspace.settings.path = "/opt/zunt"));
  assert.strictEqual(other.calls.find((c) => c[0] === "client")[1].command, "/opt/zunt");
});

test("opening documents: the language of a .txt, the encoding of both kinds", async () => {
  const cases = [
    // [version, document, the calls expected]
    ["1.100.0", ["src/heroes.txt", "plaintext"], [["setLanguage", path.join(mod, "src/heroes.txt"), "zunt-declarations"]]],
    ["1.100.0", ["common.txt", "plaintext"], [["setLanguage", path.join(mod, "common.txt"), "zunt-declarations"]]],
    ["1.100.0", ["src/notes.txt", "plaintext", { encoding: "utf8" }], []],
    ["1.100.0", ["src/heroes.erm", "zunt-script", { encoding: "utf8" }], [["openTextDocument", `file://${mod}/src/heroes.erm`, { encoding: "windows1251" }]]],
    ["1.100.0", ["src/heroes.txt", "zunt-declarations", { encoding: "iso88591" }], [["openTextDocument", `file://${mod}/src/heroes.txt`, { encoding: "windows1251" }]]],
    ["1.100.0", ["src/heroes.erm", "zunt-script", { encoding: "windows1251" }], []],
    ["1.99.0", ["src/heroes.erm", "zunt-script", { encoding: "utf8" }], []],
    ["1.95.0", ["src/heroes.erm", "zunt-script"], []],
  ];
  for (const [version, [file, language, extra], expected] of cases) {
    const fake = activate((v) => (v.version = version));
    fake.calls.length = 0;
    await fake.handlers.open(doc(fake.vscode, file, language, extra));
    assert.deepStrictEqual(fake.calls, expected, `${version} ${file} ${language}`);
  }
  // Unsaved edits are never thrown away: one warning, once per document.
  const fake = activate();
  fake.calls.length = 0;
  const dirty = doc(fake.vscode, "src/heroes.erm", "zunt-script", { encoding: "utf8", isDirty: true });
  await fake.handlers.open(dirty);
  await fake.handlers.open(dirty);
  assert.deepStrictEqual(fake.calls.map((c) => c[0]), ["warning"]);
  assert.match(fake.calls[0][1], /heroes\.erm was read as utf8/);
  // Before 1.100 the text is held against the file's bytes: a wrong decoding
  // is said once, in words; a right one, or unsaved edits, say nothing.
  for (const [text, dirty, expected] of [["\ufffd\ufffd\ufffd\r\n", false, ["warning"]], ["При\n", false, []], ["x", true, []]]) {
    const old = activate((v) => (v.version = "1.95.0"));
    old.calls.length = 0;
    const towns = doc(old.vscode, "src/towns.erm", "zunt-script", { isDirty: dirty, getText: () => text });
    await old.handlers.open(towns);
    await old.handlers.open(towns);
    assert.deepStrictEqual(old.calls.map((c) => c[0]), expected, JSON.stringify(text));
    if (expected.length) assert.match(old.calls[0][1], /towns\.erm was read in another encoding than Windows-1251.*Reopen with Encoding/);
  }
  // Documents already open when the extension starts are checked too.
  const early = activate((v) => (v.workspace.textDocuments = [doc(v, "src/heroes.erm", "zunt-script", { encoding: "utf8" })]));
  await settle();
  assert.ok(early.calls.some((c) => c[0] === "openTextDocument"));
});

test("a rename's files not open yet are opened as Windows-1251 first, or the rename is refused", async () => {
  const edit = (v) => ({ entries: () => [[v.Uri.file(path.join(mod, "common.txt"))], [v.Uri.file(path.join(mod, "src/heroes.erm"))]] });
  const fake = activate();
  fake.calls.length = 0;
  const rename = fake.client.options.middleware.provideRenameEdits;
  assert.ok(await rename(null, null, "X", null, async () => edit(fake.vscode)));
  assert.deepStrictEqual(fake.calls, [
    ["openTextDocument", `file://${mod}/common.txt`, { encoding: "windows1251" }],
    ["openTextDocument", `file://${mod}/src/heroes.erm`, { encoding: "windows1251" }],
  ]);
  const old = activate((v) => (v.version = "1.95.0"));
  await assert.rejects(old.client.options.middleware.provideRenameEdits(null, null, "X", null, async () => edit(old.vscode)), /open common\.txt, heroes\.erm first/);
  old.vscode.workspace.textDocuments = [{ uri: old.vscode.Uri.file(path.join(mod, "common.txt")) }];
  assert.ok(await old.client.options.middleware.provideRenameEdits(null, null, "X", null, async () => edit(old.vscode)));
});

test("the build tasks: the current script and the project", () => {
  const fake = activate((v) => (v.window.activeTextEditor = { document: doc(v, "src/heroes.erm", "zunt-script") }));
  const tasks = fake.handlers.tasks.provideTasks();
  const seen = tasks.map((t) => [t.name, t.execution.command, t.execution.args, t.execution.options.cwd, t.matchers, t.group]);
  const zunt = path.join(mod, "ext", "bin", "zunt");
  const matchers = ["$zunt", "$zunt-file"];
  assert.deepStrictEqual(seen, [
    ["translate heroes", zunt, ["--absolute-paths", "--", "heroes"], path.join(mod, "src"), matchers, "build"],
    ["translate the project", zunt, ["--absolute-paths"], mod, matchers, "build"],
  ]);
  const resolved = fake.handlers.tasks.resolveTask({ definition: { type: "zunt", name: "quest", cwd: "/q" }, scope: 2 });
  assert.deepStrictEqual([resolved.execution.args, resolved.execution.options.cwd], [["--absolute-paths", "--", "quest"], "/q"]);
  // The mod's shared declarations build the mod, not a script of their name.
  const shared = activate((v) => (v.window.activeTextEditor = { document: doc(v, "common.txt", "zunt-declarations") }));
  assert.deepStrictEqual(shared.handlers.tasks.provideTasks().map((t) => t.name), ["translate the project"]);
  // Nothing to translate for a plain text file outside a project.
  const none = activate((v) => (v.window.activeTextEditor = { document: { uri: v.Uri.file("/tmp/x.txt"), languageId: "plaintext" } }));
  assert.deepStrictEqual(none.handlers.tasks.provideTasks(), []);
});

test("the preview shows the server's translation beside the script", async () => {
  const fake = activate((v) => (v.window.activeTextEditor = { document: doc(v, "src/heroes.erm", "zunt-script") }));
  fake.client.answer = { text: "!!VRy100:S5;" };
  fake.calls.length = 0;
  await fake.handlers["zunt.previewTranslation"]();
  const uri = `zunt-preview://${mod}/src/heroes.erm.preview.erm`;
  assert.deepStrictEqual(fake.calls, [
    ["request", "workspace/executeCommand", { command: "zunt.preview", arguments: [`file://${mod}/src/heroes.erm`] }],
    ["fire", uri],
    ["openTextDocument", uri, undefined],
    ["show", uri, { viewColumn: -2, preview: true, preserveFocus: true }],
  ]);
  assert.strictEqual(fake.handlers.content.provideTextDocumentContent({ toString: () => uri }), "!!VRy100:S5;");
  // A server whose command answers nothing is asked for zunt/translate.
  fake.client.answer = (method) => (method === "zunt/translate" ? { text: "!!VRy1;", errors: 0 } : null);
  fake.calls.length = 0;
  await fake.handlers["zunt.previewTranslation"]();
  assert.deepStrictEqual(fake.calls[1], ["request", "zunt/translate", { textDocument: { uri: `file://${mod}/src/heroes.erm` } }]);
  assert.strictEqual(fake.handlers.content.provideTextDocumentContent({ toString: () => uri }), "!!VRy1;");
  fake.client.answer = null;
  fake.calls.length = 0;
  await fake.handlers["zunt.previewTranslation"]();
  assert.deepStrictEqual(fake.calls.map((c) => c[0]), ["request", "request", "error"]);
});

test("the map of the mod's variables beside a script or a declarations file", async () => {
  const fake = activate((v) => (v.window.activeTextEditor = { document: doc(v, "common.txt", "zunt-declarations") }));
  fake.client.answer = { text: "Карта переменных: 2 скрипта", scripts: 2 };
  fake.calls.length = 0;
  await fake.handlers["zunt.showVariables"]();
  const uri = `zunt-preview://${mod}/variables of the mod.txt`;
  assert.deepStrictEqual(fake.calls, [
    ["request", "workspace/executeCommand", { command: "zunt.variables", arguments: [`file://${mod}/common.txt`] }],
    ["fire", uri],
    ["openTextDocument", uri, undefined],
    ["show", uri, { viewColumn: -2, preview: true, preserveFocus: true }],
  ]);
  assert.strictEqual(fake.handlers.content.provideTextDocumentContent({ toString: () => uri }), "Карта переменных: 2 скрипта");
  // A server without the command: said so, nothing shown.
  fake.client.answer = null;
  fake.calls.length = 0;
  await fake.handlers["zunt.showVariables"]();
  assert.deepStrictEqual(fake.calls.map((c) => c[0]), ["request", "error"]);
});
