# Sourced by the install tests. echo_call SERVER_CMD... -- CLI_CMD...: starts the server
# (admin commands on a pipe, so it ends with the test), reads its user port, then logs the
# client on as 8001 and calls the echo-test number until the call talks with media open,
# (with ECHO_DTMF, sends those digits and waits until they went), hangs up, logs out and
# quits.
# Every wait has a deadline. Prints what went wrong and returns 1.
# The three steps are there alone too: start_server (its LISTEN lines, up to the account
# server's, land in $server_listen), run_echo_client and stop_server.

# read_until FD PATTERN SECONDS [LOG]: reads lines from FD (appending them to LOG) until one
# matches PATTERN; the line is left in $matched_line.
read_until() {
    local fd=$1 pattern=$2 seconds=$3 log=${4:-/dev/null} line rc
    local deadline=$((SECONDS + seconds))
    while [ $SECONDS -lt $deadline ]; do
        IFS= read -r -t 1 line <&"$fd"
        rc=$?
        if [ $rc -gt 128 ]; then # timed out: keep what came of the line so far
            read_partial+=$line
            continue
        fi
        line=$read_partial$line
        read_partial=""
        [ $rc -ne 0 ] && [ -z "$line" ] && return 1 # end of output
        printf '%s\n' "$line" >>"$log"
        if [[ $line =~ $pattern ]]; then matched_line=$line; return 0; fi
        [ $rc -ne 0 ] && return 1
    done
    return 1
}
read_partial=""

start_server() {
    echo_log=${ECHO_CALL_LOG:-/dev/null}
    echo_pipes=$(mktemp -d)
    mkfifo "$echo_pipes/server.in" "$echo_pipes/server.out" "$echo_pipes/client.in" "$echo_pipes/client.out"
    "$@" --user-port 0 <"$echo_pipes/server.in" >"$echo_pipes/server.out" 2>&1 &
    server_pid=$!
    exec {server_in}>"$echo_pipes/server.in" {server_out}<"$echo_pipes/server.out"
    server_listen=""
    # Every LISTEN line, up to the account server's, which comes last.
    while [[ $server_listen != *"LISTEN account "* ]]; do
        if ! read_until "$server_out" "^LISTEN " 30 "$echo_log"; then
            echo "the server did not start"; stop_server; return 1
        fi
        server_listen+="$matched_line"$'\n'
        [[ $matched_line == "LISTEN user udp "* ]] && server_address=${matched_line#LISTEN user udp }
    done
    return 0
}

stop_server() {
    echo quit >&"$server_in"
    exec {server_in}>&-
    timeout 30 cat <&"$server_out" >>"$echo_log"
    exec {server_out}<&-
    wait "$server_pid"
    rm -rf "$echo_pipes"
}

# run_echo_client CLI_CMD...: the client's part against the started server.
run_echo_client() {
    local client_in client_out client_pid status=0
    "$@" --server "$server_address" --number 8001 --password 1111 <"$echo_pipes/client.in" >"$echo_pipes/client.out" 2>&1 &
    client_pid=$!
    exec {client_in}>"$echo_pipes/client.in" {client_out}<"$echo_pipes/client.out"
    echo logon >&"$client_in"
    if ! read_until "$client_out" '^EVENT logon_complete' 30 "$echo_log"; then
        echo "the client did not log on"; status=1
    else
        echo "call ${ECHO_NUMBER:-9999}" >&"$client_in"
        if ! read_until "$client_out" '^EVENT call_progress .*type=8( |$)' 30 "$echo_log"; then
            echo "the echo call did not talk"; status=1
        elif [ -n "${ECHO_DTMF:-}" ]; then
            # Digits go once a second: the call talks (and its media flow) until they went.
            echo "dtmf $ECHO_DTMF" >&"$client_in"
            read_until "$client_out" '^EVENT dtmf_sent' 30 "$echo_log" || { echo "the digits were not sent"; status=1; }
        fi
        echo hangup >&"$client_in"
        read_until "$client_out" '^EVENT call_state .*state=0( |$)' 30 "$echo_log" || { echo "the call did not end"; status=1; }
        echo logout >&"$client_in"
        read_until "$client_out" '^EVENT logged_out' 30 "$echo_log" || { echo "the client did not log out"; status=1; }
    fi
    echo quit >&"$client_in"
    exec {client_in}>&-
    timeout 30 cat <&"$client_out" >>"$echo_log"
    exec {client_out}<&-
    wait "$client_pid"
    return $status
}

echo_call() {
    local server=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do server+=("$1"); shift; done
    shift
    start_server "${server[@]}" || return 1
    local status=0
    run_echo_client "$@" || status=1
    stop_server
    return $status
}
