#!/usr/bin/env bash
# wait-port.sh PORT [tcp|udp]: waits up to 10 s until something listens on 127.0.0.1:PORT.
port=$1; proto=${2:-tcp}
for _ in $(seq 100); do
  if [ "$proto" = udp ]; then ss -Hlun "sport = :$port" | grep -q . && exit 0
  else ss -Hltn "sport = :$port" | grep -q . && exit 0; fi
  sleep 0.1
done
echo "port $port/$proto did not open" >&2; exit 1
