'use strict';
// The extension's own logic, run under Node with stand-ins for the editor's
// API and the language client: when the server starts and with what, the
// tasks it offers, and the extra file extensions.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const Module = require('module');

const stage = process.env.OMBRIK_VSCODE_STAGE || path.join(__dirname, '..');

// What the stand-ins saw.
const seen = { clients: [], languageChanges: [], taskProviders: [], errors: [] };
let settingsValues = {};
let openDocuments = [];
let activeEditor;
const handlers = {};

class Task {
  constructor(definition, scope, name, source, execution, problemMatchers) {
    Object.assign(this, { definition, scope, name, source, execution, problemMatchers });
  }
}
class ProcessExecution {
  constructor(process, args, options) {
    Object.assign(this, { process, args, options });
  }
}

const vscode = {
  TaskScope: { Workspace: 'workspace' },
  TaskGroup: { Build: 'build-group' },
  Task,
  ProcessExecution,
  Uri: { file: (p) => ({ scheme: 'file', fsPath: p }) },
  workspace: {
    getConfiguration: () => ({
      get: (key, fallback) => (key in settingsValues ? settingsValues[key] : fallback),
    }),
    get textDocuments() {
      return openDocuments;
    },
    getWorkspaceFolder: (uri) => workspaceFolder(uri),
    onDidOpenTextDocument: (f) => ((handlers.open = f), { dispose() {} }),
    onDidChangeConfiguration: (f) => ((handlers.config = f), { dispose() {} }),
  },
  window: {
    get activeTextEditor() {
      return activeEditor;
    },
    showErrorMessage: (m) => seen.errors.push(m),
  },
  languages: {
    setTextDocumentLanguage: (doc, id) => {
      seen.languageChanges.push([doc.fileName, id]);
      return Promise.resolve(doc);
    },
  },
  tasks: {
    registerTaskProvider: (type, provider) => (seen.taskProviders.push([type, provider]), { dispose() {} }),
  },
};

class LanguageClient {
  constructor(id, name, serverOptions, clientOptions) {
    Object.assign(this, { id, name, serverOptions, clientOptions, stopped: false });
    seen.clients.push(this);
  }
  start() {
    return Promise.resolve();
  }
  stop() {
    this.stopped = true;
    return Promise.resolve();
  }
}

const originalLoad = Module._load;
Module._load = function (request, parent, isMain) {
  if (request === 'vscode') return vscode;
  if (request === 'vscode-languageclient/node') return { LanguageClient };
  return originalLoad.call(this, request, parent, isMain);
};
const extension = require(path.join(stage, 'extension.js'));

const workspaceRoot = fs.mkdtempSync(path.join(os.tmpdir(), 'ombrik-ext-'));
function workspaceFolder(uri) {
  return uri.fsPath.startsWith(workspaceRoot + path.sep) ? { uri: { fsPath: workspaceRoot } } : undefined;
}
function document(file, languageId) {
  return { fileName: file, languageId, uri: { scheme: 'file', fsPath: file } };
}

test('the server starts with the first document of the dialect, as `ombrik lsp`', () => {
  settingsValues = { path: '/opt/ombrik/bin/ombrik', table: 'boards/cortex.table', includePaths: ['lib'] };
  openDocuments = [document(path.join(workspaceRoot, 'notes.txt'), 'plaintext')];
  const context = { subscriptions: [] };
  extension.activate(context);
  assert.strictEqual(seen.clients.length, 0, 'no server without a document of the dialect');
  assert.deepStrictEqual(seen.taskProviders.map(([type]) => type), ['ombrik']);

  handlers.open(document(path.join(workspaceRoot, 'main.bas'), 'ombrik'));
  handlers.open(document(path.join(workspaceRoot, 'lib.bas'), 'ombrik'));
  assert.strictEqual(seen.clients.length, 1, 'one server for all documents');
  const client = seen.clients[0];
  assert.deepStrictEqual(client.serverOptions, { command: '/opt/ombrik/bin/ombrik', args: ['lsp'] });
  assert.deepStrictEqual(client.clientOptions.initializationOptions, {
    table: 'boards/cortex.table',
    includePaths: ['lib'],
  });
  assert.deepStrictEqual(client.clientOptions.synchronize, { configurationSection: 'ombrik' });
  assert.ok(client.clientOptions.documentSelector.some((s) => s.language === 'ombrik' && s.scheme === 'file'));
});

test('a new compiler path restarts the server', async () => {
  settingsValues = { path: 'ombrik-2' };
  await handlers.config({ affectsConfiguration: (key) => key === 'ombrik.path' });
  assert.strictEqual(seen.clients.length, 2);
  assert.ok(seen.clients[0].stopped);
  assert.strictEqual(seen.clients[1].serverOptions.command, 'ombrik-2');
});

test('files with an extra extension open as the dialect', async () => {
  settingsValues = { fileExtensions: ['.bs', 'BI'] };
  const extra = document(path.join(workspaceRoot, 'a.BS'), 'plaintext');
  const other = document(path.join(workspaceRoot, 'b.txt'), 'plaintext');
  const include = document(path.join(workspaceRoot, 'c.bi'), 'plaintext');
  openDocuments = [extra, other];
  await handlers.config({ affectsConfiguration: (key) => key === 'ombrik.fileExtensions' });
  handlers.open(include);
  assert.deepStrictEqual(seen.languageChanges, [
    [extra.fileName, 'ombrik'],
    [include.fileName, 'ombrik'],
  ]);
});

test('build, run and sim tasks for the active file use $gcc and the workspace table', () => {
  settingsValues = { includePaths: ['inc', '/abs/inc'] };
  fs.writeFileSync(path.join(workspaceRoot, 'ombrik.table'), '');
  const file = path.join(workspaceRoot, 'src', 'main.bas');
  activeEditor = { document: document(file, 'ombrik') };
  const provider = seen.taskProviders[0][1];
  const tasks = provider.provideTasks();
  assert.deepStrictEqual(
    tasks.map((t) => [t.name, t.execution.process, t.execution.args, t.execution.options.cwd, t.problemMatchers]),
    ['build', 'run', 'sim'].map((command) => [
      `${command} main.bas`,
      'ombrik',
      [command, path.join('src', 'main.bas'), '-t', 'ombrik.table', '-I', 'inc', '-I', '/abs/inc'],
      workspaceRoot,
      ['$gcc'],
    ]),
  );
  assert.strictEqual(tasks[0].group, 'build-group');
  assert.strictEqual(tasks[1].group, undefined);

  // A task from tasks.json names its command and file; the table setting wins.
  settingsValues = { table: '/boards/arm7.table' };
  const resolved = provider.resolveTask(new Task({ type: 'ombrik', command: 'run', file }, 'workspace'));
  assert.deepStrictEqual(resolved.execution.args, ['run', path.join('src', 'main.bas'), '-t', '/boards/arm7.table']);
  assert.strictEqual(provider.resolveTask(new Task({ type: 'ombrik', command: 'flash' }, 'workspace')), undefined);

  activeEditor = { document: document(path.join(workspaceRoot, 'x.txt'), 'plaintext') };
  assert.deepStrictEqual(provider.provideTasks(), []);
});

test('a file outside any workspace folder builds in its own directory', () => {
  settingsValues = {};
  const task = extension.makeTask('build', '/elsewhere/blink.bas', undefined);
  assert.deepStrictEqual(task.execution.args, ['build', 'blink.bas']);
  assert.strictEqual(task.execution.options.cwd, '/elsewhere');
  assert.strictEqual(task.scope, 'workspace');
});

test.after(() => fs.rmSync(workspaceRoot, { recursive: true, force: true }));
