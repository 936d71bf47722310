// The zunt program: which file to start, and the build tasks' command lines.
import * as path from "path";

/** The program for the server and the tasks: the setting when given, else the
 *  copy packaged in the extension's bin/, else the name looked up on PATH. */
export function programPath(
  setting: string,
  extensionDir: string,
  platform: string,
  exists: (file: string) => boolean,
  home = "",
): string {
  const trimmed = setting.trim();
  if (trimmed) return home && /^~[\\/]/.test(trimmed) ? path.join(home, trimmed.slice(2)) : trimmed;
  const name = platform === "win32" ? "zunt-cli.exe" : "zunt";
  const bundled = path.join(extensionDir, "bin", name);
  return exists(bundled) ? bundled : name;
}

/** A build task as the task definition stores it. */
export interface TaskDefinition {
  type: "zunt";
  name?: string; // the script; none: the whole project
  cwd?: string;
}

/** The process a task runs: the program, its arguments, its folder. */
export interface Invocation {
  command: string;
  args: string[];
  cwd: string;
}

/** The task that translates the given script or declarations file: zunt runs
 *  in the file's folder with the file's base name, as the README shows. */
export function scriptTask(file: string): TaskDefinition {
  return { type: "zunt", name: path.basename(file, path.extname(file)), cwd: path.dirname(file) };
}

/** The task that translates every script of the project of this zunt.toml. */
export function projectTask(toml: string): TaskDefinition {
  return { type: "zunt", cwd: path.dirname(toml) };
}

/** The command line of a task: messages name files by absolute paths, which
 *  the problem matchers take as they are; names that start with "-" are kept
 *  from being read as options. */
export function invocation(def: TaskDefinition, program: string, fallbackCwd: string): Invocation {
  const args = ["--absolute-paths", ...(def.name ? ["--", def.name] : [])];
  return { command: program, args, cwd: def.cwd || fallbackCwd };
}

/** The label the task list shows. */
export function taskLabel(def: TaskDefinition): string {
  return def.name ? `translate ${def.name}` : "translate the project";
}

/** The translated text out of the server's answer to `zunt.preview`. */
export function previewText(result: unknown): string | undefined {
  if (typeof result === "string") return result;
  if (result && typeof result === "object") {
    for (const key of ["text", "translation", "output"]) {
      const value = (result as Record<string, unknown>)[key];
      if (typeof value === "string") return value;
    }
  }
  return undefined;
}
