# Sourced by the screenshot scripts: a small desktop (Xvfb, and as asked openbox and the tint2
# panel) on a display no one else uses, and the processes the script starts, all stopped when
# the script exits.
#   source tests/screenshot_desktop.sh
#   orv_desktop_start 1280x800 panel   # exports DISPLAY
#   some_server & orv_track $!         # stopped at exit too

orv_tracked=()
orv_track() { orv_tracked+=("$@"); }
orv_stop_tracked() {
    local pid
    for pid in "${orv_tracked[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap orv_stop_tracked EXIT

# orv_desktop_start SIZE [bare|wm|panel]: Xvfb alone, with openbox (the default), or with
# openbox and tint2. Xvfb picks a free display itself and tells it on a pipe.
orv_desktop_start() {
    local size=$1 kind=${2:-wm} display="" started="" line fd
    # Two lines in either order: the server's process id and, once it listens, its display.
    exec {fd}< <(Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>&1 >/dev/null 2>&1 & echo "pid $!")
    while { [ -z "$display" ] || [ -z "$started" ]; } && read -r -t 10 line <&"$fd"; do
        case $line in
        pid\ *) started=${line#pid }; orv_track "$started" ;;
        *) display=$line ;;
        esac
    done
    exec {fd}<&-
    if [ -z "$display" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$display"
    [ "$kind" = bare ] && return 0
    openbox >/dev/null 2>&1 &
    orv_track $!
    if [ "$kind" = panel ]; then
        tint2 >/dev/null 2>&1 &
        orv_track $!
    fi
    sleep 1 # the window manager and the panel take their places before the first window
}
