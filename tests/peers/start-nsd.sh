#!/usr/bin/env bash
# start-nsd.sh DIR: NSD on 127.0.0.1 (UDP and TCP, port QS_PEER_DNS_PORT) serving the test zones of
# dns-zones.sh. Config, zones and state live in DIR/nsd/, the PID in DIR/nsd.pid.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/ports.sh"
dir=$1; state=$dir/nsd; mkdir -p "$state"
"$here/dns-zones.sh" "$state"
cat > "$state/nsd.conf" <<CONF
server:
    ip-address: 127.0.0.1
    port: $QS_PEER_DNS_PORT
    do-ip6: no
    server-count: 1
    username: ""
    chroot: ""
    database: ""
    zonesdir: "$state"
    zonelistfile: "$state/zone.list"
    xfrdfile: "$state/xfrd.state"
    xfrdir: "$state"
    pidfile: "$state/nsd.pid.self"
    logfile: "$state/nsd.log"
    hide-version: yes
    verbosity: 1
    # No response rate limiting: tests and the benchmark ask far more than 200 times a second.
    rrl-ratelimit: 0
    rrl-whitelist-ratelimit: 0
remote-control:
    control-enable: no
zone:
    name: example.test
    zonefile: example.test.zone
zone:
    name: 0.0.127.in-addr.arpa
    zonefile: 0.0.127.in-addr.arpa.zone
CONF
/usr/sbin/nsd-checkconf "$state/nsd.conf"
/usr/sbin/nsd -d -c "$state/nsd.conf" >"$state/stdout" 2>&1 &
echo $! > "$dir/nsd.pid"
"$here/wait-port.sh" "$QS_PEER_DNS_PORT" udp
"$here/wait-port.sh" "$QS_PEER_DNS_PORT" tcp
echo "nsd ready (dns $QS_PEER_DNS_PORT)"
