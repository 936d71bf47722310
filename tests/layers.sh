#!/usr/bin/env bash
# Checks that each folder under src/ includes only itself and the folders
# below it: base < cursor < symbols < translator < platform < project < driver.
# Usage: layers.sh SRC_DIR
set -u
layers=(base cursor symbols translator platform project driver)
rank() {
  local i
  for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && echo "$i" && return; done
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
echo "layers: $failures failed"
[ "$failures" = 0 ]
