#!/usr/bin/env bash
# Installs the build folder into a scratch prefix and uses the installed programs as a person
# would: the commands are links into the private folder, which holds every program, library
# and skin archive and the install marker; the programs load their libraries from there, not
# from the build folder; the installed orvserver and orvcli make an echo call; the client's
# home folder defaults to $XDG_DATA_HOME/orv (ORV_HOME and --home still win); and nothing
# under the prefix changes at run time.
set -uo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/echo_call.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

prefix=$scratch/usr
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 || { cat "$scratch/install.log"; exit 1; }
private=$(dirname "$(readlink -f "$prefix/bin/orvcli")")
[ "$(basename "$private")" = orv ] && [ "${private#"$(readlink -f "$prefix")"/lib/}" != "$private" ] || fail "the private folder $private is not lib/.../orv"

for program in orvphone orvcli orvserver; do
    [ -L "$prefix/bin/$program" ] || fail "bin/$program is not a link"
    [ "$(readlink -f "$prefix/bin/$program")" = "$(readlink -f "$private/$program")" ] || fail "bin/$program does not lead to the private folder"
done
for file in installed.ini orv.dat Conf.dat libudplink.so libtcplink.so liborvplatform.so libhandset.so libhandsetsys.so handsetctl; do
    [ -f "$private/$file" ] || fail "the private folder lacks $file"
done
# Every library the installed programs load comes from the private folder or the system.
for program in orvcli orvserver orvphone; do
    libraries=$(ldd "$private/$program")
    [[ $libraries != *"$build/"* ]] || fail "$program loads from the build folder"
    [[ $libraries == *"$private/libudplink.so"* ]] || fail "$program does not load the installed link library"
done

# The desktop's files: entry, metadata, icons and manual pages.
desktop=$prefix/share/applications/orvphone.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate: $desktop"
grep -q '^MimeType=.*x-scheme-handler/tel;' "$desktop" || fail "the desktop entry does not handle tel: links"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/"*.metainfo.xml >"$scratch/appstream.txt" 2>&1 \
    || { cat "$scratch/appstream.txt"; fail "appstreamcli validate"; }
for size in 16x16 32x32 48x48 256x256; do
    [ -s "$prefix/share/icons/hicolor/$size/apps/orvphone.png" ] || fail "no $size icon"
done
grep -q "<svg" "$prefix/share/icons/hicolor/scalable/apps/orvphone.svg" || fail "no scalable icon"
for program in orvphone orvcli orvserver; do
    [ "$(zcat "$prefix/share/man/man1/$program.1.gz" | grep -c "^\.SH NAME")" -eq 1 ] || fail "no manual page of $program"
done

snapshot() { find "$prefix" -printf '%p %s %T@ %m\n' | sort; }
snapshot >"$scratch/before"

export HOME=$scratch/home XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config
unset ORV_HOME
mkdir -p "$HOME"

# The echo call; the server keeps its database in a folder of its own.
ECHO_CALL_LOG=$scratch/call.log echo_call "$prefix/bin/orvserver" --home "$scratch/server" -- "$prefix/bin/orvcli" \
    || { cat "$scratch/call.log"; fail "the echo call between the installed programs"; }
[ -s "$scratch/server/orvserver.db" ] || fail "--home did not hold the server's database"
[ -f "$XDG_DATA_HOME/orv/orvcli.cfg" ] || fail "the client's home folder is not \$XDG_DATA_HOME/orv"

# Without XDG_DATA_HOME the data folder is ~/.local/share; ORV_HOME and --home come first.
env -u XDG_DATA_HOME "$prefix/bin/orvcli" --help >/dev/null
[ -d "$HOME/.local/share/orv" ] || fail "no home folder under ~/.local/share"
ORV_HOME=$scratch/env-home "$prefix/bin/orvcli" --help >/dev/null
[ -d "$scratch/env-home" ] || fail "ORV_HOME was not used"
ORV_HOME=$scratch/env-home "$prefix/bin/orvcli" --home "$scratch/option-home" --help >/dev/null
[ -d "$scratch/option-home" ] || fail "--home did not win over ORV_HOME"
if env -u XDG_DATA_HOME -u HOME "$prefix/bin/orvcli" --help >/dev/null 2>"$scratch/nohome.txt"; then
    fail "an installed client without any home folder started"
fi
grep -q "no home folder" "$scratch/nohome.txt" || fail "no clear message without a home folder: $(cat "$scratch/nohome.txt")"

snapshot >"$scratch/after"
diff "$scratch/before" "$scratch/after" >/dev/null || { diff "$scratch/before" "$scratch/after" | head; fail "files under the prefix changed at run time"; }

[ $failures -eq 0 ] && echo "installed layout: all checks passed"
exit $((failures > 0))
