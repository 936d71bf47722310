# Sourced by the extension's scripts, in editors/vscode: installs Node.js and
# npm when missing (Debian's), and the pinned packages of package-lock.json
# with "npm ci" unless node_modules already holds exactly those.
source ../../scripts/deps.sh
command -v node >/dev/null || install_packages nodejs
command -v npm >/dev/null || install_packages npm
if ! cmp -s package-lock.json node_modules/.zunt-lock 2>/dev/null; then
  npm ci --no-audit --no-fund
  cp package-lock.json node_modules/.zunt-lock
fi
