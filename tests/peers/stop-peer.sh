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
