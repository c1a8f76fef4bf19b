#!/usr/bin/env bash
# start-whoisd.sh DIR: a SCRIPTED whois peer, not a real whois server (Debian has none). A private xinetd
# on 127.0.0.1 runs a small RFC 3912 responder per connection: it reads one query line (LF or CRLF),
# answers from canned records and closes. Port QS_PEER_WHOIS_PORT holds the registry records
# (example.test with "refer: 127.0.0.1:QS_PEER_WHOIS_REFER_PORT", 127.0.0.1, AS64500, and two records for
# bad-input tests: big.test, an 8 MB answer, and binary.test, every byte value); port
# QS_PEER_WHOIS_REFER_PORT holds the registrar's record of example.test. Any other query gets
# 'No match for "QUERY".'. Config and state live in DIR/whoisd/, the PID in DIR/whoisd.pid.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/ports.sh"
dir=$1; state=$dir/whoisd; mkdir -p "$state/registry" "$state/registrar"

cat > "$state/respond.sh" <<'SCRIPT'
#!/usr/bin/env bash
# Scripted whois responder: one query line in, the record named after it (lower case) out, then close.
records=$1
IFS= read -r -t 10 query || true
query=${query%$'\r'}
key=${query,,}
for record in "$records"/*.rec; do
  if [ "$(basename "$record" .rec)" = "$key" ]; then
    cat "$record"
    exit 0
  fi
done
printf 'No match for "%s".\n' "$query"
SCRIPT
chmod 755 "$state/respond.sh"

# Records end their lines with LF alone, as many registries do, so that Debian's whois client (which drops
# carriage returns) prints them unchanged and answers can be compared byte for byte.
cat > "$state/registry/example.test.rec" <<REC
% Scripted whois peer of the Quillstream tests

Domain Name: EXAMPLE.TEST
Registry Domain ID: EX1-TEST
Registrar: Example Registrar
refer: 127.0.0.1:$QS_PEER_WHOIS_REFER_PORT
Name Server: NS1.EXAMPLE.TEST
Name Server: NS2.EXAMPLE.TEST
Updated Date: 2024-01-02T03:04:05Z
REC
cat > "$state/registry/127.0.0.1.rec" <<'REC'
% Scripted whois peer of the Quillstream tests

inetnum:        127.0.0.0 - 127.255.255.255
netname:        LOOPBACK
descr:          Loopback addresses
status:         RESERVED
REC
cat > "$state/registry/as64500.rec" <<'REC'
% Scripted whois peer of the Quillstream tests

aut-num:        AS64500
as-name:        DOCUMENTATION-AS
descr:          Autonomous system number reserved for documentation
REC
# 8 MB of numbered lines, and every byte value sixteen times over.
seq -f 'line %08g of an enormous whois answer' 1 200000 > "$state/registry/big.test.rec"
for _ in $(seq 16); do printf "$(printf '\\%03o' $(seq 0 255))"; done > "$state/registry/binary.test.rec"
cat > "$state/registrar/example.test.rec" <<'REC'
% Scripted whois peer of the Quillstream tests (referral target)

Domain Name: EXAMPLE.TEST
Registrar WHOIS Server: 127.0.0.1
Registrant Name: Example Holder
Registrant Email: holder@example.test
REC

service() {  # id port records
  cat <<CONF
service whois
{
    id          = $1
    type        = UNLISTED
    socket_type = stream
    protocol    = tcp
    port        = $2
    wait        = no
    user        = nobody
    server      = $state/respond.sh
    server_args = $3
    bind        = 127.0.0.1
}
CONF
}
conf=$state/xinetd.conf
{
  echo "defaults
{
    instances = 60
    log_type  = FILE $state/xinetd.log
}"
  service whois-registry "$QS_PEER_WHOIS_PORT" "$state/registry"
  service whois-registrar "$QS_PEER_WHOIS_REFER_PORT" "$state/registrar"
} > "$conf"
# The responder runs as nobody.
chmod 755 "$dir" "$state" "$state/registry" "$state/registrar"
/usr/sbin/xinetd -f "$conf" -dontfork -pidfile "$state/xinetd.pid" >"$state/stdout" 2>&1 &
echo $! > "$dir/whoisd.pid"
"$here/wait-port.sh" "$QS_PEER_WHOIS_PORT" tcp
"$here/wait-port.sh" "$QS_PEER_WHOIS_REFER_PORT" tcp
echo "whoisd ready (scripted; whois $QS_PEER_WHOIS_PORT, referral target $QS_PEER_WHOIS_REFER_PORT)"
