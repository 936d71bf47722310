// The extension's own decisions, without an editor: which .txt is a
// declarations file, zunt.toml's includes, the reopen decision, the program
// and the task's command line, and the problem matchers on real messages.
const { test } = require("node:test");
const assert = require("node:assert");
const path = require("node:path");
const { isDeclarationsFile, parseIncludes, findProject } = require("../out/kinds");
const { reopenAction, versionAtLeast } = require("../out/encoding");
const { programPath, invocation, scriptTask, projectTask, previewText } = require("../out/command");
const manifest = require("../package.json");

// An in-memory tree: path -> content (folders are implied); Windows names
// are found whatever their case.
function tree(p, entries) {
  const key = (f) => (p === path.win32 ? p.normalize(f).toLowerCase() : p.normalize(f));
  const files = Object.fromEntries(Object.entries(entries).map(([f, text]) => [key(f), text]));
  return { exists: (f) => key(f) in files, read: (f) => files[key(f)] };
}

test("which .txt is a declarations file", () => {
  const toml = 'scripts = ["src/*.erm"]\ninclude = [ # shared names\n  "common.txt",\n  \'lib/names.txt\', "../outside.txt" ]\noutput = "build"\n';
  const posix = {
    "/mod/zunt.toml": toml,
    "/mod/common.txt": "",
    "/mod/lib/names.txt": "",
    "/outside.txt": "",
    "/mod/src/heroes.erm": "",
    "/mod/src/heroes.txt": "",
    "/mod/src/notes.txt": "",
    "/mod/src/deep/zunt.toml": "include = []",
    "/mod/src/deep/common.txt": "",
    "/plain/readme.txt": "",
    "/plain/town.ERM": "",
    "/plain/town.txt": "",
    "/plain/town.erm.txt": "",
  };
  const cases = [
    ["/mod/src/heroes.txt", true], // a script of the same name beside it
    ["/mod/common.txt", true], // included by zunt.toml
    ["/mod/lib/names.txt", true], // included from a sub-folder
    ["/outside.txt", false], // included from outside: no zunt.toml above it to tell
    ["/mod/lib/../common.txt", true], // a path that needs normalising
    ["/mod/src/notes.txt", false], // in the project, neither beside a script nor included
    ["/mod/src/deep/common.txt", false], // the nearest zunt.toml is the one that counts
    ["/plain/readme.txt", false], // no project, no script
    ["/plain/town.txt", true], // the script's extension in capitals
    ["/plain/town.erm.txt", false],
    ["/mod/src/heroes.erm", false], // a script is not a declarations file
    ["/mod/COMMON.txt", false], // POSIX names differ in case
  ];
  for (const [file, expected] of cases) {
    assert.strictEqual(isDeclarationsFile(file, tree(path.posix, posix), path.posix), expected, file);
  }
  const win = { "C:\\Mod\\zunt.toml": 'include = ["Common.txt"]', "C:\\Mod\\Common.txt": "" };
  assert.strictEqual(isDeclarationsFile("c:\\mod\\COMMON.TXT", tree(path.win32, win), path.win32), true);
  assert.strictEqual(findProject("C:\\Mod\\a\\b", tree(path.win32, win), path.win32), "C:\\Mod\\zunt.toml");
});

test("zunt.toml's include array", () => {
  const cases = [
    ['include = ["a.txt", "b.txt"]', ["a.txt", "b.txt"]],
    ["include = ['c:\\mod\\a.txt']", ["c:\\mod\\a.txt"]], // a literal string keeps its backslashes
    ['include = ["sub\\\\a.txt", "\\u041e.txt"]', ["sub\\a.txt", "О.txt"]],
    ['include=[\r\n  "a.txt", # first\r\n  # a comment line\r\n  "b.txt",\r\n]', ["a.txt", "b.txt"]],
    ['include = []', []],
    ['scripts = ["x.erm"]', []],
    ['# include = ["no.txt"]\ninclude = ["yes.txt"]', ["yes.txt"]],
    ['included = ["no.txt"]', []],
    ['include = ["общий.txt"]', ["общий.txt"]],
  ];
  for (const [toml, expected] of cases) assert.deepStrictEqual(parseIncludes(toml), expected, toml);
});

test("the reopen decision", () => {
  const doc = (languageId, encoding, isDirty = false, scheme = "file") => ({ languageId, encoding, isDirty, scheme });
  const cases = [
    [doc("zunt-script", "windows1251"), true, "none"],
    [doc("zunt-script", "utf8"), true, "reopen"],
    [doc("zunt-declarations", "iso88591"), true, "reopen"],
    [doc("zunt-script", "utf8", true), true, "warn"], // never throw away unsaved edits
    [doc("zunt-script", undefined), true, "unknown"], // before 1.100: no encoding to read
    [doc("zunt-script", "utf8"), false, "unknown"], // an encoding but no way to reopen
    [doc("plaintext", "utf8"), true, "none"],
    [doc("zunt-script", "utf8", false, "git"), true, "none"],
  ];
  for (const [facts, canReopen, expected] of cases) {
    assert.strictEqual(reopenAction(facts, canReopen), expected, JSON.stringify([facts, canReopen]));
  }
  const versions = [["1.100.0", true], ["1.99.3", false], ["1.101.0-insider", true], ["2.0.0", true], ["1.91.1", false], ["", false]];
  for (const [version, expected] of versions) assert.strictEqual(versionAtLeast(version, 1, 100), expected, version);
});

test("the program and the task's command line", () => {
  const has = (...files) => (f) => files.includes(f);
  const cases = [
    ["", "/ext", "linux", has("/ext/bin/zunt"), "/ext/bin/zunt"],
    ["", "/ext", "linux", has(), "zunt"],
    ["", "/ext", "win32", has(path.join("/ext", "bin", "zunt-cli.exe")), path.join("/ext", "bin", "zunt-cli.exe")],
    ["", "/ext", "win32", has(), "zunt-cli.exe"],
    ["  /opt/zunt/bin/zunt ", "/ext", "linux", has("/ext/bin/zunt"), "/opt/zunt/bin/zunt"],
    ["~/bin/zunt", "/ext", "linux", has(), "/home/u/bin/zunt"],
  ];
  for (const [setting, ext, platform, exists, expected] of cases) {
    assert.strictEqual(programPath(setting, ext, platform, exists, "/home/u"), expected, `${setting} ${platform}`);
  }
  const runs = [
    [scriptTask("/mod/src/heroes.erm"), { command: "zunt", args: ["--absolute-paths", "--", "heroes"], cwd: "/mod/src" }],
    [scriptTask("/mod/src/heroes.txt"), { command: "zunt", args: ["--absolute-paths", "--", "heroes"], cwd: "/mod/src" }],
    [scriptTask("/mod/-v.erm"), { command: "zunt", args: ["--absolute-paths", "--", "-v"], cwd: "/mod" }],
    [scriptTask("/mod/герой.erm"), { command: "zunt", args: ["--absolute-paths", "--", "герой"], cwd: "/mod" }],
    [projectTask("/mod/zunt.toml"), { command: "zunt", args: ["--absolute-paths"], cwd: "/mod" }],
    [{ type: "zunt", name: "quest" }, { command: "zunt", args: ["--absolute-paths", "--", "quest"], cwd: "/ws" }],
  ];
  for (const [def, expected] of runs) assert.deepStrictEqual(invocation(def, "zunt", "/ws"), expected, JSON.stringify(def));
  assert.strictEqual(previewText("a"), "a");
  assert.strictEqual(previewText({ text: "b" }), "b");
  assert.strictEqual(previewText({ translation: "c" }), "c");
  assert.strictEqual(previewText(null), undefined);
  assert.strictEqual(previewText({ text: 1 }), undefined);
});

test("the problem matchers on the program's messages", () => {
  const matchers = Object.fromEntries(manifest.contributes.problemMatchers.map((m) => [m.name, m.pattern]));
  // What each matcher takes from a line: [file, line, column, severity, message] or [file, severity, message].
  const take = (name, line) => {
    const p = matchers[name];
    const m = new RegExp(p.regexp).exec(line);
    if (!m) return null;
    const groups = p.kind === "file" ? [p.file, p.severity, p.message] : [p.file, p.line, p.column, p.severity, p.message];
    return groups.map((g) => m[g]);
  };
  const cases = [
    ["towns.erm:13:9: error: Переменной $HERO_EXPP$ не существует!", ["towns.erm", "13", "9", "error", "Переменной $HERO_EXPP$ не существует!"], null],
    ["src/ещё/quest.txt:2:1: warning: строка объявления переменной кончается LF без CR", ["src/ещё/quest.txt", "2", "1", "warning", "строка объявления переменной кончается LF без CR"], null],
    ["sub\\quest.erm:19:3: error: Пустые переменные запрещены!", ["sub\\quest.erm", "19", "3", "error", "Пустые переменные запрещены!"], null],
    ["C:\\mod\\quest.erm:1:2: note: здесь", ["C:\\mod\\quest.erm", "1", "2", "note", "здесь"], null],
    ["quest.txt: error: Указанный файл пуст!", null, ["quest.txt", "error", "Указанный файл пуст!"]],
    ["C:\\mod\\my quest.txt: error: Указанный файл пуст!", null, ["C:\\mod\\my quest.txt", "error", "Указанный файл пуст!"]],
    ["../quest.erm: error: Не могу создать выходной ЕРМ файл скрипта!", null, ["../quest.erm", "error", "Не могу создать выходной ЕРМ файл скрипта!"]],
    ["zunt: error: Не указан файл для компиляции!", null, null], // names no file
    ["   13 | !!VR$HERO_EXPP$:S5;", null, null],
    ["      |     ^", null, null],
    ["zunt.toml:3:9: error: неизвестный ключ", ["zunt.toml", "3", "9", "error", "неизвестный ключ"], null],
  ];
  for (const [line, located, whole] of cases) {
    assert.deepStrictEqual(take("zunt", line), located, `$zunt: ${line}`);
    assert.deepStrictEqual(take("zunt-file", line), whole, `$zunt-file: ${line}`);
  }  // The task's problems are a set of their own beside the server's ("zunt"),
  // at the absolute paths that --absolute-paths prints.
  for (const m of manifest.contributes.problemMatchers) assert.deepStrictEqual([m.owner, m.fileLocation], ["zunt-build", "absolute"]);
});
