// Which file is what: a `.erm` is a script; a `.txt` is a declarations file
// when a script of the same name stands beside it or the project's zunt.toml
// includes it. Pure logic over a small file-system interface, so that the
// tests can run it without an editor.
import * as path from "path";

/** The few file-system calls the decision needs. */
export interface Files {
  exists(file: string): boolean;
  read(file: string): string | undefined;
}

/** The nearest zunt.toml in the folder or one of its parents, if any. */
export function findProject(folder: string, files: Files, p = path): string | undefined {
  for (let dir = folder; ; ) {
    const candidate = p.join(dir, "zunt.toml");
    if (files.exists(candidate)) return candidate;
    const parent = p.dirname(dir);
    if (parent === dir) return undefined;
    dir = parent;
  }
}

/** The strings of zunt.toml's top-level `include = [...]` array. */
export function parseIncludes(toml: string): string[] {
  const text = toml.replace(/\r\n?/g, "\n");
  const key = /^[ \t]*include[ \t]*=[ \t]*\[/m.exec(text);
  if (!key) return [];
  const result: string[] = [];
  const item = /\s*(?:#[^\n]*\n\s*)*(?:"((?:[^"\\\n]|\\.)*)"|'([^'\n]*)'|(\]))\s*,?/y;
  item.lastIndex = key.index + key[0].length;
  for (let m = item.exec(text); m && !m[3]; m = item.exec(text)) {
    result.push(m[1] !== undefined ? unescapeBasic(m[1]) : m[2]);
  }
  return result;
}

function unescapeBasic(s: string): string {
  return s.replace(/\\(u[0-9a-fA-F]{4}|U[0-9a-fA-F]{8}|.)/g, (_, e: string) => {
    if (e[0] === "u" || e[0] === "U") return String.fromCodePoint(parseInt(e.slice(1), 16));
    return ({ n: "\n", t: "\t", r: "\r", b: "\b", f: "\f" } as Record<string, string>)[e] ?? e;
  });
}

function sameFile(a: string, b: string, p: typeof path): boolean {
  const na = p.normalize(a), nb = p.normalize(b);
  return p === path.win32 ? na.toLowerCase() === nb.toLowerCase() : na === nb;
}

/** True when the `.txt` file is a declarations file of this tool. */
export function isDeclarationsFile(file: string, files: Files, p = path): boolean {
  const ext = p.extname(file);
  if (ext.toLowerCase() !== ".txt") return false;
  const base = file.slice(0, file.length - ext.length);
  return files.exists(base + ".erm") || files.exists(base + ".ERM") || isInclude(file, files, p);
}

/** True when the nearest zunt.toml includes the file. */
export function isInclude(file: string, files: Files, p = path): boolean {
  const project = findProject(p.dirname(file), files, p);
  if (!project) return false;
  const toml = files.read(project);
  if (toml === undefined) return false;
  const root = p.dirname(project);
  return parseIncludes(toml).some((include) => sameFile(p.resolve(root, include), file, p));
}
