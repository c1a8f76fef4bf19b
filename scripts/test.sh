#!/usr/bin/env bash
# The whole test run on a fresh Debian 12 machine: install what is missing, build with ASan and UBSan,
# start the local servers, run every test, stop the servers.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build/test"

peers=$(mktemp -d /tmp/quill-peers.XXXXXX)
trap '"$top/tests/peers/stop-peer.sh" "$peers"; rm -rf "$peers"' EXIT
# shellcheck source=/dev/null
. "$top/tests/peers/start-all.sh" "$peers"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$top/build/test"
ctest --output-on-failure -j2 --timeout 600
