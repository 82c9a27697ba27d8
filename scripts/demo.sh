#!/usr/bin/env bash
# The ORV demo: orvserver with its demo subscribers in a home folder of its own, and the
# desktop client orvphone in another, pointed at it. Without a display the same demo runs
# headless: orvcli logs on, calls the echo-test number with a spoken sentence and reports
# what came back.
#   ORV_BIN   the program folder (default build/bin)
#   ORV_RUN   where the home folders go (default run/)
#   ORV_HEADLESS=1  the headless demo even with a display
set -uo pipefail
cd "$(dirname "$0")/.."
bin=${ORV_BIN:-build/bin}
run=${ORV_RUN:-run}
echo_number=9999
mkdir -p "$run/server" "$run/phone" "$run/cli"

server_pid=
cli_pid=
cleanup() {
    exec 4>&- 2>/dev/null
    [ -n "$cli_pid" ] && kill "$cli_pid" 2>/dev/null
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# wait_for FILE PATTERN SECONDS: true once a line of FILE matches PATTERN (extended regex).
wait_for() {
    local file=$1 pattern=$2 limit=$(($3 * 10)) i
    for ((i = 0; i < limit; i++)); do
        grep -Eq -- "$pattern" "$file" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# The service. A database made on the first start holds the demo subscribers.
"$bin/orvserver" --home "$run/server" --user-port 0 >"$run/server/server.out" 2>"$run/server/server.err" &
server_pid=$!
if ! wait_for "$run/server/server.out" '^LISTEN user udp ' 20; then
    echo "orvserver did not start; see $run/server/server.err" >&2
    exit 1
fi
server=$(sed -n 's/^LISTEN user udp //p' "$run/server/server.out" | head -1)
echo "orvserver runs at $server (home folder $run/server, log $run/server/server.err)."
echo "Demo subscribers (number / password):"
sed -n 's/^DEMO number=\([^ ]*\) password=\([^ ]*\) state=\(.*\)/  \1 \/ \2 (\3)/p' "$run/server/server.out"
echo "Echo test: call $echo_number and hear yourself."

headless() {
    local out="$run/cli/cli.out" speech="$run/cli/speech.wav" heard="$run/cli/heard.wav"
    local sentence="Hello, this is the O R V echo test. One, two, three, four, five."
    echo
    echo "Headless demo: orvcli logs on as 8001, calls the echo test $echo_number with a spoken sentence."
    if ! command -v espeak-ng >/dev/null || ! command -v sox >/dev/null; then
        echo "espeak-ng and sox are needed for the spoken sentence (scripts/deps.sh lists them)." >&2
        return 1
    fi
    espeak-ng -w "$run/cli/speech-raw.wav" "$sentence" || return 1
    sox "$run/cli/speech-raw.wav" -r 8000 -c 1 -b 16 "$speech" || return 1
    rm -f "$heard" "$out" "$run/cli/cli.in"
    mkfifo "$run/cli/cli.in"
    "$bin/orvcli" --home "$run/cli" --server "$server" --number 8001 --password 1111 \
        --audio-device "wav:in=$speech,out=$heard" <"$run/cli/cli.in" >"$out" 2>"$run/cli/cli.err" &
    cli_pid=$!
    exec 4>"$run/cli/cli.in"
    send() { echo "$1" >&4; echo "  > $1"; }
    wait_for "$out" '^EVENT started' 20 || { echo "orvcli did not start; see $run/cli/cli.err" >&2; return 1; }
    send logon
    if ! wait_for "$out" '^EVENT (logon_complete|logon_failed|logon_timeout|update_failed)' 30 ||
        ! grep -q '^EVENT logon_complete' "$out"; then
        echo "The logon did not complete:" >&2; grep -E '^(EVENT|TEXT)' "$out" >&2; return 1
    fi
    echo "  logged on: $(grep '^EVENT logon_complete' "$out" | head -1)"
    send "call $echo_number"
    # Talking with media open, or the end of the call.
    if ! wait_for "$out" '^EVENT call_progress (type=8 |.*call_end=1)' 30 ||
        grep -q '^EVENT call_progress .*call_end=1' "$out" ||
        ! grep -Eq '^EVENT call_progress type=8 ' "$out"; then
        echo "The call did not reach the talking state:" >&2; grep -E '^(EVENT|TEXT)' "$out" >&2
        send quit; return 1
    fi
    echo "  talking to the echo test; the sentence is being spoken..."
    local seconds
    seconds=$(soxi -D "$speech" | cut -d. -f1)
    sleep $((seconds + 2))
    send hangup
    wait_for "$out" '^EVENT call_progress .*call_end=1' 10
    send quit
    exec 4>&-
    wait "$cli_pid" 2>/dev/null
    cli_pid=
    grep -E '^(EVENT call_progress|TEXT)' "$out" | sed 's/^/  /'
    if [ ! -s "$heard" ]; then
        echo "Nothing was heard: $heard is missing or empty." >&2
        return 1
    fi
    echo
    echo "Sent:  $(soxi -D "$speech") s, $(sox "$speech" -n stat 2>&1 | sed -n 's/^RMS *amplitude: *//p') RMS ($speech)"
    echo "Heard: $(soxi -D "$heard") s, $(sox "$heard" -n stat 2>&1 | sed -n 's/^RMS *amplitude: *//p') RMS ($heard)"
    echo "Play it with: play $heard"
}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] || [ "${ORV_HEADLESS:-0}" = 1 ]; then
    [ "${ORV_HEADLESS:-0}" = 1 ] || echo "No display (\$DISPLAY and \$WAYLAND_DISPLAY are empty): running the demo headless."
    headless
    exit $?
fi

echo
echo "Starting orvphone (home folder $run/phone). Log on with a demo number, e.g. 8001 / 1111,"
echo "then call $echo_number. To call it from a second client in another terminal:"
echo "  $bin/orvcli --home $run/cli --server $server --number 8002 --password 2222"
echo "  then type: logon, then: call 8001 (and hangup, quit)"
echo "Only one orvphone runs per machine. Closing orvphone ends the demo."
"$bin/orvphone" --home "$run/phone" --server "$server" LOG 3
