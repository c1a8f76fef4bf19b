#!/usr/bin/env bash
# start-sshd.sh DIR [PORT [ADDRESS [NAME]]]: OpenSSH sshd on ADDRESS:PORT (127.0.0.1:QS_PEER_SSH_PORT) with
# its own rsa/dsa/ecdsa/ed25519 host keys, password logins for QS_PEER_SSH_USER, a pre-login banner,
# public keys only for the name QS_PEER_SSH_KEYONLY_USER, every legacy algorithm this build still has
# enabled next to the defaults, and a small RekeyLimit. Config, keys and log live
# in DIR/NAME/ (NAME defaults to sshd), the PID in DIR/NAME.pid. It starts in the network namespace it
# is run in (start-netns.sh runs a second one inside the private namespace).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/ports.sh"
dir=$1; port=${2:-$QS_PEER_SSH_PORT}; address=${3:-127.0.0.1}; name=${4:-sshd}
state=$dir/$name; mkdir -p "$state/authorized_keys"

# Shared state outside DIR: the privilege separation directory and the test user.
mkdir -p /run/sshd
id "$QS_PEER_SSH_USER" >/dev/null 2>&1 || useradd -m -s /bin/bash "$QS_PEER_SSH_USER"
echo "$QS_PEER_SSH_USER:$QS_PEER_SSH_PASSWORD" | chpasswd

for type in rsa dsa ecdsa ed25519; do
  [ -f "$state/ssh_host_${type}_key" ] || ssh-keygen -q -t "$type" -N '' -f "$state/ssh_host_${type}_key"
done

printf 'Quillstream test server: authorised use only\n' > "$state/banner"

cat > "$state/sshd_config" <<CONF
Port $port
ListenAddress $address
HostKey $state/ssh_host_rsa_key
HostKey $state/ssh_host_dsa_key
HostKey $state/ssh_host_ecdsa_key
HostKey $state/ssh_host_ed25519_key
PidFile none
UsePAM yes
PasswordAuthentication yes
KbdInteractiveAuthentication yes
PubkeyAuthentication yes
AuthorizedKeysFile $state/authorized_keys/%u
StrictModes no
PermitRootLogin no
LogLevel VERBOSE
# Everything legacy that is still compiled in, added to the defaults.
KexAlgorithms +diffie-hellman-group1-sha1,diffie-hellman-group14-sha1,diffie-hellman-group-exchange-sha1,diffie-hellman-group-exchange-sha256
Ciphers +aes128-cbc,aes192-cbc,aes256-cbc,3des-cbc
MACs +hmac-sha1,hmac-sha1-96,hmac-md5,hmac-md5-96
HostKeyAlgorithms +ssh-rsa,ssh-dss
PubkeyAcceptedAlgorithms +ssh-rsa,ssh-dss
RekeyLimit $QS_PEER_SSH_REKEY_LIMIT
Banner $state/banner
Match User $QS_PEER_SSH_KEYONLY_USER
  AuthenticationMethods publickey
CONF
/usr/sbin/sshd -t -f "$state/sshd_config"
/usr/sbin/sshd -D -f "$state/sshd_config" -E "$state/sshd.log" &
echo $! > "$dir/$name.pid"
"$here/wait-port.sh" "$port" tcp
echo "$name ready (ssh $address:$port)"
