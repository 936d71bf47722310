#!/usr/bin/env bash
# The Notepad++ files: the User Defined Languages are well-formed UDL 2.1 with
# every keyword list and style Notepad++ reads, the delimiters the formats
# need, the NppExec script runs zunt-cli.exe in the file's folder, and the
# guide's highlight masks match the program's real messages.
# Usage: notepad++.sh ZUNT
set -u
zunt=$(realpath "$1")
repo=$(cd "$(dirname "$0")/../.." && pwd)
dir=$repo/editors/notepad++
# shellcheck source=../checks.sh
source "$repo/tests/checks.sh"
xpath() { xmllint --xpath "$2" "$dir/$1" 2>/dev/null; }

for udl in zunt-script.udl.xml zunt-declarations.udl.xml; do
  expect "$udl is well-formed" xmllint --noout "$dir/$udl"
  expect "$udl: UDL 2.1" test "$(xpath "$udl" 'string(/NotepadPlus/UserLang/@udlVersion)')" = 2.1
  expect "$udl: 28 keyword lists" test "$(xpath "$udl" 'count(//KeywordLists/Keywords)')" = 28
  expect "$udl: 24 styles" test "$(xpath "$udl" 'count(//Styles/WordsStyle)')" = 24
  expect "$udl: ; starts a comment" test "$(xpath "$udl" 'string(//Keywords[@name="Comments"])')" = "00; 01 02 03 04"
done
delimiters() { xpath "$1" 'string(//Keywords[@name="Delimiters"])'; }
expect "script: .erm files" test "$(xpath zunt-script.udl.xml 'string(//UserLang/@ext)')" = erm
expect "script: \$, @ and ( references end on their line" \
  grep -q '^00\$ 01 02\$ ((EOL)) 03@ 04 05@ ((EOL)) 06( 07 08) ((EOL)) ' <<<"$(delimiters zunt-script.udl.xml)"
expect "script: ^strings^ and back-quoted stretches hold references" \
  test "$(xpath zunt-script.udl.xml 'string(//WordsStyle[@name="DELIMITERS4"]/@nesting)')$(xpath zunt-script.udl.xml 'string(//WordsStyle[@name="DELIMITERS5"]/@nesting)')" = 77
expect "declarations: no extension of their own" test -z "$(xpath zunt-declarations.udl.xml 'string(//UserLang/@ext)')"
expect "declarations: 'text' over several lines" grep -q "^00' 01 02' 03(" <<<"$(delimiters zunt-declarations.udl.xml)"
expect "NppExec: saves, goes to the file's folder, runs zunt-cli.exe" \
  test "$(grep -v '^//' "$dir/zunt.nppexec.txt" | tr -d '\r')" = 'NPP_SAVE
cd "$(CURRENT_DIRECTORY)"
"C:\zunt\zunt-cli.exe" -- "$(NAME_PART)"'

# The masks of the guide as regular expressions, against the messages of a
# script with an error and a declarations file with a warning.
mkdir -p "$scratch/mod"
printf 'ZVSE\r\n!!VR$NOPE$;\r\n' >"$scratch/mod/bad.erm"
printf 'HERO = y100\n' >"$scratch/mod/bad.txt"
(cd "$scratch/mod" && "$zunt" bad 2>&1 | grep -v '^ ' >"$scratch/messages")
masks=$(sed -n 's/^ *\(%FILE%.*\)\r$/\1/p' "$dir/README.txt" | sort -u)
expect "guide: two masks" test "$(wc -l <<<"$masks")" = 2
while read -r message; do
  matched=0
  while read -r mask; do
    regex=$(sed 's/[.[\^$]/\\&/g; s/%FILE%/.+/; s/%LINE%/[0-9]+/; s/%CHAR%/[0-9]+/; s/\*/.*/' <<<"$mask")
    grep -qE "^$regex\$" <<<"$message" && matched=1
  done <<<"$masks"
  expect "a mask matches: $message" test "$matched" = 1
done <"$scratch/messages"
expect "both kinds of message were tried" test "$(grep -c ': error: \|: warning: ' "$scratch/messages")" = 2
summary notepad++
