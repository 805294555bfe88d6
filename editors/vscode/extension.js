'use strict';
// The editor side of Ombrik BASIC: starts `ombrik lsp` once a document of the
// dialect is open, offers build/run/sim tasks whose messages the $gcc problem
// matcher reads, and opens files with extra extensions as the dialect.
const fs = require('fs');
const path = require('path');
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

const LANGUAGE = 'ombrik';
const TASK_TYPE = 'ombrik';
const TASK_COMMANDS = ['build', 'run', 'sim'];
// The table a workspace uses when the setting names none.
const DEFAULT_TABLE = 'ombrik.table';

let client = null;

function settings(scope) {
  return vscode.workspace.getConfiguration('ombrik', scope);
}

function compilerPath(scope) {
  return settings(scope).get('path', 'ombrik') || 'ombrik';
}

// The server reads these from `initialize` and from every configuration
// change, and resolves relative paths against the workspace folder.
function serverSettings() {
  const s = settings();
  return { table: s.get('table', ''), includePaths: s.get('includePaths', []) };
}

function startClient() {
  if (client) return client;
  client = new LanguageClient(
    'ombrik',
    'Ombrik BASIC',
    { command: compilerPath(), args: ['lsp'] },
    {
      documentSelector: [
        { language: LANGUAGE, scheme: 'file' },
        { language: LANGUAGE, scheme: 'untitled' },
      ],
      initializationOptions: serverSettings(),
      synchronize: { configurationSection: 'ombrik' },
    },
  );
  client.start().catch((err) => {
    vscode.window.showErrorMessage(
      `Ombrik BASIC: cannot start "${compilerPath()} lsp" (${err.message}). Set ombrik.path to the compiler.`,
    );
  });
  return client;
}

async function stopClient() {
  const running = client;
  client = null;
  if (running) await running.stop();
}

function extraExtensions() {
  return settings()
    .get('fileExtensions', [])
    .map((e) => (e.startsWith('.') ? e : `.${e}`).toLowerCase());
}

// Documents with one of the extra extensions become documents of the dialect;
// the first document of the dialect starts the server.
function adopt(document) {
  if (document.languageId !== LANGUAGE) {
    if (document.uri.scheme === 'file' && extraExtensions().includes(path.extname(document.fileName).toLowerCase()))
      vscode.languages.setTextDocumentLanguage(document, LANGUAGE);
    return;
  }
  startClient();
}

// A task running `ombrik COMMAND FILE` in the file's workspace folder, with
// the workspace's table and include directories.
function makeTask(command, file, folder) {
  const scope = folder ? folder.uri : undefined;
  const cwd = folder ? folder.uri.fsPath : path.dirname(file);
  const args = [command, path.relative(cwd, file) || file];
  let table = settings(scope).get('table', '');
  if (!table && fs.existsSync(path.join(cwd, DEFAULT_TABLE))) table = DEFAULT_TABLE;
  if (table) args.push('-t', table);
  for (const dir of settings(scope).get('includePaths', [])) args.push('-I', dir);
  const task = new vscode.Task(
    { type: TASK_TYPE, command, file },
    folder || vscode.TaskScope.Workspace,
    `${command} ${path.basename(file)}`,
    TASK_TYPE,
    new vscode.ProcessExecution(compilerPath(scope), args, { cwd }),
    ['$gcc'],
  );
  if (command === 'build') task.group = vscode.TaskGroup.Build;
  return task;
}

function activeSource() {
  const editor = vscode.window.activeTextEditor;
  if (!editor || editor.document.languageId !== LANGUAGE || editor.document.uri.scheme !== 'file') return null;
  return editor.document.uri;
}

const taskProvider = {
  provideTasks() {
    const uri = activeSource();
    if (!uri) return [];
    const folder = vscode.workspace.getWorkspaceFolder(uri);
    return TASK_COMMANDS.map((command) => makeTask(command, uri.fsPath, folder));
  },
  resolveTask(task) {
    const { command, file } = task.definition;
    if (!TASK_COMMANDS.includes(command)) return undefined;
    const uri = file ? vscode.Uri.file(file) : activeSource();
    if (!uri) return undefined;
    const resolved = makeTask(command, uri.fsPath, vscode.workspace.getWorkspaceFolder(uri));
    resolved.definition = task.definition;
    return resolved;
  },
};

function activate(context) {
  context.subscriptions.push(
    vscode.tasks.registerTaskProvider(TASK_TYPE, taskProvider),
    vscode.workspace.onDidOpenTextDocument(adopt),
    vscode.workspace.onDidChangeConfiguration(async (event) => {
      // A different compiler needs a new server; other settings reach the
      // running one as a configuration change.
      if (event.affectsConfiguration('ombrik.path') && client) {
        await stopClient();
        startClient();
      }
      if (event.affectsConfiguration('ombrik.fileExtensions')) vscode.workspace.textDocuments.forEach(adopt);
    }),
    { dispose: () => stopClient() },
  );
  vscode.workspace.textDocuments.forEach(adopt);
}

function deactivate() {
  return stopClient();
}

module.exports = { activate, deactivate, makeTask, taskProvider };
