# Loopback ports of the local test servers (sourced). Each can be overridden from the environment.
: "${QS_PEER_TIME_PORT:=10037}"     # RFC 868 time, UDP and TCP (xinetd built-in)
: "${QS_PEER_ECHO_PORT:=10007}"     # echo, TCP (xinetd built-in)
: "${QS_PEER_DISCARD_PORT:=10009}"  # discard, TCP and UDP: accepts and never answers
: "${QS_PEER_DAYTIME_PORT:=10013}"  # daytime, TCP: sends one line and closes
: "${QS_PEER_CHARGEN_PORT:=10019}"  # chargen, TCP: sends without end
: "${QS_PEER_DNS_PORT:=10053}"      # DNS, UDP and TCP (NSD serving the test zones)
: "${QS_PEER_BIND_PORT:=10054}"     # DNS, UDP and TCP (BIND serving the same zones)
export QS_PEER_TIME_PORT QS_PEER_ECHO_PORT QS_PEER_DISCARD_PORT QS_PEER_DAYTIME_PORT QS_PEER_CHARGEN_PORT
export QS_PEER_DNS_PORT QS_PEER_BIND_PORT
: "${QS_PEER_SSH_PORT:=10022}"         # SSH-2, OpenSSH sshd with the legacy algorithms enabled
: "${QS_PEER_LSH_PORT:=10023}"         # SSH-2, GNU lshd (blowfish-cbc, arcfour, zlib)
: "${QS_PEER_HTTP_PROXY_PORT:=10080}"  # HTTP CONNECT proxy (tinyproxy), no authorization
: "${QS_PEER_HTTP_PROXY_AUTH_PORT:=10081}"  # HTTP CONNECT proxy (tinyproxy), Basic authorization
export QS_PEER_SSH_PORT QS_PEER_LSH_PORT QS_PEER_HTTP_PROXY_PORT QS_PEER_HTTP_PROXY_AUTH_PORT
# Accounts and settings the peers are started with.
: "${QS_PEER_SSH_USER:=sshtest}"             # system user for sshd and lshd (password logins)
: "${QS_PEER_SSH_PASSWORD:=sshtest-pw}"
: "${QS_PEER_SSH_KEYONLY_USER:=sshkeyonly}"   # a name sshd offers public keys only (no such system user)
: "${QS_PEER_SSH_REKEY_LIMIT:=64K}"          # sshd's RekeyLimit (data per direction before it re-keys)
: "${QS_PEER_HTTP_PROXY_USER:=proxytest}"    # Basic authorization of the second proxy port
: "${QS_PEER_HTTP_PROXY_PASSWORD:=proxytest-pw}"
# The private network namespace (start-netns.sh): an address that exists only inside it, where a second
# sshd listens and the proxies' upstream connections go, so targets there are not local to the client.
: "${QS_PEER_NETNS_ADDRESS:=10.77.0.2}"
export QS_PEER_SSH_USER QS_PEER_SSH_PASSWORD QS_PEER_SSH_KEYONLY_USER QS_PEER_SSH_REKEY_LIMIT QS_PEER_HTTP_PROXY_USER
export QS_PEER_HTTP_PROXY_PASSWORD QS_PEER_NETNS_ADDRESS
: "${QS_PEER_FINGER_PORT:=10079}"        # finger, netkit in.fingerd under xinetd (user fingertest)
: "${QS_PEER_WHOIS_PORT:=10043}"         # whois, a scripted RFC 3912 responder under xinetd
: "${QS_PEER_WHOIS_REFER_PORT:=10044}"   # whois, the same responder holding the referral target's records
export QS_PEER_FINGER_PORT QS_PEER_WHOIS_PORT QS_PEER_WHOIS_REFER_PORT
