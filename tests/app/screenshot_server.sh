# Sourced by the application screenshot scripts (after tests/screenshot_desktop.sh): a real
# orvserver in a folder of its own, stopped when the script exits.
#   orv_server_start BUILD_DIR WORK_DIR 'LISTEN account tcp '   # sets orv_server_address

# Waits (10 s at the most) for the listen line given, then takes the user server's address.
orv_server_start() {
    local build=$1 work=$2 ready=$3
    "$build/bin/orvserver" --home "$work/server" --user-port 0 >"$work/server.out" 2>"$work/server.err" &
    orv_track $!
    for _ in $(seq 100); do grep -q "^$ready" "$work/server.out" && break; sleep 0.1; done
    orv_server_address=$(sed -n 's/^LISTEN user udp //p' "$work/server.out" | head -1)
}
