// A small stand-in for the `vscode` module and the language client: enough of
// their surface for the extension to activate, with every call recorded.
const Module = require("node:module");
const path = require("node:path");

function makeFake() {
  const calls = [];
  const handlers = {};
  const record = (name, ...args) => calls.push([name, ...args]);
  class Uri {
    constructor(scheme, p) {
      this.scheme = scheme;
      this.path = p;
      this.fsPath = p;
    }
    static file(p) {
      return new Uri("file", p);
    }
    static from({ scheme, path: p }) {
      return new Uri(scheme, p);
    }
    toString() {
      return `${this.scheme}://${this.path}`;
    }
  }
  const disposable = { dispose() {} };
  const vscode = {
    version: "1.100.0",
    Uri,
    ViewColumn: { Beside: -2 },
    TaskScope: { Workspace: 2 },
    TaskGroup: { Build: "build" },
    EventEmitter: class {
      constructor() {
        this.event = () => disposable;
      }
      fire(x) {
        record("fire", x.toString());
      }
      dispose() {}
    },
    Task: class {
      constructor(definition, scope, name, source, execution, matchers) {
        Object.assign(this, { definition, scope, name, source, execution, matchers });
      }
    },
    ProcessExecution: class {
      constructor(command, args, options) {
        Object.assign(this, { command, args, options });
      }
    },
    workspace: {
      textDocuments: [],
      workspaceFolders: [],
      settings: {},
      getConfiguration: () => ({ get: (key, dflt) => vscode.workspace.settings[key] ?? dflt }),
      onDidOpenTextDocument: (h) => ((handlers.open = h), disposable),
      registerTextDocumentContentProvider: (scheme, p) => ((handlers.content = p), record("content", scheme), disposable),
      createFileSystemWatcher: (glob) => (record("watch", glob), disposable),
      getWorkspaceFolder: () => undefined,
      openTextDocument: async (uri, options) => (record("openTextDocument", uri.toString(), options), { uri }),
    },
    languages: {
      setTextDocumentLanguage: async (doc, id) => record("setLanguage", doc.uri.fsPath, id),
    },
    window: {
      activeTextEditor: undefined,
      showWarningMessage: (m) => record("warning", m),
      showErrorMessage: (m) => record("error", m),
      showTextDocument: async (doc, options) => record("show", doc.uri.toString(), options),
    },
    tasks: { registerTaskProvider: (type, p) => ((handlers.tasks = p), record("taskProvider", type), disposable) },
    commands: { registerCommand: (id, f) => ((handlers[id] = f), record("command", id), disposable) },
  };
  const client = {
    answer: undefined,
    LanguageClient: class {
      constructor(id, name, server, options) {
        record("client", server, options.documentSelector.map((s) => s.language));
        client.options = options;
      }
      start() {
        return Promise.resolve();
      }
      stop() {
        return Promise.resolve();
      }
      sendRequest(method, params) {
        record("request", method, params);
        return Promise.resolve(typeof client.answer === "function" ? client.answer(method) : client.answer);
      }
    },
  };
  return { vscode, client, calls, handlers };
}

/** Loads the compiled extension with a fresh fake; returns the fake and the module. */
function loadExtension() {
  const fake = makeFake();
  const load = Module._load;
  Module._load = function (request, ...rest) {
    if (request === "vscode") return fake.vscode;
    if (request === "vscode-languageclient/node") return fake.client;
    return load.call(this, request, ...rest);
  };
  const file = require.resolve(path.join(__dirname, "..", "out", "extension.js"));
  delete require.cache[file];
  try {
    fake.extension = require(file);
  } finally {
    Module._load = load;
  }
  return fake;
}

module.exports = { loadExtension };
