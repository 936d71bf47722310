#!/usr/bin/env bash
# The extension in a real VS Code: code-server and playwright-core installed
# once under ~/.cache (tests/editors/vscode/install.sh), the .vsix made with
# the given zunt, and tests/editors/vscode/check.js driving it in chromium.
# Screenshots of failed checks go to build/vscode-check/.
# Usage: vscode.sh ZUNT
set -euo pipefail
zunt=$(realpath "$1")
repo=$(cd "$(dirname "$0")/../.." && pwd)
here=$repo/tests/editors/vscode
start=$SECONDS
installed=$(bash "$here/install.sh")
echo "code-server ready in $((SECONDS - start)) s: $installed"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
bash "$repo/editors/vscode/package.sh" "$zunt" linux-x64 "$scratch/zunt.vsix" >"$scratch/package.log" 2>&1 ||
  { cat "$scratch/package.log"; exit 1; }
artifacts=$repo/build/vscode-check
rm -rf "$artifacts"
start=$SECONDS
status=0
timeout 300 node "$here/check.js" "$installed" "$scratch/zunt.vsix" "$artifacts" || status=$?
echo "the VS Code check took $((SECONDS - start)) s"
exit $status
