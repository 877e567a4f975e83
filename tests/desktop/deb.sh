#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine and meets it as a file
# manager does: the MIME types GIO and Qt give NC programs and their namesakes,
# the Open With list, a launch of the desktop entry on two files, the man page,
# lintian; then removes it and checks that nothing of it is left.
# Usage: tests/desktop/deb.sh [PRESET]   (the build preset; ci by default)
set -euo pipefail
cd "$(dirname "$0")/../.."

preset=${1:-ci}
build=build/$preset
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
failures=0
work=$(mktemp -d "${TMPDIR:-/tmp}/vorlund-deb.XXXXXX")
xvfb=

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cleanup() {
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    if dpkg-query -W -f='${Status}' vorlund 2>/dev/null | grep -q 'ok installed'; then
        "${sudo[@]}" dpkg -r vorlund >/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Polls a command for up to 10 s.
eventually() {
    local _
    for _ in $(seq 100); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

echo "== package"
cmake --build --preset "$preset" --target package -j"$(nproc)" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/vorlund_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || {
    echo "FAIL: no $deb" >&2
    exit 1
}
mimetype=$(find "$build" -type f -name desktop_mimetype -perm -u+x | head -n1)
[ -n "$mimetype" ] || {
    echo "FAIL: desktop_mimetype is not built" >&2
    exit 1
}
package_files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {sub(/^\./, "", $6); print $6}')
grep -qx /usr/share/man/man1/vorlund.1.gz <<<"$package_files" || fail "the package has no man page"
! grep -q mimeapps.list <<<"$package_files" || fail "the package sets default applications"

echo "== lintian"
lintian_out=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges' || true)
[ -z "$lintian_out" ] || echo "$lintian_out"
! grep -q '^E:' <<<"$lintian_out" || fail "lintian reports errors"

echo "== install"
# A container's dpkg may leave out man pages and docs (path-exclude); ours go in.
"${sudo[@]}" dpkg --path-include='/usr/share/man/man1/vorlund.1.gz' \
    --path-include='/usr/share/doc/vorlund/*' -i "$deb" >/dev/null
for f in $package_files; do
    [ -e "$f" ] || fail "not installed: $f"
done
desktop-file-validate /usr/share/applications/vorlund.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net /usr/share/metainfo/*vorlund*.metainfo.xml >/dev/null ||
    fail "appstreamcli validate"
man -w vorlund >/dev/null || fail "man -w vorlund finds no page"

echo "== MIME types"
export XDG_DATA_HOME=$work/home-data # no user's own types or associations
mkdir -p "$work/s"
cp samples/O1001.NC "$work/s/prog.nc"
cp samples/O1001.NC "$work/s/PROG.NC"
cp samples/O1001.NC "$work/s/prog.tap"
cp samples/bracket.ngc "$work/s/prog.ngc"
cp samples/bracket.ngc "$work/s/prog.gcode"
cp samples/O1001.NC "$work/s/prog.cnc"
printf 'CDF\001\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' >"$work/s/data.nc"
printf '\211HDF\r\n\032\n\0\0\0\0\0\010\010\0' >"$work/s/data4.nc"
{
    printf ' LICENSED BY SNK CORPORATION\0\0\0\0\0\0\0\020'
    head -c 256 /dev/zero
} >"$work/s/game.ngc"
expected=(
    prog.nc:text/x.gcode PROG.NC:text/x.gcode prog.tap:text/x.gcode prog.ngc:text/x.gcode
    prog.gcode:text/x.gcode prog.cnc:text/x.gcode data.nc:application/x-netcdf
    data4.nc:application/x-netcdf game.ngc:application/x-neo-geo-pocket-color-rom
)
qt_types=$("$mimetype" "$work"/s/*)
printf '%-11s %-40s %-40s\n' file GIO Qt
for e in "${expected[@]}"; do
    name=${e%%:*}
    want=${e#*:}
    gio_type=$(gio info -a standard::content-type "$work/s/$name" | sed -n 's/^ *standard::content-type: //p')
    qt_type=$(awk -v f="$work/s/$name" '$1 == f {print $2}' <<<"$qt_types")
    printf '%-11s %-40s %-40s\n' "$name" "$gio_type" "$qt_type"
    [ "$gio_type" = "$want" ] || fail "GIO: $name is $gio_type, not $want"
    [ "$qt_type" = "$want" ] || fail "Qt: $name is $qt_type, not $want"
done

echo "== Open With"
gio_mime=$(gio mime text/x.gcode)
echo "$gio_mime"
grep -A1000 '^Registered applications:' <<<"$gio_mime" | grep -qx $'\tvorlund.desktop' ||
    fail "gio mime text/x.gcode does not list vorlund.desktop"

echo "== gio launch"
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset LC_ALL LC_NUMERIC
export LANG=C.UTF-8
setpriv --pdeathsig KILL Xvfb -displayfd 3 -nolisten tcp -screen 0 800x600x24 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
eventually test -s "$work/display" || fail "Xvfb did not start"
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
mkdir "$work/l"
cp samples/O1001.NC "$work/l/PART1.NC"
cp samples/bracket.ngc "$work/l/bracket.ngc"
gio launch /usr/share/applications/vorlund.desktop "$work/l/PART1.NC" "$work/l/bracket.ngc" 2>&1
renamed() { [ -e "$work/l/PART1h12.5.NC" ] && [ -e "$work/l/bracketh6.2.ngc" ]; }
eventually renamed || fail "not both renamed: $(ls "$work/l" | tr '\n' ' ')"
clip=$(xclip -o -selection clipboard 2>&1)
[ "$clip" = $'h12.5\nh6.2' ] || fail "clipboard holds [$clip], not the two tags"
kill "$xvfb"
wait "$xvfb" 2>/dev/null || true
xvfb=

echo "== remove"
"${sudo[@]}" dpkg -r vorlund >/dev/null
for f in $package_files /usr/share/doc/vorlund; do
    [ ! -e "$f" ] || fail "left behind: $f"
done
gio mime text/x.gcode | grep -q vorlund && fail "text/x.gcode still lists vorlund"

if [ "$failures" -gt 0 ]; then
    echo "deb: $failures failure(s)" >&2
    exit 1
fi
echo "deb: all passed"
