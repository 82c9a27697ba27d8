# Sourced by the install tests. echo_call SERVER_CMD... -- CLI_CMD...: starts the server
# (admin commands on a pipe, so it ends with the test), reads its user port, then logs the
# client on as 8001 and calls the echo-test number until the call talks with media open,
# hangs up and quits. Every wait has a deadline. Prints what went wrong and returns 1.

# read_until FD PATTERN SECONDS [LOG]: reads lines from FD (appending them to LOG) until one
# matches PATTERN; the line is left in $matched_line.
read_until() {
    local fd=$1 pattern=$2 seconds=$3 log=${4:-/dev/null} line
    local deadline=$((SECONDS + seconds))
    while [ $SECONDS -lt $deadline ]; do
        if IFS= read -r -t 1 line <&"$fd"; then
            printf '%s\n' "$line" >>"$log"
            if [[ $line =~ $pattern ]]; then matched_line=$line; return 0; fi
        fi
    done
    return 1
}

echo_call() {
    local server=() client=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do server+=("$1"); shift; done
    shift
    client=("$@")
    local out=${ECHO_CALL_LOG:-/dev/null} pipes
    pipes=$(mktemp -d)
    mkfifo "$pipes/server.in" "$pipes/server.out" "$pipes/client.in" "$pipes/client.out"
    "${server[@]}" --user-port 0 <"$pipes/server.in" >"$pipes/server.out" 2>&1 &
    local server_pid=$! server_in server_out client_in client_out status=0
    exec {server_in}>"$pipes/server.in" {server_out}<"$pipes/server.out"
    if ! read_until "$server_out" '^LISTEN user udp ' 30 "$out"; then
        echo "the server did not start"
        exec {server_in}>&- {server_out}<&-
        kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; rm -rf "$pipes"
        return 1
    fi
    local address=${matched_line#LISTEN user udp }
    "${client[@]}" --server "$address" --number 8001 --password 1111 <"$pipes/client.in" >"$pipes/client.out" 2>&1 &
    local client_pid=$!
    exec {client_in}>"$pipes/client.in" {client_out}<"$pipes/client.out"
    echo logon >&"$client_in"
    if ! read_until "$client_out" '^EVENT logon_complete' 30 "$out"; then
        echo "the client did not log on"; status=1
    else
        echo "call ${ECHO_NUMBER:-9999}" >&"$client_in"
        if ! read_until "$client_out" '^EVENT call_progress .*type=8( |$)' 30 "$out"; then
            echo "the echo call did not talk"; status=1
        fi
        echo hangup >&"$client_in"
        read_until "$client_out" '^EVENT call_state .*state=0( |$)' 30 "$out" || { echo "the call did not end"; status=1; }
    fi
    echo quit >&"$client_in"
    exec {client_in}>&-
    timeout 30 cat <&"$client_out" >>"$out"
    exec {client_out}<&-
    wait "$client_pid"
    echo quit >&"$server_in"
    exec {server_in}>&-
    timeout 30 cat <&"$server_out" >>"$out"
    exec {server_out}<&-
    wait "$server_pid"
    rm -rf "$pipes"
    return $status
}
