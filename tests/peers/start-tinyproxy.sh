#!/usr/bin/env bash
# start-tinyproxy.sh DIR [PORT [AUTH_PORT]]: two tinyproxy instances for HTTP CONNECT, reached at
# 127.0.0.1:PORT (QS_PEER_HTTP_PROXY_PORT, no authorization) and 127.0.0.1:AUTH_PORT
# (QS_PEER_HTTP_PROXY_AUTH_PORT, Basic authorization as QS_PEER_HTTP_PROXY_USER), both allowing CONNECT
# to the sshd port only. When start-netns.sh made the private namespace, the proxies run inside it (so
# their upstream connections reach the sshd there) and a socat bridge on the outer 127.0.0.1 carries
# each client connection in. Config and logs live in DIR/tinyproxy/, the PIDs in DIR/tinyproxy*.pid.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/ports.sh"
dir=$1; port=${2:-$QS_PEER_HTTP_PROXY_PORT}; auth_port=${3:-$QS_PEER_HTTP_PROXY_AUTH_PORT}
state=$dir/tinyproxy; mkdir -p "$state"
ns=""; [ -f "$dir/netns.name" ] && ns=$(cat "$dir/netns.name")
in_ns() { if [ -n "$ns" ]; then ip netns exec "$ns" "$@"; else "$@"; fi; }

start() {  # name port [basic-auth line]
  cat > "$state/$1.conf" <<CONF
Port $2
Listen 127.0.0.1
Allow 127.0.0.1
User nobody
Group nogroup
Timeout 60
MaxClients 20
ConnectPort $QS_PEER_SSH_PORT
DisableViaHeader Yes
LogLevel Info
${3:-}
CONF
  in_ns /usr/bin/tinyproxy -d -c "$state/$1.conf" >"$state/$1.log" 2>&1 &
  echo $! > "$dir/$1.pid"
  in_ns "$here/wait-port.sh" "$2" tcp
  if [ -n "$ns" ]; then
    /usr/bin/socat "TCP-LISTEN:$2,bind=127.0.0.1,reuseaddr,fork" \
      "EXEC:ip netns exec $ns /usr/bin/socat STDIO TCP\\:127.0.0.1\\:$2" 2>"$state/$1-bridge.log" &
    echo $! > "$dir/$1-bridge.pid"
    "$here/wait-port.sh" "$2" tcp
  fi
}
start tinyproxy "$port"
start tinyproxy-auth "$auth_port" "BasicAuth $QS_PEER_HTTP_PROXY_USER $QS_PEER_HTTP_PROXY_PASSWORD"
echo "tinyproxy ready (http proxy $port, with authorization $auth_port${ns:+, in namespace $ns})"
