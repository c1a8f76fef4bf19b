#!/usr/bin/env bash
# run-test.sh VAR=VALUE... -- PROGRAM ARGS...: runs one test program with the given environment.
# LeakSanitizer's stop-the-world tracer now and then crashes on a loaded machine after the tests have
# passed ("LeakSanitizer has encountered a fatal error"); that says nothing about the code, so such a
# run is repeated once. Any other failure stands.
set -u
vars=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do vars+=("$1"); shift; done
shift
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for attempt in 1 2; do
  env "${vars[@]}" "$@" >"$log" 2>&1
  status=$?
  cat "$log"
  if [ $status -eq 0 ] || ! grep -q 'LeakSanitizer has encountered a fatal error' "$log"; then
    exit $status
  fi
  echo "run-test.sh: LeakSanitizer's tracer failed; running once more" >&2
done
exit $status
