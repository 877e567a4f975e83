#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine and meets it as a file
# manager does: the MIME types GIO and Qt give NC programs and their namesakes,
# the Open With list, a launch of the desktop entry on two files, the "Tag
# depth" actions of Dolphin, Nemo, PCManFM-Qt and Caja run on two files as
# each runs them, the man page, lintian; then removes it and checks that
# nothing of it is left.
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

echo "== Tag depth actions"
servicemenu=/usr/share/kio/servicemenus/vorlund-tag-depth.desktop
nemo_action=/usr/share/nemo/actions/vorlund-tag-depth.nemo_action
fm_action=/usr/share/file-manager/actions/vorlund-tag-depth.desktop
# A key's value in a key file (desktop entry syntax). Usage: key FILE GROUP KEY
key() {
    awk -v g="[$2]" -v k="$3" '/^\[/ {in_group = ($0 == g)}
        in_group && index($0, k "=") == 1 {print substr($0, length(k) + 2); exit}' "$1"
}
# FILE|GROUP|KEY|VALUE: what each file manager needs to show the entry and run it.
while IFS='|' read -r file group name want; do
    grep -qx "$file" <<<"$package_files" || fail "the package has no $file"
    got=$(key "$file" "$group" "$name")
    [ "$got" = "$want" ] || fail "$file: [$group] $name is [$got], not [$want]"
done <<EOF_KEYS
$servicemenu|Desktop Entry|Type|Service
$servicemenu|Desktop Entry|X-KDE-ServiceTypes|KonqPopupMenu/Plugin
$servicemenu|Desktop Entry|MimeType|text/x.gcode;
$servicemenu|Desktop Entry|Actions|TagDepth;
$servicemenu|Desktop Action TagDepth|Name|Tag depth
$servicemenu|Desktop Action TagDepth|Exec|vorlund %F
$nemo_action|Nemo Action|Name|Tag depth
$nemo_action|Nemo Action|Mimetypes|text/x.gcode;
$nemo_action|Nemo Action|Selection|notnone
$nemo_action|Nemo Action|Quote|double
$nemo_action|Nemo Action|Exec|vorlund %F
$fm_action|Desktop Entry|Type|Action
$fm_action|Desktop Entry|Name|Tag depth
$fm_action|Desktop Entry|Profiles|gcode;
$fm_action|X-Action-Profile gcode|MimeTypes|text/x.gcode;
$fm_action|X-Action-Profile gcode|Exec|vorlund %F
EOF_KEYS
[ "$(stat -c %a "$servicemenu")" = 755 ] || fail "$servicemenu is not executable (KF6 ignores it)"
# The validator knows only applications, links and folders: it may refuse the
# type and the keys of the type, nothing else. Nemo's format has no validator.
validate_but() { # FILE ERRORS_ALLOWED
    local out
    out=$(desktop-file-validate "$1" 2>&1 | grep -vE "$2" || true)
    [ -z "$out" ] || fail "desktop-file-validate $1: $out"
}
validate_but "$servicemenu" 'type is "Service" while this key is only valid|required key "Name" in group "Desktop Entry"'
validate_but "$fm_action" 'value "Action" for key "Type"|key "(Tooltip|Profiles)" in group "Desktop Entry", but keys extending'

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
# A run started from a file manager gathers the starts that come within a
# second of quiet into its clipboard text: the next case waits until the
# run has let its gathering channel go.
gathering() { grep -q "@vorlund/gather/" /proc/net/unix; }
alone() { ! gathering; }
eventually alone || fail "the run still gathers"

echo "== Tag depth actions run"
# Two programs in a folder with a space in its name, and the clipboard holding
# something else. Usage: two_files DIR
two_files() {
    mkdir -p "$1"
    cp samples/O1001.NC "$1/PART1.NC"
    cp samples/bracket.ngc "$1/bracket.ngc"
    printf other | xclip -selection clipboard 2>/dev/null
    eventually clip_is other || fail "xclip did not take the clipboard"
}
clip_is() { [ "$(xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }
both_renamed() { [ -e "$1/PART1h12.5.NC" ] && [ -e "$1/bracketh6.2.ngc" ]; }
tagged() { # WHAT DIR
    eventually both_renamed "$2" || fail "$1: not both renamed: $(ls "$2" | tr '\n' ' ')"
    clip=$(xclip -o -selection clipboard 2>&1)
    [ "$clip" = $'h12.5\nh6.2' ] || fail "$1: clipboard holds [$clip], not the two tags"
}
# Dolphin's and Nemo's Exec lines run as they run them: %F becomes the paths,
# each quoted (Nemo with the Quote key's double quotes, KIO as the shell
# quotes), and the line is split as a shell splits it; stderr is no terminal.
run_exec() { # EXEC QUOTE FILE...
    local exec=$1 q=$2 list="" f token=%F
    shift 2
    for f in "$@"; do list+=" $q$f$q"; done
    eval "set -- ${exec//"$token"/${list# }}"
    timeout 60 "$@" </dev/null 2>>"$work/exec.err"
}
for action in "$servicemenu|Desktop Action TagDepth|'" "$nemo_action|Nemo Action|\""; do
    IFS='|' read -r file group quote <<<"$action"
    dir="$work/x/$group files"
    two_files "$dir"
    run_exec "$(key "$file" "$group" Exec)" "$quote" "$dir/PART1.NC" "$dir/bracket.ngc" ||
        fail "$file: exit status $?: $(cat "$work/exec.err")"
    tagged "$file" "$dir"
    eventually alone || fail "$file: the run still gathers"
done
# Caja's own action engine matches the file-manager action to the files' type
# and runs it, as PCManFM-Qt would.
dir="$work/x/file manager files"
two_files "$dir"
timeout 60 caja-actions-run -i vorlund-tag-depth -t "file://${dir// /%20}/PART1.NC" \
    -t "file://${dir// /%20}/bracket.ngc" </dev/null >/dev/null 2>>"$work/exec.err" ||
    fail "caja-actions-run: exit status $?"
tagged "$fm_action" "$dir"
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
