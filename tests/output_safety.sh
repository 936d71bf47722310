#!/usr/bin/env bash
# Runs the real program where its output would replace one of its inputs, or
# names a symbolic link, a descriptor or a pipe, or belongs to another user,
# and kills it at random moments of a large run: no input is lost, no
# temporary file is left, the old output stays whole, and a replaced one
# keeps its owner, mode and ACL.
# Usage: output_safety.sh ZUNT
set -u
zunt=$(realpath "$1")
# shellcheck source=checks.sh
source "$(dirname "$(realpath "$0")")/checks.sh"

# run FOLDER ARGUMENT: runs the program in FOLDER; its status in $status, its stderr in $scratch/err.
run() {
  (cd "$1" && "$zunt" "$2" >/dev/null 2>"$scratch/err")
  status=$?
}

# names FOLDER: the folder's entries, hidden ones included, on one line.
names() { echo $(ls -A "$1"); }

same_message="Выходной ЕРМ файл совпадает с исходным файлом"

# quest FOLDER BASE: a small pair of files BASE.txt and BASE.erm in FOLDER.
quest() {
  mkdir -p "$1"
  printf 'HERO = y100\r\n' >"$1/$2.txt"
  printf 'set $HERO$;\r\n' >"$1/$2.erm"
  cp "$1/$2.erm" "$scratch/script"
}

# The output path comes back to the script itself: from src/tools, "../heroes"
# names src/heroes.erm, and so does the output "../heroes.erm".
rm -rf "$scratch/tree" && quest "$scratch/tree/src" heroes && mkdir "$scratch/tree/src/tools"
run "$scratch/tree/src/tools" ../heroes
expect "same file by ../: exit status 1 (was $status)" test "$status" = 1
expect "same file by ../: message" grep -q "$same_message" "$scratch/err"
expect "same file by ../: script kept" cmp -s "$scratch/tree/src/heroes.erm" "$scratch/script"
expect "same file by ../: nothing else" test "$(names "$scratch/tree/src")" = "heroes.erm heroes.txt tools"

# The output is a hard link or a symbolic link to the script.
for kind in hard symbolic; do
  rm -rf "$scratch/tree" && quest "$scratch/tree/work" quest
  if [ $kind = hard ]; then
    ln "$scratch/tree/work/quest.erm" "$scratch/tree/quest.erm"
  else
    ln -s work/quest.erm "$scratch/tree/quest.erm"
  fi
  run "$scratch/tree/work" quest
  expect "same file by $kind link: exit status 1 (was $status)" test "$status" = 1
  expect "same file by $kind link: message" grep -q "$same_message" "$scratch/err"
  expect "same file by $kind link: script kept" cmp -s "$scratch/tree/work/quest.erm" "$scratch/script"
  expect "same file by $kind link: nothing else" test "$(names "$scratch/tree")" = "quest.erm work"
done

# An output that is a symbolic link into another folder is written through.
rm -rf "$scratch/tree" && quest "$scratch/tree/work" quest && mkdir "$scratch/tree/game"
printf 'old' >"$scratch/tree/game/quest.erm"
ln -s game/quest.erm "$scratch/tree/quest.erm"
run "$scratch/tree/work" quest
expect "symbolic link: exit status 0 (was $status)" test "$status" = 0
expect "symbolic link: still a link" test "$(readlink "$scratch/tree/quest.erm")" = game/quest.erm
expect "symbolic link: target written" test "$(cat "$scratch/tree/game/quest.erm")" = $'set y100;\r'
expect "symbolic link: nothing else" test "$(names "$scratch/tree") $(names "$scratch/tree/game")" = "game quest.erm work quest.erm"

# Outputs that name a descriptor are written to it once the run has
# succeeded, whatever it leads to: appended to a log, sent down a pipe. A pipe
# with no reader is an error with its reason at once, not a wait.
rm -rf "$scratch/tree" && quest "$scratch/tree" quest && printf 'log\n' >"$scratch/tree/log"
mkfifo "$scratch/tree/fifo"
translated=$'set y100;\r'
(cd "$scratch/tree" && "$zunt" -o /dev/stdout quest >>log 2>"$scratch/err")
status=$?
expect "-o /dev/stdout >>: exit status 0 (was $status)" test "$status" = 0
expect "-o /dev/stdout >>: appended" test "$(cat "$scratch/tree/log")" = "log"$'\n'"$translated"
piped=$(cd "$scratch/tree" && "$zunt" -o /dev/stdout quest 2>&1 | od -c)
expect "-o /dev/stdout |: sent down the pipe" test "$piped" = "$(printf 'set y100;\r\n' | od -c)"
(cd "$scratch/tree" && "$zunt" -o /dev/fd/3 quest 3>>log 2>"$scratch/err")
expect "-o /dev/fd/3 >>: appended" test "$(cat "$scratch/tree/log")" = \
  "log"$'\n'"$translated"$'\n'"$translated"
(cd "$scratch/tree" && "$zunt" -o - quest >/dev/full 2>"$scratch/err")
expect "-o - >/dev/full: error and reason" test "$(cat "$scratch/err")" = \
  "-: error: Не могу записать выходной ЕРМ файл скрипта!
-: note: на диске нет места"
(cd "$scratch/tree" && timeout 10 "$zunt" -o fifo quest 2>"$scratch/err")
status=$?
expect "fifo with no reader: exit status 1 (was $status)" test "$status" = 1
expect "fifo with no reader: error and reason" test "$(cat "$scratch/err")" = \
  "fifo: error: Не могу создать выходной ЕРМ файл скрипта!
fifo: note: никто не читает из канала"
expect "descriptors: nothing else" test "$(names "$scratch/tree")" = "fifo log quest.erm quest.txt"

# As root, a replaced output keeps its owner, group and set-ID bits; another
# user who cannot give it the owner makes it his own, without those bits. An
# ACL goes with the output, and so does an attribute.
if [ "$(id -u)" != 0 ] || ! command -v setpriv >/dev/null; then
  echo "note: not root, or no setpriv: owners not checked"
else
  rm -rf "$scratch/tree" && quest "$scratch/tree/work" quest && chmod 755 "$scratch" &&
    chmod -R a+rwX "$scratch/tree"
  # case: RUN-AS OLD-OWNER OLD-MODE NEW-OWNER NEW-MODE
  while read -r as old_owner old_mode new_owner new_mode; do
    printf 'old\r\n' >"$scratch/tree/quest.erm"
    chown "$old_owner" "$scratch/tree/quest.erm" && chmod "$old_mode" "$scratch/tree/quest.erm"
    (cd "$scratch/tree/work" && setpriv --reuid="$as" --regid="$as" --clear-groups "$zunt" quest)
    expect "$as replaces $old_owner $old_mode: written" cmp -s "$scratch/tree/quest.erm" - <<<"$translated"
    got=$(stat -c '%u:%g %a' "$scratch/tree/quest.erm")
    expect "$as replaces $old_owner $old_mode: $got" test "$got" = "$new_owner $new_mode"
  done <<'CASES'
0 4321:4321 6755 4321:4321 6755
0 4321:4322 640 4321:4322 640
5678 4321:4321 6757 5678:5678 757
5678 5678:5678 4755 5678:5678 4755
CASES
  printf 'old\r\n' >"$scratch/tree/quest.erm" && chmod 640 "$scratch/tree/quest.erm"
  if ! setfacl -m u:4321:rw- "$scratch/tree/quest.erm" 2>/dev/null; then
    echo "note: no setfacl, or no ACLs on $(stat -f -c %T "$scratch"): ACLs not checked"
  else
    acl=$(getfacl -cp "$scratch/tree/quest.erm")
    (cd "$scratch/tree/work" && "$zunt" quest)
    expect "ACL: written" cmp -s "$scratch/tree/quest.erm" - <<<"$translated"
    expect "ACL: kept" test "$(getfacl -cp "$scratch/tree/quest.erm")" = "$acl"
    expect "ACL: group bits are the mask" test "$(stat -c %a "$scratch/tree/quest.erm")" = 660
  fi
fi

# A large run killed at random moments: the output is the old one or the new
# one, byte for byte, and nothing else is left in its folder. A killed run can
# leave its temporary file only where the file system has no unnamed files.
rm -rf "$scratch/tree" && mkdir -p "$scratch/tree/work"
work=$scratch/tree/work
printf 'HERO = y100\r\nGOLD = v0500\r\n(START) = '"'"'5'"'"'\r\n' >"$work/quest.txt"
yes 'do $HERO$ then @GOLD@ and (START); and plain text copied as it is' | head -n 450000 >"$work/quest.erm"
start=$(date +%s%N)
run "$work" quest
took_ms=$((($(date +%s%N) - start) / 1000000 + 1))
expect "large run: exit status 0 (was $status)" test "$status" = 0
mv "$scratch/tree/quest.erm" "$scratch/new"
printf 'old output\r\n' >"$scratch/old"
case $(stat -f -c %T "$scratch") in
  ext2/ext3 | xfs | btrfs | tmpfs | f2fs) unnamed=yes ;;
  *) unnamed=no && echo "note: $(stat -f -c %T "$scratch") may have no unnamed files: temporary files not looked for" ;;
esac
kept=0
for try in 1 2 3 4 5 6 7 8 9 10; do
  cp "$scratch/old" "$scratch/tree/quest.erm"
  (cd "$work" && exec "$zunt" quest 2>/dev/null) &
  pid=$!
  delay_ms=$((RANDOM % (took_ms + took_ms / 4 + 1)))
  sleep "$((delay_ms / 1000)).$(printf %03d $((delay_ms % 1000)))"
  kill -KILL $pid 2>/dev/null
  wait $pid 2>/dev/null
  out=$scratch/tree/quest.erm
  if cmp -s "$out" "$scratch/old"; then
    kept=$((kept + 1))
  else
    expect "killed after ${delay_ms} ms: output whole" cmp -s "$out" "$scratch/new"
  fi
  if [ $unnamed = yes ]; then
    expect "killed after ${delay_ms} ms: nothing left" test "$(names "$scratch/tree")" = "quest.erm work"
  fi
  find "$scratch/tree" -mindepth 1 -maxdepth 1 ! -name quest.erm ! -name work -exec rm -rf {} +
done

echo "killed runs: $kept of 10 before the output was replaced (a run takes ${took_ms} ms)"
summary output_safety
