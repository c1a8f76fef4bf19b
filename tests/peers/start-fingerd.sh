#!/usr/bin/env bash
# start-fingerd.sh DIR: netkit in.fingerd under a private xinetd on 127.0.0.1:QS_PEER_FINGER_PORT, run as
# nobody. Creates the test user fingertest (GECOS "Finger Test User", ~/.plan and ~/.project) when missing.
# Config and state live in DIR/fingerd/, the PID in DIR/fingerd.pid.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/ports.sh"
dir=$1; state=$dir/fingerd; mkdir -p "$state"

user=fingertest
if ! id "$user" >/dev/null 2>&1; then
  useradd --create-home --comment "Finger Test User" --shell /bin/sh "$user"
fi
home=$(getent passwd "$user" | cut -d: -f6)
# in.fingerd runs finger as nobody, which must be able to read the files.
chmod 755 "$home"
printf 'Testing the finger clients.\nSecond line of the plan.\n' > "$home/.plan"
printf 'Quillstream finger tests\n' > "$home/.project"
chmod 644 "$home/.plan" "$home/.project"

conf=$state/xinetd.conf
cat > "$conf" <<CONF
defaults
{
    instances = 60
    log_type  = FILE $state/xinetd.log
}
service finger
{
    id          = finger-test
    type        = UNLISTED
    socket_type = stream
    protocol    = tcp
    port        = $QS_PEER_FINGER_PORT
    wait        = no
    user        = nobody
    server      = /usr/sbin/in.fingerd
    bind        = 127.0.0.1
}
CONF
/usr/sbin/xinetd -f "$conf" -dontfork -pidfile "$state/xinetd.pid" >"$state/stdout" 2>&1 &
echo $! > "$dir/fingerd.pid"
"$here/wait-port.sh" "$QS_PEER_FINGER_PORT" tcp
echo "fingerd ready (finger $QS_PEER_FINGER_PORT)"
