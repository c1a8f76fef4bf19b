#!/usr/bin/env bash
# start-netns.sh DIR: a private network namespace for the proxy tests, named after DIR (its name in
# DIR/netns.name), with QS_PEER_NETNS_ADDRESS on its own loopback device and a second sshd listening
# there (DIR/sshd-netns.pid). The address exists only inside the namespace: the client, outside, cannot
# reach it and does not count it as local, so a connection to it must go through a proxy that runs in
# the namespace (start-tinyproxy.sh). No interface or address is added outside; an unreachable route
# for the address there makes any direct attempt fail at once instead of leaving the machine.
# Where namespaces cannot be made, it says so and exits 0; the tests that need it then skip.
# stop-peer.sh DIR ends the processes and deletes the namespace.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/ports.sh"
dir=$(mkdir -p "$1" && cd "$1" && pwd)
name=qs$(printf '%s' "$dir" | md5sum | cut -c1-10)

if [ ! -e "/run/netns/$name" ] && ! ip netns add "$name" 2>"$dir/netns.err"; then
  echo "netns unavailable ($(cat "$dir/netns.err")): the tests that need it skip"
  exit 0
fi
rm -f "$dir/netns.err"
echo "$name" > "$dir/netns.name"
echo "$QS_PEER_NETNS_ADDRESS" > "$dir/netns.address"
ip -n "$name" link set lo up
ip -n "$name" -4 addr show dev lo | grep -q "inet $QS_PEER_NETNS_ADDRESS/" ||
  ip -n "$name" addr add "$QS_PEER_NETNS_ADDRESS/32" dev lo
ip route show table main | grep -q "^unreachable $QS_PEER_NETNS_ADDRESS " ||
  ip route add unreachable "$QS_PEER_NETNS_ADDRESS/32"
ip netns exec "$name" "$here/start-sshd.sh" "$dir" "$QS_PEER_SSH_PORT" "$QS_PEER_NETNS_ADDRESS" sshd-netns
echo "netns ready ($name: $QS_PEER_NETNS_ADDRESS)"
