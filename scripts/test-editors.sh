#!/usr/bin/env bash
# The editors' files (editors/): the VS Code extension's grammars and its own
# logic under node's test runner, the extension in a real VS Code
# (tests/editors/vscode.sh), vim and neovim, emacs, and the Notepad++ files.
# Installs what it needs (Node.js, npm's pinned packages, neovim, emacs-nox,
# elpa-eglot, xmllint; code-server and chromium for VS Code).
# Usage: test-editors.sh [ZUNT]   (default: build/zunt)
set -euo pipefail
cd "$(dirname "$0")/.."
zunt=$(realpath "${1:-build/zunt}")
source scripts/deps.sh
install_packages neovim emacs-nox elpa-eglot libxml2-utils unzip
command -v vim >/dev/null || install_packages vim-nox
status=0

echo "=== VS Code extension"
(
  cd editors/vscode
  source ./setup.sh
  npx --no-install tsc -p .
  ZUNT=$zunt node --test test/*.test.js
) || status=1

echo "=== VS Code itself (code-server in chromium)"
bash tests/editors/vscode.sh "$zunt" || status=1

echo "=== vim and neovim"
bash tests/editors/vim.sh "$zunt" || status=1
bash tests/editors/neovim-client.sh "$zunt" || status=1

echo "=== emacs"
bash tests/editors/emacs.sh "$zunt" || status=1

echo "=== Notepad++"
bash tests/editors/notepad++.sh "$zunt" || status=1

echo "=== The README's settings for Helix and Notepad++"
bash tests/editors/readme.sh || status=1
exit $status
