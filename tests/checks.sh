# The checks of the shell tests, sourced by them: a scratch folder removed at
# exit, and counted checks with a closing line "NAME: N passed, N failed".
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
checks=0

# fail TEXT: one more failure.
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# expect NAME COMMAND...: one more check, which fails unless the command succeeds.
expect() {
  local name=$1
  shift
  checks=$((checks + 1))
  "$@" || fail "$name"
}

# same NAME EXPECTED ACTUAL: one more check, which fails unless the texts are equal.
same() {
  checks=$((checks + 1))
  [ "$2" = "$3" ] || fail "$(printf '%s
--- expected
%s
--- got
%s' "$1" "$2" "$3")"
}
# cp1251: standard input, UTF-8, to Windows-1251.
cp1251() { iconv -f utf-8 -t cp1251; }

# summary NAME: the closing line; the status is 0 when nothing failed.
summary() {
  echo "$1: $((checks - failures)) passed, $failures failed"
  [ "$failures" = 0 ]
}
