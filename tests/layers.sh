#!/usr/bin/env bash
# Checks that each folder under src/ includes only itself and the folders
# below it: base < cursor < symbols < translator < platform < project <
# driver, server. The two top folders stand side by side: the programs in
# driver/ start the language server in server/, which uses none of driver/.
# Usage: layers.sh SRC_DIR
set -u
layers=(base cursor symbols translator platform project "driver server")
rank() {
  local i word
  for i in "${!layers[@]}"; do
    for word in ${layers[$i]}; do [ "$word" = "$1" ] && echo "$i" && return; done
  done
  echo 99
}
failures=0
for file in "$1"/*/*; do
  folder=$(basename "$(dirname "$file")")
  own=$(rank "$folder")
  while read -r used; do
    if [ "$(rank "$used")" -gt "$own" ]; then
      echo "FAIL: $file includes $used/, a layer above $folder/"
      failures=$((failures + 1))
    fi
  done < <(sed -n 's|^#include "\([a-z_]*\)/.*"|\1|p' "$file")
done
# The server is built from the readers, not from the command line's run.
while read -r file; do
  echo "FAIL: $file includes driver/, beside server/"
  failures=$((failures + 1))
done < <(grep -l '^#include "driver/' "$1"/server/* 2>/dev/null)
echo "layers: $failures failed"
[ "$failures" = 0 ]
