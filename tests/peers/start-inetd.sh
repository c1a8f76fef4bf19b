#!/usr/bin/env bash
# start-inetd.sh DIR: a private xinetd on 127.0.0.1 with the built-in time, echo, discard, daytime and
# chargen services. Config and state live in DIR/inetd/, the PID in DIR/inetd.pid.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/ports.sh"
dir=$1; mkdir -p "$dir/inetd"
conf=$dir/inetd/xinetd.conf
service() {  # name id socket_type protocol port
  local wait=no; [ "$3" = dgram ] && wait=yes
  cat <<CONF
service $1
{
    id          = $2
    type        = INTERNAL UNLISTED
    socket_type = $3
    protocol    = $4
    port        = $5
    wait        = $wait
    user        = root
    bind        = 127.0.0.1
}
CONF
}
# xinetd pauses a service for 10 s after 50 connections in a second by default; parallel tests exceed
# that easily, so the rate limit is lifted.
{
  echo "defaults
{
    instances  = 60
    per_source = UNLIMITED
    cps        = 10000 1
    log_type   = FILE $dir/inetd/xinetd.log
}"
  service time time-stream stream tcp "$QS_PEER_TIME_PORT"
  service time time-dgram dgram udp "$QS_PEER_TIME_PORT"
  service echo echo-stream stream tcp "$QS_PEER_ECHO_PORT"
  service discard discard-stream stream tcp "$QS_PEER_DISCARD_PORT"
  service discard discard-dgram dgram udp "$QS_PEER_DISCARD_PORT"
  service daytime daytime-stream stream tcp "$QS_PEER_DAYTIME_PORT"
  service chargen chargen-stream stream tcp "$QS_PEER_CHARGEN_PORT"
} > "$conf"
/usr/sbin/xinetd -f "$conf" -dontfork -pidfile "$dir/inetd/xinetd.pid" >"$dir/inetd/stdout" 2>&1 &
echo $! > "$dir/inetd.pid"
"$here/wait-port.sh" "$QS_PEER_TIME_PORT" tcp
"$here/wait-port.sh" "$QS_PEER_TIME_PORT" udp
echo "inetd ready (time $QS_PEER_TIME_PORT, echo $QS_PEER_ECHO_PORT, discard $QS_PEER_DISCARD_PORT)"
