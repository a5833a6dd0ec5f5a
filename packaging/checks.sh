# The package tests' reporting, sourced by each of them: one line per check,
# "ok" or "FAIL", and $fail set once any check has failed.
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }
check() { # what, got, want
  if [ "$2" == "$3" ]; then ok "$1"; else bad "$1: got '$2', want '$3'"; fi
}
