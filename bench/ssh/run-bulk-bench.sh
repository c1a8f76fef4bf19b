#!/usr/bin/env bash
# run-bulk-bench.sh BENCH [MB]: starts an sshd of its own (tests/peers/start-sshd.sh, without the tests'
# small RekeyLimit) on port 10122, lets OpenSSH's client in with a fresh key, runs the bulk benchmark
# BENCH (build it with QS_SANITIZE=OFF QS_BUILD_TYPE=Release scripts/build.sh build/bench) and stops
# the sshd again.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
peers=$here/../../tests/peers
bench=$1; mb=${2:-32}
dir=$(mktemp -d /tmp/quill-bench.XXXXXX)
chmod 755 "$dir"  # sshd reads the authorized key as the logged-in user
trap '"$peers/stop-peer.sh" "$dir"; rm -rf "$dir"' EXIT
export QS_PEER_SSH_REKEY_LIMIT="default none"
. "$peers/ports.sh"
"$peers/start-sshd.sh" "$dir" 10122 127.0.0.1 sshd-bench >/dev/null
ssh-keygen -q -t ed25519 -N '' -f "$dir/client_key"
cp "$dir/client_key.pub" "$dir/sshd-bench/authorized_keys/$QS_PEER_SSH_USER"
"$bench" 10122 "$QS_PEER_SSH_USER" "$QS_PEER_SSH_PASSWORD" "$dir/client_key" "$mb"
