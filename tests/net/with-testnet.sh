#!/usr/bin/env bash
# Usage: with-testnet.sh [--responder PATH] [--] CMD [ARGS...]
#
# Builds a throwaway network of namespaces, runs CMD inside its client
# namespace, removes the network again and exits with CMD's status. Needs
# root; fails (status 125) rather than skip when it cannot build the network.
#
#   client 198.18.0.2 --- 198.18.0.1 router --- 198.18.1.2 fast (kernel echo),
#          2001:db8::2        2001:db8::1    |    198.18.1.3 rejects echoes
#                                            |    2001:db8:1::2 (kernel echo),
#                                            |    2001:db8:1::3 rejects echoes
#                                            |--- 198.18.2.x, 2001:db8:2::x
#                                            |    responder namespace
#                                            |--- 198.18.3.2, 2001:db8:3::2 loop
#
# The router forwards both families. It has no route to 198.19.250.0/24 and
# answers it with "network unreachable", and 2001:db8:ff::/48 with "no route"
# (nftables rules, so without a rate limit). It sends 198.18.200.0/24 and
# 2001:db8:200::/48 to the loop namespace, which sends them back.
# quorvane-test-responder plays the hosts 198.18.2.10-26 and some of
# 2001:db8:2::10-21; tests/net/TestNet.h names every address and what it does,
# and must agree with this script. Inside the client the names *.test resolve through its own
# hosts file (the *6.test names to IPv6 only), and any other name fails at
# once without leaving the namespace.
#
# CMD sees:
#   QV_TESTNET_PREFIX   prefix of this run's namespace names (qv<pid>)
#   QV_NETNS_CLIENT     the namespace CMD runs in; QV_NETNS_ROUTER,
#                       QV_NETNS_FAST, QV_NETNS_RESPONDER, QV_NETNS_LOOP the others
#   QV_RESPONDER_LOG    the responder's log of every echo request it received
#
# The responder binary is --responder PATH, else $QV_RESPONDER, else
# quorvane-test-responder in ./tests or .. of the working directory (CTest
# runs network tests in <build>/tests/net, the binary lies in <build>/tests).
#
# Namespaces of runs that were killed without cleaning up are removed by the
# next run.

set -euo pipefail

readonly SETUP_FAILED=125
readonly PROG=${0##*/}
readonly PREFIX=qv$$
readonly LOCK=/run/lock/quorvane-testnet.lock

die() {
    echo "$PROG: $*" >&2
    exit "$SETUP_FAILED"
}

responder=${QV_RESPONDER:-}
case ${1:-} in
--responder)
    [[ $# -ge 2 ]] || die "--responder needs a path"
    responder=$2
    shift 2
    ;;
-h | --help)
    sed -n '2,/^$/s/^# \{0,1\}//p' "$0"
    exit 0
    ;;
esac
[[ ${1:-} == -- ]] && shift
[[ $# -ge 1 ]] || die "usage: $PROG [--responder PATH] [--] CMD [ARGS...]"

[[ $EUID -eq 0 ]] || die "must run as root to build network namespaces (ip netns)"
command -v ip >/dev/null || die "the ip command (iproute2) is missing"
command -v nft >/dev/null || die "the nft command (package nftables) is missing"

if [[ -z $responder ]]; then
    for candidate in "$PWD/tests/quorvane-test-responder" "$PWD/../quorvane-test-responder"; do
        [[ -x $candidate ]] && responder=$candidate && break
    done
fi
[[ -n $responder ]] || die "quorvane-test-responder not found: pass --responder PATH or set QV_RESPONDER"
[[ -x $responder ]] || die "responder $responder is not an executable"
responder=$(realpath "$responder")

readonly CLIENT=$PREFIX-client
readonly ROUTER=$PREFIX-router
readonly FAST=$PREFIX-fast
readonly RESPONDER=$PREFIX-responder
readonly LOOP=$PREFIX-loop
readonly NAMESPACES=("$CLIENT" "$ROUTER" "$FAST" "$RESPONDER" "$LOOP")

tmpdir=
responder_pid=
cmd_pid=

# Alive and not a zombie.
running() {
    local stat
    { stat=$(<"/proc/$1/stat"); } 2>/dev/null || return 1
    stat=${stat##*) }
    [[ ${stat:0:1} != Z ]]
}

# Asks politely first; returns the process's exit status.
stop_child() {
    local pid=$1 tries=0 status=0
    kill -TERM "$pid" 2>/dev/null
    while running "$pid" && ((tries++ < 100)); do
        sleep 0.02
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || status=$?
    return "$status"
}

remove_namespace() {
    local pids
    pids=$(ip netns pids "$1" 2>/dev/null) || true
    # shellcheck disable=SC2086
    [[ -z $pids ]] || kill -KILL $pids 2>/dev/null || true
    ip netns delete "$1" 2>/dev/null || true
    rm -rf "/etc/netns/$1"
}

# A namespace, /etc/netns folder or temp folder named qv<pid>-... is stale
# once no with-testnet.sh runs under that pid; one under our own pid is left
# from an earlier run whose pid we now reuse.
owner_gone() {
    [[ $1 == "$$" ]] && return 0
    ! grep -qa with-testnet "/proc/$1/cmdline" 2>/dev/null
}

remove_stale() {
    local name path
    for name in $(ip netns list | cut -d' ' -f1); do
        if [[ $name =~ ^qv([0-9]+)- ]] && owner_gone "${BASH_REMATCH[1]}"; then
            remove_namespace "$name"
        fi
    done
    for path in /etc/netns/qv*-* "${TMPDIR:-/tmp}"/qv*-testnet.*; do
        if [[ ${path##*/} =~ ^qv([0-9]+)- ]] && owner_gone "${BASH_REMATCH[1]}"; then
            rm -rf "$path"
        fi
    done
}

teardown() {
    local status=$? responder_status=0
    set +e
    trap '' INT TERM HUP
    [[ -z $cmd_pid ]] || stop_child "$cmd_pid"
    if [[ -n $responder_pid ]]; then
        stop_child "$responder_pid" || responder_status=$?
        if ((responder_status != 0)); then
            echo "$PROG: quorvane-test-responder exited with status $responder_status" >&2
            ((status != 0)) || status=$SETUP_FAILED
        fi
    fi
    for ns in "${NAMESPACES[@]}"; do
        remove_namespace "$ns"
    done
    [[ -z $tmpdir ]] || rm -rf "$tmpdir"
    exit "$status"
}

in_ns() {
    ip netns exec "$@" >/dev/null
}

# Many tests in a row each expect their ICMP error; the last two limits
# cover ICMPv6 too.
unlimited_errors_sysctls=(
    net.ipv4.icmp_ratelimit=0
    net.ipv6.icmp.ratelimit=0
    net.ipv4.icmp_msgs_per_sec=1000000
    net.ipv4.icmp_msgs_burst=1000000
)
forwarding_sysctls=(
    net.ipv4.ip_forward=1
    net.ipv6.conf.all.forwarding=1
    "${unlimited_errors_sysctls[@]}"
)

build_network() {
    local ns
    for ns in "${NAMESPACES[@]}"; do
        ip netns add "$ns" || die "cannot create network namespace $ns (ip netns add failed)"
        ip -n "$ns" link set lo up
        # Link-local addresses would stay tentative for about two seconds,
        # and until then the router cannot ask who has a forwarded
        # packet's destination: the first IPv6 echo of a run would take 2 s.
        in_ns "$ns" sysctl -w net.ipv6.conf.all.accept_dad=0 net.ipv6.conf.default.accept_dad=0
    done
    in_ns "$ROUTER" sysctl -w "${forwarding_sysctls[@]}"
    in_ns "$LOOP" sysctl -w "${forwarding_sysctls[@]}"
    # Only quorvane-test-responder answers there.
    in_ns "$RESPONDER" sysctl -w net.ipv4.icmp_echo_ignore_all=1 net.ipv6.icmp.echo_ignore_all=1

    ip -n "$CLIENT" link add to-router type veth peer name to-client netns "$ROUTER"
    ip -n "$FAST" link add to-router type veth peer name to-fast netns "$ROUTER"
    ip -n "$RESPONDER" link add to-router type veth peer name to-responder netns "$ROUTER"
    ip -n "$LOOP" link add to-router type veth peer name to-loop netns "$ROUTER"

    ip -n "$ROUTER" -batch - <<EOF
link set to-client up
link set to-fast up
link set to-responder up
link set to-loop up
address add 198.18.0.1/24 dev to-client
address add 198.18.1.1/24 dev to-fast
address add 198.18.2.1/24 dev to-responder
address add 198.18.3.1/24 dev to-loop
route add 198.18.200.0/24 via 198.18.3.2
address add 2001:db8::1/64 dev to-client nodad
address add 2001:db8:1::1/64 dev to-fast nodad
address add 2001:db8:2::1/64 dev to-responder nodad
address add 2001:db8:3::1/64 dev to-loop nodad
route add 2001:db8:200::/48 via 2001:db8:3::2
EOF
    # The kernel's own "network unreachable" for a missing route obeys a
    # limit of its own (net.ipv4.route.error_cost, global to the machine):
    # five, then one a second. Rejecting in prerouting answers the same, from
    # the same address, under the ICMP limits switched off above.
    ip netns exec "$ROUTER" nft -f - <<EOF
table ip testnet {
    chain prerouting {
        type filter hook prerouting priority 0; policy accept;
        ip daddr 198.19.250.0/24 reject with icmp type net-unreachable
    }
}
table ip6 testnet {
    chain prerouting {
        type filter hook prerouting priority 0; policy accept;
        ip6 daddr 2001:db8:ff::/48 reject with icmpv6 type no-route
    }
}
EOF
    ip -n "$CLIENT" -batch - <<EOF
link set to-router up
address add 198.18.0.2/24 dev to-router
route add default via 198.18.0.1
address add 2001:db8::2/64 dev to-router nodad
route add default via 2001:db8::1
EOF
    ip -n "$FAST" -batch - <<EOF
link set to-router up
address add 198.18.1.2/24 dev to-router
address add 198.18.1.3/32 dev to-router
route add default via 198.18.1.1
address add 2001:db8:1::2/64 dev to-router nodad
address add 2001:db8:1::3/128 dev to-router nodad
route add default via 2001:db8:1::1
EOF
    # 198.18.1.3 and 2001:db8:1::3 reject echoes: "port unreachable", from
    # their own address.
    in_ns "$FAST" sysctl -w "${unlimited_errors_sysctls[@]}"
    ip netns exec "$FAST" nft -f - <<EOF
table ip testnet {
    chain input {
        type filter hook input priority 0; policy accept;
        ip daddr 198.18.1.3 icmp type echo-request reject
    }
}
table ip6 testnet {
    chain input {
        type filter hook input priority 0; policy accept;
        ip6 daddr 2001:db8:1::3 icmpv6 type echo-request reject
    }
}
EOF
    ip -n "$RESPONDER" -batch - <<EOF
link set to-router up
address add 198.18.2.2/24 dev to-router
$(for host in {10..26}; do echo "address add 198.18.2.$host/32 dev to-router"; done)
route add default via 198.18.2.1
address add 2001:db8:2::2/64 dev to-router nodad
$(for host in 10 11 12 13 20 21; do echo "address add 2001:db8:2::$host/128 dev to-router nodad"; done)
route add default via 2001:db8:2::1
EOF
    ip -n "$LOOP" -batch - <<EOF
link set to-router up
address add 198.18.3.2/24 dev to-router
route add default via 198.18.3.1
address add 2001:db8:3::2/64 dev to-router nodad
route add default via 2001:db8:3::1
EOF

    # ip netns exec mounts these over the client's /etc.
    mkdir -p "/etc/netns/$CLIENT"
    cat >"/etc/netns/$CLIENT/hosts" <<EOF
127.0.0.1 localhost
::1 localhost
198.18.1.2 fast.test
198.18.2.20 echo.test
198.18.2.10 slow.test
198.18.2.21 slow200.test
198.18.2.11 silent.test
198.18.2.12 other.test
198.18.2.14 wrongid.test
198.18.2.15 wrongseq.test
198.18.2.16 trunc.test
198.18.2.17 dup.test
198.18.2.18 mixed.test
2001:db8:1::2 fast6.test
2001:db8:2::20 echo6.test
2001:db8:2::10 slow6.test
2001:db8:2::11 silent6.test
2001:db8:2::12 other6.test
EOF
    # Nothing listens on the client's own port 53, so other names fail at once.
    echo "nameserver 127.0.0.1" >"/etc/netns/$CLIENT/resolv.conf"
    # Where this machine resolves names through a daemon, lookups would reach
    # past the namespace; inside, the hosts file and that name server are all.
    if [[ -f /etc/nsswitch.conf ]]; then
        sed 's/^hosts:.*/hosts: files dns/' /etc/nsswitch.conf >"/etc/netns/$CLIENT/nsswitch.conf"
    fi
}

start_responder() {
    local log=$tmpdir/responder.log tries=0
    ip netns exec "$RESPONDER" "$responder" "$log" &
    responder_pid=$!
    # The log appears once the responder's sockets are open.
    until [[ -e $log ]]; do
        running "$responder_pid" || die "quorvane-test-responder failed to start"
        ((tries++ < 250)) || die "quorvane-test-responder did not start within 5 s"
        sleep 0.02
    done
    export QV_RESPONDER_LOG=$log
}

trap teardown EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# Runs that start together must not remove each other's namespaces while
# deciding what is stale.
exec {lock_fd}>"$LOCK"
flock -w 60 "$lock_fd" || die "waited 60 s for $LOCK"
remove_stale
tmpdir=$(mktemp -d "${TMPDIR:-/tmp}/$PREFIX-testnet.XXXXXX")
build_network
exec {lock_fd}>&-

start_responder

export QV_TESTNET_PREFIX=$PREFIX
export QV_NETNS_CLIENT=$CLIENT QV_NETNS_ROUTER=$ROUTER QV_NETNS_FAST=$FAST
export QV_NETNS_RESPONDER=$RESPONDER QV_NETNS_LOOP=$LOOP

# In the background so that a signal to this script is handled at once,
# undoing what a background command gets by default: SIGINT and SIGQUIT
# ignored, /dev/null as input.
ip netns exec "$CLIENT" env --default-signal=INT,QUIT -- "$@" <&0 &
cmd_pid=$!
status=0
wait "$cmd_pid" || status=$?
cmd_pid=
exit "$status"
