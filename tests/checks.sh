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

# summary NAME: the closing line; the status is 0 when nothing failed.
summary() {
  echo "$1: $((checks - failures)) passed, $failures failed"
  [ "$failures" = 0 ]
}
