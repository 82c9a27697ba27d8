#!/usr/bin/env bash
# The Wireshark dissector against a real capture. orvserver (media through its rendezvous)
# and two orvcli subscribers use the service while tshark captures the server's ports on
# the loopback: logons with a live-update list and a signed-list download, a friend added,
# fetched on a second logon and deleted, the balance asked and refilled, forwarding set, an
# echo call with digits and its video paused, a conference of two with digits, a video
# request and the member removed, the bind option set and a new password. dissector_check.py
# then reads tshark's dissection of the capture (scripts: the dissector) and checks that
# every packet is taken, named and shown field by field, with values that match what the
# programs said; dissector_hostile.py feeds it packets no honest peer sends. Skipped
# (exit 77) where tshark is missing or cannot capture on the loopback.
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
declare -A client_in client_out client_pid
cleanup() {
    [ -n "$capture_pid" ] && kill "$capture_pid" 2>/dev/null
    for name in "${!client_pid[@]}"; do kill "${client_pid[$name]}" 2>/dev/null; done
    [ -n "${KEEP_SCRATCH:-}" ] && rm -rf "$KEEP_SCRATCH" && cp -r "$scratch" "$KEEP_SCRATCH"
    rm -rf "$scratch"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

export ECHO_CALL_LOG=$scratch/call.log
start_server "$build/bin/orvserver" --home "$scratch/server" --media-relay || { cat "$ECHO_CALL_LOG"; exit 1; }
# The update server's line comes after the account server's.
read_until "$server_out" "^LISTEN update " 30 "$ECHO_CALL_LOG" || { stop_server; echo "no update server"; exit 1; }
server_listen+="$matched_line"$'\n'
filter=$(sed -nE 's/^LISTEN [a-z-]+ (udp|tcp) [0-9.]+:([0-9]+)$/\1 port \2/p' <<<"$server_listen" | paste -sd '|' | sed 's/|/ or /g')
listen_port() { sed -nE "s/^LISTEN $1 [a-z]+ [0-9.]+:([0-9]+)$/\1/p" <<<"$server_listen"; }

# admin LINE PATTERN: one admin command, waiting for its answer.
admin() {
    echo "$1" >&"$server_in"
    read_until "$server_out" "$2" 30 "$ECHO_CALL_LOG" || fail "admin: $1"
}
update_key=$(sed -n 's/^UPDATE-KEY //p' "$ECHO_CALL_LOG" | head -1)
echo "greeting" >"$scratch/greeting.txt"
admin "publish $scratch/greeting.txt 3" "^ADMIN ok publish"
admin "addcard 5550001 777 2500" "^ADMIN ok addcard"

# Two subscribers. Both hold the offered file already, so of the update they fetch the signed
# list only and log on (a client that took the file would install it beside its program).
for number in 8001 8002; do
    mkdir -p "$scratch/$number"
    printf '[Update]\nFile0=greeting.txt,3\n[LiveUpdate]\nPublicKey=%s\n' "$update_key" >"$scratch/$number/orvcli.cfg"
done
start_client() { # NUMBER PASSWORD
    mkfifo "$scratch/$1.in" "$scratch/$1.out"
    "$build/bin/orvcli" --home "$scratch/$1" --server "$server_address" --number "$1" --password "$2" \
        <"$scratch/$1.in" >"$scratch/$1.out" 2>&1 &
    client_pid[$1]=$!
    exec {fd_in}>"$scratch/$1.in" {fd_out}<"$scratch/$1.out"
    client_in[$1]=$fd_in
    client_out[$1]=$fd_out
}
say() { echo "$2" >&"${client_in[$1]}"; }
# expect NUMBER PATTERN: the subscriber's next event line matching PATTERN (in $matched_line).
expect() {
    read_until "${client_out[$1]}" "$2" 30 "$scratch/$1.log" && return 0
    fail "$1 never printed $2"; return 1
}
quit_client() {
    say "$1" quit
    exec {client_in[$1]}>&-
    timeout 30 cat <&"${client_out[$1]}" >>"$scratch/$1.log"
    wait "${client_pid[$1]}"
    unset "client_pid[$1]"
}

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
    until grep -aq "$marker" "$capture" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || return 1
        printf '%s' "$marker" >/dev/udp/127.0.0.1/"$user_port"
        sleep 0.2
    done
}
mark_capture START || { stop_server; echo "SKIP: the capture never showed its start marker"; exit 77; }

# The hostile packets need no service: they are dissected while the subscribers work.
python3 "$here/dissector_hostile.py" "$script" "$scratch" >"$scratch/hostile.txt" 2>&1 &
hostile_pid=$!
start_client 8002 2222
start_client 8001 1111
say 8002 logon
expect 8002 '^EVENT logon_complete'
say 8001 logon
expect 8001 '^EVENT update_list'
expect 8001 '^EVENT logon_complete'

say 8001 "friend-add Bee 8002 group=Work email=bee@example.org"
expect 8001 '^EVENT friend_stored '
say 8001 account
expect 8001 '^EVENT account_balance ' && balance=$(sed -nE 's/.* value=([^ ]+).*/\1/p' <<<"$matched_line")
say 8001 "refill 5550001 777"
expect 8001 '^EVENT refill_done '
say 8001 "forward-set busy=8003"
expect 8001 '^EVENT forward_set '

say 8001 "call 9999"
expect 8001 '^EVENT call_progress .*type=8( |$)'
say 8001 "dtmf 5"
expect 8001 '^EVENT dtmf_sent'
say 8001 "pause-video on" # goes before the hang-up on the same link
say 8001 hangup
expect 8001 '^EVENT call_state .*state=0( |$)'

say 8001 conf-open
expect 8001 '^EVENT conf_event type=14'
say 8001 "conf-invite 8002"
expect 8002 'view=incoming'
say 8002 answer
expect 8002 '^EVENT conf_event type=7'
expect 8001 'number=8002 .*state=connected'
say 8001 "conf-dtmf 1 47"
read_until "$server_out" "digits=47" 30 "$ECHO_CALL_LOG" || fail "the conference digits never reached the server"
say 8001 "conf-video 1 on"
say 8001 "conf-kick 1"
expect 8002 '^EVENT conf_event type=3 reason=11'
say 8001 conf-leave
expect 8001 '^EVENT conf_reset'

# A second logon fetches the stored friend; then it is deleted.
say 8001 logout
expect 8001 '^EVENT logged_out'
say 8001 logon
expect 8001 '^EVENT logon_complete'
expect 8001 '^EVENT friend_stored .*name=Bee'
say 8001 "friend-del Bee"
expect 8001 '^EVENT friend_deleted'
say 8001 "security on"
expect 8001 '^EVENT bind_set ' # refused: no handset is bound
say 8001 "password 1111 1112"
expect 8001 '^EVENT password_set result=0'
for number in 8001 8002; do
    say $number logout
    expect $number '^EVENT logged_out'
    quit_client $number
done
stop_server
mark_capture END || fail "the capture never showed its end marker"
kill -INT "$capture_pid"; wait "$capture_pid"; capture_pid=""
[ -s "$capture" ] || { cat "$scratch/capture.txt"; fail "nothing captured"; exit 1; }

tshark -r "$capture" -X lua_script:"$script" -Y '!(udp contains "ORV-CAPTURE-")' -T pdml \
    >"$scratch/dissect.pdml" 2>"$scratch/dissect.err"
grep -qi "lua" "$scratch/dissect.err" && { cat "$scratch/dissect.err"; fail "the dissector reported errors"; }
grep -q "Lua Error\|body not dissected" "$scratch/dissect.pdml" && fail "the dissector failed on a packet"
wait $hostile_pid || fail "the hostile packets"
cat "$scratch/hostile.txt"
python3 "$here/dissector_check.py" "$scratch/dissect.pdml" \
    "user=$(listen_port 'user') talk=$(listen_port talk) conference=$(listen_port conference)" \
    "account=$(listen_port account) update=$(listen_port update) balance=${balance:-?}" || fail "the dissection"

[ $failures -eq 0 ] && echo "dissector: all checks passed"
exit $((failures > 0))
