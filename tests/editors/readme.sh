#!/usr/bin/env bash
# The README's settings for the editors that cannot run here: Helix's
# languages.toml and NppLspClient's configuration are valid TOML with the
# keys those editors take, start "zunt --lsp" (zunt-cli.exe on Windows), and
# name the language as the editor packages do.
# Usage: readme.sh
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../checks.sh
source "$repo/tests/checks.sh"

# block WORD: the first indented block after the line that starts with
# "**WORD**" in the README's «Language server» section.
block() {
  awk -v word="**$1**" '/^## Language server/ { section = 1 }
    section && index($0, word) == 1 { found = 1; next }
    found && /^    / { block = 1; print substr($0, 5); next }
    found && block && /^$/ { print; next }
    found && block { exit }' "$repo/README.md"
}
block Helix >"$scratch/helix.toml"
block Notepad++ >"$scratch/npp.toml"
udl=$(sed -n 's/.*<UserLang name="\([^"]*\)" ext="erm".*/\1/p' "$repo/editors/notepad++/zunt-script.udl.xml")

same "README: the settings as the editors read them" "helix: zunt --lsp for *.erm, keys known
notepad++: C:\\zunt\\zunt-cli.exe --lsp for zunt script, keys known" "$(python3 - "$scratch" "$udl" <<'EOF2'
import sys, tomllib
scratch, udl = sys.argv[1], sys.argv[2]
try:
    helix = tomllib.load(open(f"{scratch}/helix.toml", "rb"))
    server = helix["language-server"]["zunt"]
    language = helix["language"][0]
    keys = {"name", "language-id", "scope", "injection-regex", "file-types", "shebangs", "roots",
            "comment-token", "comment-tokens", "block-comment-tokens", "indent", "grammar",
            "formatter", "auto-format", "diagnostic-severity", "language-servers"}
    known = set(server) <= {"command", "args", "environment", "config", "timeout"} and set(language) <= keys
    ok = language["language-servers"] == ["zunt"] and language["file-types"] == ["erm"]
    print(f"helix: {server['command']} {' '.join(server['args'])} for *.erm" if ok else "helix: wrong",
          "keys known" if known else "keys unknown", sep=", ")
except Exception as e:
    print(f"helix: {e!r}")
try:
    npp = tomllib.load(open(f"{scratch}/npp.toml", "rb"))
    (name, server), = npp["lspservers"].items()
    known = set(server) <= {"mode", "executable", "args", "auto_start_server", "port", "tcpretries"}
    # The plugin takes the language name in lower case; "io" is its one mode.
    ok = name == udl.lower() and server["mode"] == "io"
    print(f"notepad++: {server['executable']} {server['args']} for {name if ok else 'a wrong name'}",
          "keys known" if known else "keys unknown", sep=", ")
except Exception as e:
    print(f"notepad++: {e!r}")
EOF2
)"

summary readme
