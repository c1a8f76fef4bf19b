#!/usr/bin/env bash
# stop-peer.sh DIR [NAME]: ends the server NAME (or every server) started into DIR, by its PID.
dir=$1; name=${2:-}
for pidfile in "$dir"/${name:-*}.pid; do
  [ -f "$pidfile" ] || continue
  pid=$(cat "$pidfile")
  if kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -f "$pidfile"
done
# The private namespace of start-netns.sh: what still runs inside it (connection children), the
# namespace itself and the unreachable route for its address.
if [ -f "$dir/netns.name" ] && { [ -z "$name" ] || [ "$name" = netns ]; }; then
  ns=$(cat "$dir/netns.name")
  for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null || true; done
  ip netns delete "$ns" 2>/dev/null || true
  [ -f "$dir/netns.address" ] && ip route del unreachable "$(cat "$dir/netns.address")/32" 2>/dev/null || true
  rm -f "$dir/netns.name" "$dir/netns.address"
fi
