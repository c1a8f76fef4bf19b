#!/usr/bin/env bash
# start-bind9.sh DIR: BIND on 127.0.0.1 (UDP and TCP, port QS_PEER_BIND_PORT) serving the test zones of
# dns-zones.sh, authoritative only. Config, zones and state live in DIR/bind9/, the PID in DIR/bind9.pid.
# Unlike NSD, BIND keeps the records that fit in a truncated UDP answer.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/ports.sh"
dir=$1; state=$dir/bind9; mkdir -p "$state"
"$here/dns-zones.sh" "$state"
cat > "$state/named.conf" <<CONF
options {
    directory "$state";
    pid-file "$state/named.pid.self";
    session-keyfile "$state/session.key";
    managed-keys-directory "$state";
    listen-on port $QS_PEER_BIND_PORT { 127.0.0.1; };
    listen-on-v6 { none; };
    recursion no;
    dnssec-validation no;
    notify no;
    version none;
};
controls { };
logging {
    channel file { file "$state/named.log"; severity info; };
    category default { file; };
};
zone "example.test" { type primary; file "$state/example.test.zone"; };
zone "0.0.127.in-addr.arpa" { type primary; file "$state/0.0.127.in-addr.arpa.zone"; };
CONF
/usr/bin/named-checkconf "$state/named.conf"
/usr/sbin/named -g -n 1 -c "$state/named.conf" >"$state/stdout" 2>&1 &
echo $! > "$dir/bind9.pid"
"$here/wait-port.sh" "$QS_PEER_BIND_PORT" udp
"$here/wait-port.sh" "$QS_PEER_BIND_PORT" tcp
echo "bind9 ready (dns $QS_PEER_BIND_PORT)"
