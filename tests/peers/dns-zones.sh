#!/usr/bin/env bash
# dns-zones.sh DIR: writes the test zones into DIR (example.test.zone, 0.0.127.in-addr.arpa.zone), the
# same for every DNS server the tests run. The names and data are what the DNS tests expect.
set -euo pipefail
dir=$1; mkdir -p "$dir"

# big: 40 TXT records of about 100 octets (about 4.5 KB): truncated over UDP even with EDNS, whole over TCP.
# medium: one TXT record of about 760 octets: truncated over UDP without EDNS, fits with EDNS 1232.
# many: 80 addresses (more than 512 octets over UDP, more than a 1024-octet reply buffer over TCP).
big=""; for i in $(seq -w 1 40); do big+="big TXT \"record $i $(printf 'b%.0s' $(seq 90))\""$'\n'; done
medium="medium TXT"; for i in $(seq 1 7); do medium+=" \"part $i $(printf 'm%.0s' $(seq 100))\""; done
many=""; for i in $(seq 1 80); do many+="many A 127.0.1.$i"$'\n'; done

cat > "$dir/example.test.zone" <<ZONE
\$ORIGIN example.test.
\$TTL 3600
@       SOA   ns1.example.test. hostmaster.example.test. 2024010101 7200 3600 1209600 300
@       NS    ns1
@       NS    ns2
@       A     127.0.0.10
@       A     127.0.0.20
@       AAAA  ::1
@       MX    20 mx20
@       MX    10 first
@       MX    10 second
@       TXT   "v=spf1 -all"
@       HINFO "x86-64" "Linux"
@       MINFO hostmaster.example.test. errors.example.test.
@       RP    hostmaster.example.test. txt.example.test.
@       WKS   127.0.0.10 6 21 25 30
@       LOC   52 22 23.000 N 4 53 32.000 E -2.00m 1m 10000m 10m
ns1     A     127.0.0.11
ns2     A     127.0.0.12
first   A     127.0.0.13
second  A     127.0.0.14
mx20    A     127.0.0.15
; the chain alias -> www -> example.test
www     CNAME @
alias   CNAME www
; a CNAME pointing at a CNAME pointing at an address, all in one reply
mailer  CNAME first
txt     TXT   "hello"
multi   TXT   "first string" "second" "third one"
nocpu   HINFO "" "Linux"
uid     TYPE101 \# 4 000003E8
gid     TYPE102 \# 4 00000064
uinfo   TYPE100 \# 5 68656C6C6F
null    TYPE10 \# 3 010203
x25     X25   "311061700956"
_ldap._tcp SRV 0 5 389 ns1
_sip._udp  SRV 10 20 5060 ns2
*.wild  A     127.0.0.30
*.wild  TXT   "wildcard"
$medium
$big
$many
ZONE

cat > "$dir/0.0.127.in-addr.arpa.zone" <<ZONE
\$ORIGIN 0.0.127.in-addr.arpa.
\$TTL 3600
@       SOA   ns1.example.test. hostmaster.example.test. 2024010101 7200 3600 1209600 300
@       NS    ns1.example.test.
1       PTR   localhost.
10      PTR   example.test.
11      PTR   ns1.example.test.
13      PTR   first.example.test.
; a reverse name delegated by alias
30      CNAME 30.sub
30.sub  PTR   host.wild.example.test.
ZONE
