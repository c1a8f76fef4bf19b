#!/usr/bin/env bash
# The main job: install what is missing, build, make sure a local time server runs, and ask it the time
# through the TimeClient control.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build/test"
. "$top/tests/peers/ports.sh"
peers=$top/build/peers
if ! ss -Hlun "sport = :$QS_PEER_TIME_PORT" | grep -q .; then
  mkdir -p "$peers"
  "$top/tests/peers/start-inetd.sh" "$peers"
fi
# The TimeClient control by name; quill registers the control modules of its lib folder on first use.
"$top/build/test/bin/quill" do Quillstream.TimeClient.6 RemotePort="$QS_PEER_TIME_PORT" Timeout=2 \
  'GetTime(127.0.0.1)' LastError SystemDate SystemTime
