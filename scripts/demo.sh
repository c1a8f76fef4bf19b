#!/usr/bin/env bash
# The main job: install what is missing, build, start the local test servers (unless they already run)
# and drive every component built so far against them through the quill host, printing what each does.
# QS_DEMO_NO_BUILD=1 skips the installing and building (quill demo sets it; QS_QUILL names that quill).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${QS_DEMO_NO_BUILD:-}" ]; then
  "$top/scripts/install-deps.sh"
  "$top/scripts/build.sh" "$top/build/test"
fi
quill=${QS_QUILL:-$top/build/test/bin/quill}
. "$top/tests/peers/ports.sh"

# The servers of the tests, on loopback and in a network namespace of their own; when a run of the tests
# (or an earlier demo) already holds their ports, those are used as they are.
if ! ss -Hlun "sport = :$QS_PEER_TIME_PORT" | grep -q .; then
  peers=$(mktemp -d /tmp/quill-demo.XXXXXX)
  trap '"$top/tests/peers/stop-peer.sh" "$peers"; rm -rf "$peers"' EXIT
  echo "starting the local servers ..."
  . "$top/tests/peers/start-all.sh" "$peers" >/dev/null
fi

step() { printf '\n== %s\n$ %s\n' "$1" "${*:2}"; "${@:2}" || echo "(exit status $?)"; }

# The TimeClient control by name; quill registers the control modules of its lib folder on first use.
step "RFC 868 time through the TimeClient control" \
  "$quill" do Quillstream.TimeClient.6 RemotePort="$QS_PEER_TIME_PORT" Timeout=2 \
  'GetTime(127.0.0.1)' LastError SystemDate SystemTime
step "DNS: the mail exchangers of example.test from NSD" \
  "$quill" dns mx example.test --server 127.0.0.1 --port "$QS_PEER_DNS_PORT"
step "DNS through the DnsClient control" \
  "$quill" do Quillstream.DnsClient.6 RemotePort="$QS_PEER_DNS_PORT" 'NameServer(0)=127.0.0.1' \
  HostName=first.example.test HostAddress
step "finger, asynchronous, through the FingerClient control" \
  "$quill" finger fingertest@127.0.0.1 --port "$QS_PEER_FINGER_PORT"
step "whois, blocking, through the WhoisClient control" \
  "$quill" whois example.test --host 127.0.0.1 --port "$QS_PEER_WHOIS_PORT"
step "SSH-2: key exchange and the server's host key" \
  "$quill" ssh-probe 127.0.0.1 --port "$QS_PEER_SSH_PORT"
step "SSH-2: password login and a command on a session channel" \
  "$quill" ssh-probe 127.0.0.1 --port "$QS_PEER_SSH_PORT" --user "$QS_PEER_SSH_USER" \
  --password "$QS_PEER_SSH_PASSWORD" --exec 'echo "hello from $(whoami)"; exit 3' </dev/null
printf 'plain \033[1mbold\033[0m \033[7mreverse\033[0m\r\n\033[2;10Hmoved\033[1;31m red\033[0m' > "${TMPDIR:-/tmp}/quill-demo-term.$$"
step "VT100 terminal interpreter: a screen rendered from escape sequences" \
  "$quill" term --render "${TMPDIR:-/tmp}/quill-demo-term.$$" --emulation vt100 --cols 80 --rows 5
rm -f "${TMPDIR:-/tmp}/quill-demo-term.$$"
