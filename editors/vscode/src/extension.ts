// The extension: recognises the tool's files, keeps them in Windows-1251,
// starts the language server, offers the build tasks and the preview.
import * as fs from "fs";
import * as os from "os";
import * as path from "path";
import * as vscode from "vscode";
import { LanguageClient, LanguageClientOptions, ServerOptions } from "vscode-languageclient/node";
import { ENCODING, decodedWrongly, reopenAction, versionAtLeast } from "./encoding";
import { Invocation, TaskDefinition, invocation, programPath, projectTask, scriptTask, taskLabel, previewText } from "./command";
import { Files, findProject, isDeclarationsFile, isInclude } from "./kinds";

const files: Files = {
  exists: (file) => fs.existsSync(file),
  read: (file) => {
    try {
      return fs.readFileSync(file, "utf8");
    } catch {
      return undefined;
    }
  },
};

let client: LanguageClient | undefined;
const PREVIEW_SCHEME = "zunt-preview";

function program(context: vscode.ExtensionContext): string {
  const setting = vscode.workspace.getConfiguration("zunt").get<string>("path", "");
  return programPath(setting, context.extensionPath, process.platform, files.exists, os.homedir());
}

/** Gives a `.txt` its language, then makes sure the text was read as Windows-1251. */
async function checkDocument(doc: vscode.TextDocument, warned: Set<string>): Promise<void> {
  if (doc.uri.scheme === "file" && doc.languageId === "plaintext" && isDeclarationsFile(doc.uri.fsPath, files)) {
    await vscode.languages.setTextDocumentLanguage(doc, "zunt-declarations");
    return; // the document opens again with its new language and comes back here
  }
  const encoding = (doc as unknown as { encoding?: unknown }).encoding;
  const facts = {
    languageId: doc.languageId,
    encoding: typeof encoding === "string" ? encoding : undefined,
    isDirty: doc.isDirty,
    scheme: doc.uri.scheme,
  };
  const action = reopenAction(facts, versionAtLeast(vscode.version, 1, 100));
  const key = doc.uri.toString();
  if (action === "reopen") {
    const open = vscode.workspace.openTextDocument as (uri: vscode.Uri, options: object) => Thenable<vscode.TextDocument>;
    await open(doc.uri, { encoding: ENCODING });
  } else if (action === "warn" && !warned.has(key)) {
    warned.add(key);
    vscode.window.showWarningMessage(
      `${path.basename(doc.uri.fsPath)} was read as ${facts.encoding}, not Windows-1251, and has unsaved changes: ` +
        "save or revert it, then use «Reopen with Encoding» > Cyrillic (Windows 1251).",
    );
  } else if (action === "unknown" && !doc.isDirty && !warned.has(key) && readWrongly(doc)) {
    // This VS Code cannot tell or change the encoding: the text against the file's bytes tells.
    warned.add(key);
    vscode.window.showWarningMessage(
      `${path.basename(doc.uri.fsPath)} was read in another encoding than Windows-1251: its Cyrillic is garbled, ` +
        "and saving it would write other characters over it. Use «Reopen with Encoding» > Cyrillic (Windows 1251) " +
        "(the encoding in the status bar) before editing it.",
    );
  }
}

/** True when the document's text is not its file read as Windows-1251. */
function readWrongly(doc: vscode.TextDocument): boolean {
  try {
    return decodedWrongly(fs.readFileSync(doc.uri.fsPath), doc.getText());
  } catch {
    return false;
  }
}

/** Opens as Windows-1251 the files of the tool among uris that are not open
 *  yet, so that the editor, opening them next (a definition's target, the
 *  files a rename edits), never decodes them otherwise. Returns the files it
 *  could not open so: all of them where this VS Code cannot choose. */
async function openAsWindows1251(uris: readonly vscode.Uri[]): Promise<vscode.Uri[]> {
  const open = new Set(vscode.workspace.textDocuments.map((d) => d.uri.toString()));
  const left = uris.filter((u) => u.scheme === "file" && /\.(txt|erm)$/i.test(u.fsPath) && !open.has(u.toString()));
  if (!versionAtLeast(vscode.version, 1, 100)) return left;
  const openWith = vscode.workspace.openTextDocument as (uri: vscode.Uri, options: object) => Thenable<vscode.TextDocument>;
  for (const uri of left) await openWith(uri, { encoding: ENCODING });
  return [];
}

/** The files a definition's answer points at. */
function targets(result: vscode.Definition | vscode.LocationLink[] | null | undefined): vscode.Uri[] {
  const items = Array.isArray(result) ? result : result ? [result] : [];
  return items.map((item) => ("targetUri" in item ? item.targetUri : item.uri));
}

function startClient(context: vscode.ExtensionContext): void {
  const serverOptions: ServerOptions = { command: program(context), args: ["--lsp"] };
  const clientOptions: LanguageClientOptions = {
    documentSelector: [
      { scheme: "file", language: "zunt-script" },
      { scheme: "file", language: "zunt-declarations" },
    ],
    synchronize: { fileEvents: vscode.workspace.createFileSystemWatcher("**/{*.erm,*.txt,zunt.toml}") },
    // The server's own set: the build task's problems go to the matchers' owner, "zunt-build".
    diagnosticCollectionName: "zunt",
    middleware: {
      provideDefinition: async (document, position, token, next) => {
        const result = await next(document, position, token);
        await openAsWindows1251(targets(result));
        return result;
      },
      // A rename edits files that are not open: the editor opens them to apply
      // it, and a declarations file decoded as UTF-8 would be saved so.
      provideRenameEdits: async (document, position, newName, token, next) => {
        const edit = await next(document, position, newName, token);
        const left = edit ? await openAsWindows1251(edit.entries().map(([uri]) => uri)) : [];
        if (left.some((uri) => /\.txt$/i.test(uri.fsPath))) {
          const names = left.map((uri) => path.basename(uri.fsPath)).join(", ");
          throw new Error(`open ${names} first (as Windows-1251): this VS Code would read it in another encoding and save it so`);
        }
        return edit;
      },
    },
  };
  client = new LanguageClient("zunt", "zunt", serverOptions, clientOptions);
  client.start().catch((err: unknown) => {
    vscode.window.showErrorMessage(`zunt: the language server did not start (${serverOptions.command}): ${err}`);
  });
}

function toTask(def: TaskDefinition, folder: vscode.WorkspaceFolder | vscode.TaskScope, run: Invocation): vscode.Task {
  const task = new vscode.Task(def, folder, taskLabel(def), "zunt",
    new vscode.ProcessExecution(run.command, run.args, { cwd: run.cwd }), ["$zunt", "$zunt-file"]);
  task.group = vscode.TaskGroup.Build;
  return task;
}

function taskProvider(context: vscode.ExtensionContext): vscode.TaskProvider {
  const resolve = (def: TaskDefinition, folder?: vscode.WorkspaceFolder | vscode.TaskScope) => {
    const cwd = folder && typeof folder === "object" ? folder.uri.fsPath : os.homedir();
    return toTask(def, folder ?? vscode.TaskScope.Workspace, invocation(def, program(context), cwd));
  };
  return {
    provideTasks: () => {
      const tasks: vscode.Task[] = [];
      const doc = vscode.window.activeTextEditor?.document;
      // A mod's shared declarations build the mod, below.
      const ours = doc && doc.uri.scheme === "file" && ["zunt-script", "zunt-declarations"].includes(doc.languageId);
      if (doc && ours && !isInclude(doc.uri.fsPath, files)) {
        const def = scriptTask(doc.uri.fsPath);
        tasks.push(resolve(def, vscode.workspace.getWorkspaceFolder(doc.uri)));
      }
      const start = doc?.uri.scheme === "file" ? path.dirname(doc.uri.fsPath) : vscode.workspace.workspaceFolders?.[0]?.uri.fsPath;
      const toml = start ? findProject(start, files) : undefined;
      if (toml) tasks.push(resolve(projectTask(toml), vscode.workspace.getWorkspaceFolder(vscode.Uri.file(toml))));
      return tasks;
    },
    resolveTask: (task) => resolve(task.definition as TaskDefinition, task.scope),
  };
}

/** Asks the server to run a command on the active document; returns its answer's text, or says why not. */
async function commandText(command: string, languages: string[], fallback?: string): Promise<{ doc: vscode.TextDocument; text: string } | undefined> {
  const doc = vscode.window.activeTextEditor?.document;
  if (!doc || !languages.includes(doc.languageId)) return undefined;
  if (!client) {
    vscode.window.showErrorMessage("zunt: the language server is not running.");
    return undefined;
  }
  let text: string | undefined;
  try {
    const uri = doc.uri.toString();
    const result = await client.sendRequest("workspace/executeCommand", { command, arguments: [uri] });
    // A server whose command answers nothing may answer the request behind it.
    text = previewText(result) ?? (fallback ? previewText(await client.sendRequest(fallback, { textDocument: { uri } })) : undefined);
  } catch (err) {
    vscode.window.showErrorMessage(`zunt: ${err instanceof Error ? err.message : String(err)}`);
    return undefined;
  }
  if (text === undefined) {
    vscode.window.showErrorMessage(`zunt: the server returned nothing for ${command}.`);
    return undefined;
  }
  return { doc, text };
}

/** Shows a text of the server's beside the editor, read-only, under a path of its own. */
async function showBeside(previews: Map<string, string>, changed: vscode.EventEmitter<vscode.Uri>, where: string, text: string): Promise<void> {
  const uri = vscode.Uri.from({ scheme: PREVIEW_SCHEME, path: where });
  previews.set(uri.toString(), text);
  changed.fire(uri);
  const shown = await vscode.workspace.openTextDocument(uri);
  await vscode.window.showTextDocument(shown, { viewColumn: vscode.ViewColumn.Beside, preview: true, preserveFocus: true });
}

async function preview(previews: Map<string, string>, changed: vscode.EventEmitter<vscode.Uri>): Promise<void> {
  const answer = await commandText("zunt.preview", ["zunt-script"], "zunt/translate");
  if (answer) await showBeside(previews, changed, answer.doc.uri.path + ".preview.erm", answer.text);
}

/** The map of the variables of the active file's mod, beside it. */
async function variables(previews: Map<string, string>, changed: vscode.EventEmitter<vscode.Uri>): Promise<void> {
  const answer = await commandText("zunt.variables", ["zunt-script", "zunt-declarations"]);
  if (answer) await showBeside(previews, changed, path.posix.join(path.posix.dirname(answer.doc.uri.path), "variables of the mod.txt"), answer.text);
}

/** Starts everything when a script, a declarations file or a project is opened. */
export function activate(context: vscode.ExtensionContext): void {
  const warned = new Set<string>();
  const previews = new Map<string, string>();
  const changed = new vscode.EventEmitter<vscode.Uri>();
  context.subscriptions.push(
    vscode.workspace.onDidOpenTextDocument((doc) => checkDocument(doc, warned)),
    vscode.workspace.registerTextDocumentContentProvider(PREVIEW_SCHEME, {
      onDidChange: changed.event,
      provideTextDocumentContent: (uri) => previews.get(uri.toString()) ?? "",
    }),
    vscode.tasks.registerTaskProvider("zunt", taskProvider(context)),
    vscode.commands.registerCommand("zunt.previewTranslation", () => preview(previews, changed)),
    vscode.commands.registerCommand("zunt.showVariables", () => variables(previews, changed)),
    changed,
  );
  for (const doc of vscode.workspace.textDocuments) void checkDocument(doc, warned);
  startClient(context);
}

/** Stops the language server. */
export function deactivate(): Thenable<void> | undefined {
  return client?.stop();
}
