// SPDX-License-Identifier: MIT
// Starts `pylocheck --lsp` as the language server of PYLO configuration files. Everything the
// editor shows (findings, quick fixes, completion, hover, outline) comes from the server; this
// file only launches it and restarts it when its path is changed.
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

// The server as the settings name it. No transport is given: without one the client talks
// over stdin and stdout, the only channel pylocheck has, and adds no "--stdio" to the command.
function serverOptions() {
  const command = vscode.workspace.getConfiguration('pylo').get('server.path') || 'pylocheck';
  return { command, args: ['--lsp'] };
}

function startClient() {
  client = new LanguageClient('pylo', 'pylocheck', serverOptions(), {
    documentSelector: [{ language: 'pylo' }],
  });
  // A missing or failing program is shown by the client itself, with its output panel.
  client.start().catch(() => {});
}

async function restartClient() {
  if (client) await client.stop().catch(() => {});
  startClient();
}

function activate(context) {
  startClient();
  context.subscriptions.push(
    vscode.commands.registerCommand('pylo.restartServer', restartClient),
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (event.affectsConfiguration('pylo.server.path')) restartClient();
    }),
  );
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
