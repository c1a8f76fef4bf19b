# Loopback ports of the local test servers (sourced). Each can be overridden from the environment.
: "${QS_PEER_TIME_PORT:=10037}"     # RFC 868 time, UDP and TCP (xinetd built-in)
: "${QS_PEER_ECHO_PORT:=10007}"     # echo, TCP (xinetd built-in)
: "${QS_PEER_DISCARD_PORT:=10009}"  # discard, TCP and UDP: accepts and never answers
: "${QS_PEER_DAYTIME_PORT:=10013}"  # daytime, TCP: sends one line and closes
: "${QS_PEER_CHARGEN_PORT:=10019}"  # chargen, TCP: sends without end
: "${QS_PEER_DNS_PORT:=10053}"      # DNS, UDP and TCP (NSD serving the test zones)
export QS_PEER_TIME_PORT QS_PEER_ECHO_PORT QS_PEER_DISCARD_PORT QS_PEER_DAYTIME_PORT QS_PEER_CHARGEN_PORT
export QS_PEER_DNS_PORT
