#!/usr/bin/env bash
# The Wireshark dissector against a real capture: orvserver (media through its rendezvous)
# and orvcli log on and make an echo call while tshark captures the server's ports on the
# loopback; tshark with the dissector must take every packet that carries data for one of
# the service's, name its type (no unknown type), and show the logon's fields and the media
# header. Skipped (exit 77) where tshark is missing or cannot capture on the loopback.
set -uo pipefail
build=$1
script=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/echo_call.sh"
if ! command -v tshark >/dev/null; then
    echo "SKIP: tshark is not installed"; exit 77
fi
scratch=$(mktemp -d)
capture_pid=""
cleanup() {
    [ -n "$capture_pid" ] && kill "$capture_pid" 2>/dev/null
    [ -n "${KEEP_SCRATCH:-}" ] && cp -r "$scratch" /tmp/pkg-dissect-keep; rm -rf "$scratch"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

export ECHO_CALL_LOG=$scratch/call.log
start_server "$build/bin/orvserver" --home "$scratch/server" --media-relay || { cat "$ECHO_CALL_LOG"; exit 1; }
filter=$(sed -nE 's/^LISTEN [a-z-]+ (udp|tcp) [0-9.]+:([0-9]+)$/\1 port \2/p' <<<"$server_listen" | paste -sd '|' | sed 's/|/ or /g')

capture=$scratch/call.pcapng
tshark -i lo -f "$filter" -w "$capture" >"$scratch/capture.txt" 2>&1 &
capture_pid=$!
deadline=$((SECONDS + 30))
until grep -q "Capture started\|Capturing on" "$scratch/capture.txt"; do
    if [ $SECONDS -ge $deadline ] || ! kill -0 "$capture_pid" 2>/dev/null; then
        stop_server
        echo "SKIP: tshark cannot capture on the loopback here: $(tail -2 "$scratch/capture.txt")"; exit 77
    fi
    sleep 0.1
done
# mark_capture WORD: sends marker datagrams to the server's user port until one is in the
# capture file, so everything sent before the return is captured (dumpcap reports its start
# before its filter is on, and what the kernel still holds for it at a stop can be lost).
user_port=${server_address##*:}
mark_capture() {
    local marker="ORV-CAPTURE-$1" deadline=$((SECONDS + 30))
    until tshark -r "$capture" -Y "udp contains \"$marker\"" 2>/dev/null | grep -c . >/dev/null; do
        [ $SECONDS -lt $deadline ] || return 1
        printf '%s' "$marker" >/dev/udp/127.0.0.1/"$user_port"
        sleep 0.2
    done
}
mark_capture START || { stop_server; echo "SKIP: the capture never showed its start marker"; exit 77; }

ECHO_DTMF=5 run_echo_client "$build/bin/orvcli" --home "$scratch/client" || fail "the echo call"
stop_server
mark_capture END || fail "the capture never showed its end marker"
kill -INT "$capture_pid"; wait "$capture_pid"; capture_pid=""
[ -s "$capture" ] || { cat "$scratch/capture.txt"; fail "nothing captured"; exit 1; }

# One pass of tshark with the dissector; one line a frame:
# protocols, TCP payload length, type names, unknown marks, logon number, link kinds, probe
# marks, TCP retransmission mark.
tshark -r "$capture" -X lua_script:"$script" -Y '!(udp contains "ORV-CAPTURE-")' -T fields -E separator='|' \
    -e frame.protocols -e tcp.len \
    -e orv.type_name -e orv.unknown -e orv.login.number -e orv.link -e orvmedia.probe \
    -e tcp.analysis.retransmission \
    >"$scratch/frames.txt" 2>"$scratch/dissect.err"
if grep -qi "lua" "$scratch/dissect.err"; then cat "$scratch/dissect.err"; fail "the dissector reported errors"; fi
# Every frame that carries data belongs to the service (a TCP retransmission repeats bytes
# already dissected and is not handed to the dissector again).
stray='($1 ~ /:udp/ || $2 > 0) && $3 == "" && $7 == "" && $8 == ""'
strays=$(awk -F'|' "$stray" "$scratch/frames.txt" | wc -l)
[ "$strays" -eq 0 ] || { awk -F'|' "$stray" "$scratch/frames.txt" | head; fail "$strays frames not dissected"; }
unknown=$(awk -F'|' '$4 ~ /True|1/' "$scratch/frames.txt" | wc -l)
[ "$unknown" -eq 0 ] || fail "$unknown packets of unknown type"
names=$(cut -d'|' -f3 "$scratch/frames.txt" | tr ',' '\n' | grep -v '^$' | sort -u | paste -sd ' ')
echo "packet types: $names"
for name in Login KeepAlive Logout TalkRequest CallSetup CallConnect CallDisconnect CallDTMF OpenUDPChannel; do
    [[ " $names " == *" $name "* ]] || fail "no $name packet named"
done
# (awk reads to the end: an early exit in a pipe would fail it under pipefail.)
awk -F'|' '$5 == "8001" {n++} END {exit !n}' "$scratch/frames.txt" || fail "the logon's number is not shown"
awk -F'|' '$6 ~ /stream/ {n++} END {exit !n}' "$scratch/frames.txt" || fail "no stream frame dissected"
[ "$(awk -F'|' '$7 ~ /False|0/' "$scratch/frames.txt" | wc -l)" -ge 10 ] || fail "too few media packets"
awk -F'|' '$7 ~ /True|1/ {n++} END {exit !n}' "$scratch/frames.txt" || fail "no media probe"

[ $failures -eq 0 ] && echo "dissector: all checks passed"
exit $((failures > 0))
