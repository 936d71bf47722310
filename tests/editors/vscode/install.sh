#!/usr/bin/env bash
# Installs code-server (a real VS Code) and playwright-core as package-lock.json
# pins them, into a folder under ~/.cache named after the lock file, Node's
# version and the machine, and prints that folder. A folder made before is
# used as it is. code-server's own install script would download ripgrep and
# prebuilt modules: its steps are done here with Debian's ripgrep and the
# native modules built against Node's headers in /usr/include/node.
# Usage: install.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/deps.sh"
install_packages nodejs chromium ripgrep build-essential pkg-config python3 \
  libkrb5-dev libxkbfile-dev libx11-dev libsecret-1-dev >&2
node_major=$(node -p 'process.versions.node.split(".")[0]')
if [ "$node_major" != 20 ] || [ ! -f /usr/include/node/node.h ]; then
  echo "install.sh: code-server 4.100.3 needs Node.js 20 with its headers; this is $(node --version)" >&2
  exit 1
fi
key=$( (cat "$here/package-lock.json"; node --version; uname -m; sed -n '/^# key/,$p' "$0") |
  sha256sum | cut -c1-16)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/zunt-vscode/$key
if [ -f "$cache/.complete" ]; then
  echo "$cache"
  exit 0
fi
# key: everything below changes what is installed.
rm -rf "$cache.part"
mkdir -p "$cache.part"
cd "$cache.part"
cp "$here/package.json" "$here/package-lock.json" .
npm ci --ignore-scripts --no-audit --no-fund >&2
(cd node_modules/argon2 && npm_config_nodedir=/usr npm rebuild --foreground-scripts >&2)
cd node_modules/code-server/lib/vscode
# Its shrinkwrap lacks a package (tslib): "npm ci" refuses it.
npm install --omit=dev --ignore-scripts --no-audit --no-fund >&2
gyp=$(dirname "$(realpath "$(command -v npm)")")/../node_modules/node-gyp/bin/node-gyp.js
for module in @vscode/spdlog node-pty native-watchdog kerberos @vscode/deviceid; do
  (cd "node_modules/$module" && npm_config_nodedir=/usr node "$gyp" rebuild -j 2 >&2)
done
mkdir -p node_modules/@vscode/ripgrep/bin
cp /usr/bin/rg node_modules/@vscode/ripgrep/bin/rg
ln -sfn node_modules node_modules.asar
ln -sfn code-linux.sh bin/remote-cli/code-server
ln -sfn browser-linux.sh bin/helpers/browser.sh
(cd extensions && npm install --omit=dev --no-audit --no-fund >&2)
cd "$cache.part"
node_modules/.bin/code-server --version >&2
touch .complete
rm -rf "$cache"
mv "$cache.part" "$cache"
echo "$cache"
