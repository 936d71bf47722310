#!/usr/bin/env bash
# Runs the setup under Wine as a scripted install would: silent installs and
# uninstalls, checking the files, every registry value it writes, the user's
# PATH (one entry, never two; a PATH too long to be read whole left intact),
# the Start menu folder, and Explorer's verbs run as Explorer runs them, from
# their command lines in the registry, on a Cyrillic-named script and on a
# mod's zunt.toml (the output written, the sound played).
#
# Usage: setup.sh SETUP_EXE STAGE_DIR SOURCE_DIR
#   STAGE_DIR: the staged files the setup was made from (build-win/setup)
#
# Works in a copy of the Wine prefix in WINEPREFIX (or a new one), so that
# its registry is this test's alone and `wineserver -w` waits for this test's
# processes only. Needs the ru_RU.UTF-8 locale and python3.
# shellcheck disable=SC2016 # "$" in single quotes is script text
set -u

setup=$(realpath "$1")
stage=$(realpath "$2")/files
source_dir=$(realpath "$3")
version=$(sed -n 's/^project(zunt VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")

export WINEDEBUG=-all
# No menu entries or file associations made for the desktop outside Wine.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=ru_RU.UTF-8
# shellcheck source=../checks.sh
source "$(dirname "$(realpath "$0")")/../checks.sh"
cleanup() {
  # Only this test's own server: the prefix given may be serving other tests.
  if [ "${WINEPREFIX:-}" = "$scratch/prefix" ]; then
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/system.reg" ]; then
  cp -a "$WINEPREFIX" "$scratch/prefix"
  rm -f "$scratch/prefix/wineserver"
else
  WINEPREFIX=$scratch/prefix wineboot -i </dev/null >/dev/null 2>&1
fi
export WINEPREFIX=$scratch/prefix
drive_c=$WINEPREFIX/drive_c

# Runs a Windows program.
win() { timeout 120 wine "$@" </dev/null >"$scratch/wine.log" 2>&1; }

win reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f || fail "reg add"

# Prints the values under HKCU's keys that the setup may touch, one a line:
# KEY | NAME | TYPE | DATA, sorted, in UTF-8.
registry() {
  rm -f "$scratch/export.reg"
  win reg export HKEY_CURRENT_USER "$scratch/export.reg" || : >"$scratch/export.reg"
  python3 - "$scratch/export.reg" <<'EOF'
import re, sys
KEYS = ("HKEY_CURRENT_USER\\Software\\Classes", "HKEY_CURRENT_USER\\Environment",
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall")
lines = []
for name in sys.argv[1:]:
    raw = open(name, "rb").read()
    text = raw.decode("utf-16") if raw[:2] == b"\xff\xfe" else raw.decode("utf-8", "replace")
    joined = re.sub(r"\\\r?\n\s*", "", text)
    key = None
    for line in joined.splitlines():
        if line.startswith("["):
            key = line[1:-1]
            if not any(key == k or key.startswith(k + "\\") for k in KEYS):
                key = None
            else:
                lines.append("%s |" % key)
            continue
        m = re.match(r'(@|"(?:[^"\\]|\\.)*")=(.*)$', line)
        if not m or key is None:
            continue
        value_name = "@" if m.group(1) == "@" else m.group(1)[1:-1].replace('\\"', '"').replace("\\\\", "\\")
        data = m.group(2)
        if data.startswith('"'):
            kind, value = "REG_SZ", data[1:-1].replace('\\"', '"').replace("\\\\", "\\")
        elif data.startswith("dword:"):
            kind, value = "REG_DWORD", str(int(data[6:], 16))
        elif data.startswith("hex(2):"):
            kind = "REG_EXPAND_SZ"
            value = bytes(int(b, 16) for b in data[7:].split(",") if b).decode("utf-16-le").rstrip("\0")
        else:
            kind, value = "OTHER", data
        lines.append("%s | %s | %s | %s" % (key, value_name, kind, value))
print("\n".join(sorted(lines)))
EOF
}

# The values in registry's listing after that are not in before.
added() { LC_ALL=C comm -13 <(printf '%s\n' "$1") <(printf '%s\n' "$2") | grep -v ' |$'; }

# The user's PATH as registry lists it.
user_path() { registry | sed -n 's/^HKEY_CURRENT_USER\\Environment | Path | [A-Z_]* | //p'; }

# The installed files against the staged ones: the same names and bytes, but
# for the uninstaller, and the texts that name C:\zunt, which name the folder.
check_files() {
  local folder=$1 windows=$2
  [ -d "$folder" ] || {
    fail "no folder $folder"
    return
  }
  diff <(cd "$stage" && find . -type f | sort) \
    <(cd "$folder" && find . -type f ! -name uninstall.exe | sort) >"$scratch/diff" ||
    fail "installed files differ: $(cat "$scratch/diff")"
  [ -f "$folder/uninstall.exe" ] || fail "no uninstall.exe"
  local file
  while IFS= read -r file; do
    if grep -q 'C:\\zunt' "$stage/$file"; then
      python3 -c 'import sys; d = open(sys.argv[1], "rb").read()
sys.stdout.buffer.write(d.replace(b"C:\\zunt", sys.argv[2].encode()))' "$stage/$file" "$windows" \
        >"$scratch/expected"
      cmp -s "$scratch/expected" "$folder/$file" || fail "$file does not name $windows"
    else
      cmp -s "$stage/$file" "$folder/$file" || fail "$file differs from the staged one"
    fi
  done < <(cd "$stage" && find . -type f | sed 's|^\./||')
}

# The registry values an install writes into a folder, as registry lists them.
expected_keys() {
  local folder=$1 classes='HKEY_CURRENT_USER\Software\Classes\SystemFileAssociations'
  local uninstall='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\zunt'
  local size
  size=$(find "$stage" -type f -printf '%s\n' | awk '{ total += $1 } END { print int((total + 1023) / 1024) }')
  LC_ALL=C sort <<EOF
$classes\\.erm\\shell\\zunt | @ | REG_SZ | Перевести (zunt)
$classes\\.erm\\shell\\zunt\\command | @ | REG_SZ | "$folder\\zunt.exe" --in-script-folder "%1"
$classes\\.toml\\shell\\zunt | @ | REG_SZ | Перевести мод (zunt)
$classes\\.toml\\shell\\zunt | AppliesTo | REG_SZ | System.FileName:="zunt.toml"
$classes\\.toml\\shell\\zunt\\command | @ | REG_SZ | "$folder\\zunt.exe" "%1"
$uninstall | DisplayIcon | REG_SZ | $folder\\zunt.exe
$uninstall | DisplayName | REG_SZ | zunt
$uninstall | DisplayVersion | REG_SZ | $version
$uninstall | EstimatedSize | REG_DWORD | $size
$uninstall | InstallLocation | REG_SZ | $folder
$uninstall | NoModify | REG_DWORD | 1
$uninstall | NoRepair | REG_DWORD | 1
$uninstall | PathEntry | REG_SZ | $folder
$uninstall | Publisher | REG_SZ | the zunt developers
$uninstall | QuietUninstallString | REG_SZ | "$folder\\uninstall.exe" /S
$uninstall | UninstallString | REG_SZ | "$folder\\uninstall.exe"
EOF
}

# --- An install into the default folder, with a short PATH of the user's.
win reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d 'C:\tools;%USERPROFILE%\bin' /f ||
  fail "reg add Path"
before=$(registry)
expect "setup /S exits with 0" win "$setup" /S
after=$(registry)
folder=$(sed -n 's/^.*\\Uninstall\\zunt | InstallLocation | REG_SZ | //p' <<<"$after")
case "$folder" in
  C:\\users\\*\\AppData\\Local\\Programs\\zunt) ;;
  *) fail "installed into [$folder], not %LOCALAPPDATA%\\Programs\\zunt" ;;
esac
unix_folder=$(winepath -u "$folder" 2>/dev/null)
check_files "$unix_folder" "$folder"
# Every value it wrote, and nothing else; the folder last on the PATH.
expected_keys "$folder" >"$scratch/expected"
added "$before" "$after" | grep -v '^HKEY_CURRENT_USER\\Environment | Path |' >"$scratch/added"
diff "$scratch/expected" "$scratch/added" >"$scratch/diff" ||
  fail "registry: $(cat "$scratch/diff")"
[ "$(user_path)" = "C:\\tools;%USERPROFILE%\\bin;$folder" ] || fail "PATH: $(user_path)"
expect "PATH keeps REG_EXPAND_SZ" grep -q '^HKEY_CURRENT_USER\\Environment | Path | REG_EXPAND_SZ' \
  <<<"$after"
start_menu=$(find "$drive_c/users" -maxdepth 8 -type d -path '*/Start Menu/Programs/zunt')
for link in README.lnk "Удалить zunt.lnk"; do
  [ -f "$start_menu/$link" ] || fail "no Start menu $link"
done

# --- Installed again: in place, the same keys, one PATH entry.
printf 'old' >"$unix_folder/zunt.exe"
expect "setup /S again exits with 0" win "$setup" /S
[ "$(registry)" = "$after" ] || fail "a second install changed the registry: $(diff <(echo "$after") <(registry))"
cmp -s "$stage/zunt.exe" "$unix_folder/zunt.exe" || fail "zunt.exe not replaced"

# --- The verbs, run as Explorer runs them: the command line from the
# registry, %1 the file's path, in a working folder of Explorer's choosing.
# The sound goes through ALSA into a file.
capture=$scratch/capture.raw
cat >"$scratch/asound.conf" <<EOF
pcm.!default {
  type file
  slave.pcm { type null }
  file "$capture"
  format "raw"
}
EOF
tail -c +45 "$stage/success.wav" >"$scratch/samples"
# run_verb EXTENSION FILE: runs the verb on FILE (a Windows path) in another folder.
run_verb() {
  local command
  command=$(sed -n "s/^.*\\\\$1\\\\shell\\\\zunt\\\\command | @ | REG_SZ | //p" <<<"$after")
  command=${command//%1/$2}
  local -a words
  # The command line's words: quoted stretches, separated by blanks.
  mapfile -t words < <(python3 -c 'import shlex, sys; print("\n".join(shlex.split(sys.argv[1], posix=False)))' \
    "$command" | sed 's/^"\(.*\)"$/\1/')
  local attempt status
  for attempt in 1 2; do
    rm -f "$capture"
    (cd "$scratch/work" && ALSA_CONFIG_PATH=$scratch/asound.conf win "${words[@]}")
    status=$?
    # On a busy machine wine's sound driver now and then passes on more or
    # fewer samples than the file holds: the run is made once more.
    if [ "$status" != 0 ] || [ "$attempt" = 2 ] || cmp -s "$capture" "$scratch/samples"; then
      break
    fi
    echo "  (the sound reached the device as $(stat -c %s "$capture" 2>&1) bytes; the run is made again)"
  done
  return "$status"
}
mkdir -p "$drive_c/моды/квест" "$scratch/work"
printf 'HERO = y100\r\n(ИМЯ) = \x27путь\x27\r\n' | cp1251 >"$drive_c/моды/квест/квест.txt"
printf '$HERO$ (ИМЯ)\r\n' | cp1251 >"$drive_c/моды/квест/квест.erm"
printf 'y100 путь\r\n' | cp1251 >"$scratch/expected"
expect "the .erm verb exits with 0" run_verb .erm 'C:\моды\квест\квест.erm'
cmp -s "$drive_c/моды/квест.erm" "$scratch/expected" || fail "the .erm verb's output"
cmp -s "$capture" "$scratch/samples" || fail "the .erm verb played no sound"

cp -r "$source_dir/examples/mod" "$drive_c/моды/"
expect "the zunt.toml verb exits with 0" run_verb .toml 'C:\моды\mod\zunt.toml'
printf 'ZVSE\r\n!#VRv1:S0; Рыцари севера: y100 at level 10\r\n!!VRy100:S0500;\r\n' |
  cp1251 >"$scratch/expected"
cmp -s "$drive_c/моды/mod/build/heroes.erm" "$scratch/expected" || fail "the mod's heroes.erm"
grep -q 'VRv501:Sy100;' "$drive_c/моды/mod/build/towns.erm" || fail "the mod's towns.erm"
cmp -s "$capture" "$scratch/samples" || fail "the mod played not one sound"

# --- Uninstalled: every key, file and the PATH entry gone, nothing else.
quiet=$(sed -n 's/^.*\\Uninstall\\zunt | QuietUninstallString | REG_SZ | "\(.*\)" \/S$/\1/p' <<<"$after")
# It copies itself aside and returns at once: wineserver -w waits for the copy.
expect "uninstall /S exits with 0" win "$quiet" /S
timeout 120 wineserver -w
[ "$(registry)" = "$before" ] || fail "the registry after uninstalling: $(diff <(echo "$before") <(registry))"
[ ! -e "$unix_folder" ] || fail "left behind: $(find "$unix_folder")"
[ -n "$start_menu" ] && [ -e "$start_menu" ] && fail "the Start menu folder is left"

# --- A PATH too long to be read whole stays as it is, through an install
# into a Cyrillic folder, another over it into C:\zunt (which uninstalls the
# first) and the uninstall. The user's own file stays, with its folder.
long='C:\long'
while [ ${#long} -lt 2000 ]; do long+=';C:\folder'; done
win reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$long" /f || fail "reg add a long Path"
before=$(registry)
cyrillic=$drive_c/Программы/зунт
expect "setup /S /D= exits with 0" win "$setup" /S '/D=C:\Программы\зунт'
[ "$(user_path)" = "$long" ] || fail "a long PATH changed: $(user_path)"
check_files "$cyrillic" 'C:\Программы\зунт'
printf 'mine' >"$cyrillic/мой.txt"
expect "setup /S into another folder exits with 0" win "$setup" /S '/D=C:\zunt'
check_files "$drive_c/zunt" 'C:\zunt'
[ "$(cd "$cyrillic" && find . | sort | tr '\n' ' ')" = ". ./мой.txt " ] ||
  fail "the older install's folder holds: $(find "$cyrillic")"
expect "uninstall /S exits with 0" win 'C:\zunt\uninstall.exe' /S
timeout 120 wineserver -w
[ "$(registry)" = "$before" ] || fail "the registry after uninstalling: $(diff <(echo "$before") <(registry))"
[ ! -e "$drive_c/zunt" ] || fail "left behind: $(find "$drive_c/zunt")"

echo "the setup: $(stat -c %s "$setup") bytes"
summary setup
