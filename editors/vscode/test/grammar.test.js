// The TextMate grammars against the annotated files in test/grammar/, with
// vscode-tmgrammar-test. Each assertion line is also broken on its own in a
// copy of its file, and every copy must fail: an assertion line that the tool
// skips (a wrong comment token, a malformed caret line) fails this test.
const { test } = require("node:test");
const assert = require("node:assert");
const { spawnSync } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");

const root = path.join(__dirname, "..");
const fixtures = path.join(__dirname, "grammar");
const tool = path.join(root, "node_modules", "vscode-tmgrammar-test", "dist", "unit.js");
const grammars = ["zunt-script", "zunt-declarations"].flatMap((g) => ["-g", path.join(root, "syntaxes", `${g}.tmLanguage.json`)]);
const assertion = /^;\s*(<-+|\^+)/;

function run(glob) {
  return spawnSync(process.execPath, [tool, ...grammars, glob], { encoding: "utf8" });
}

test("every annotated file passes", () => {
  const r = run(path.join(fixtures, "*.test.*"));
  assert.strictEqual(r.status, 0, r.stdout + r.stderr);
  assert.match(r.stdout, /declarations\.test\.txt run successfuly/);
  assert.match(r.stdout, /script\.test\.erm run successfuly/);
});

test("every assertion line is checked", () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "zunt-grammar-"));
  const copies = [];
  for (const name of fs.readdirSync(fixtures)) {
    const lines = fs.readFileSync(path.join(fixtures, name), "utf8").split("\n");
    lines.forEach((line, i) => {
      if (i === 0 || !assertion.test(line)) return;
      const broken = lines.slice();
      broken[i] = line.replace(assertion, "$& zunt.never");
      const copy = `${path.parse(name).name.replace(".test", "")}-${i + 1}.test${path.extname(name)}`;
      fs.writeFileSync(path.join(dir, copy), broken.join("\n"));
      copies.push(copy);
    });
  }
  assert.ok(copies.length > 50, `only ${copies.length} assertion lines`);
  const r = run(path.join(dir, "*.test.*"));
  fs.rmSync(dir, { recursive: true });
  const passed = copies.filter((c) => !r.stdout.includes(`${c} failed`));
  assert.deepStrictEqual(passed, [], "assertion lines that were not checked");
});
