# . start-all.sh DIR: starts every local test server into DIR and exports their ports (sourced by
# scripts/test.sh). Each start script writes DIR/NAME.pid; stop-peer.sh DIR ends them all.
_peers_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$_peers_here/ports.sh"
for _s in "$_peers_here"/start-*.sh; do
  [ "$(basename "$_s")" = start-all.sh ] && continue
  "$_s" "$1"
done
export QS_PEERS_DIR=$1
