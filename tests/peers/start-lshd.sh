#!/usr/bin/env bash
# start-lshd.sh DIR [PORT]: GNU lshd on 127.0.0.1:PORT (QS_PEER_LSH_PORT), the one server with
# blowfish-cbc, arcfour, hmac-md5 and plain zlib compression (offered first, then none). Every cipher it
# has is offered (-c all: the option is not cumulative); password logins for QS_PEER_SSH_USER against the
# system's shadow file. --port must come before --interface, which takes the port given so far.
# Its DSA host key and log live in DIR/lshd/, the PID in DIR/lshd.pid.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/ports.sh"
dir=$1; port=${2:-$QS_PEER_LSH_PORT}
state=$dir/lshd; mkdir -p "$state"

# Shared state outside DIR: the server's random seed (all instances share it) and the test user.
[ -f /var/spool/lsh/yarrow-seed-file ] || lsh-make-seed --server --sloppy -q
id "$QS_PEER_SSH_USER" >/dev/null 2>&1 || useradd -m -s /bin/bash "$QS_PEER_SSH_USER"
echo "$QS_PEER_SSH_USER:$QS_PEER_SSH_PASSWORD" | chpasswd

[ -f "$state/host-key" ] || lsh-keygen --server -q -a dsa | lsh-writekey --server -q -o "$state/host-key"
/usr/sbin/lshd --no-daemonic --no-syslog --no-pid-file --no-tcpwrappers --password --no-root-login \
  --port="$port" --interface=127.0.0.1 -h "$state/host-key" -c all --compression \
  --log-file="$state/lshd.log" >"$state/stdout" 2>&1 &
echo $! > "$dir/lshd.pid"
"$here/wait-port.sh" "$port" tcp
echo "lshd ready (ssh $port)"
