#!/usr/bin/env bash
# Makes a platform-specific .vsix of the extension with the given program in
# its bin/: bundles the extension with esbuild and packages it with vsce.
# Usage: package.sh PROGRAM TARGET OUTPUT   (TARGET: linux-x64, win32-x64)
set -euo pipefail
program=$(realpath "$1")
target=$2
output=$(realpath -m "$3")
cd "$(dirname "$0")"
source ./setup.sh
rm -rf bin bundle
mkdir bin
cp ../../LICENSE LICENSE.txt
case $target in
  win32-*) name=zunt-cli.exe strip=x86_64-w64-mingw32-strip ;;
  *) name=zunt strip=strip ;;
esac
"$strip" -o "bin/$name" "$program"
chmod 755 "bin/$name"
npm run -s bundle
npx --no-install vsce package --target "$target" --allow-missing-repository -o "$output" </dev/null
rm -rf bin LICENSE.txt
