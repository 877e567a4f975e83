#!/usr/bin/env bash
# The installer under Wine: a silent per-user install puts the program, its
# "Open with" entries and its Send To shortcut in place; the installed
# program tags a file; a silent uninstall leaves nothing of it.
# Usage: install.sh SETUP_EXE KEEPER_EXE PREFIX_DIR
set -uo pipefail

[ -f "$1" ] || {
    echo "FAIL: no $1: build the target package first" >&2
    exit 1
}
setup=$(readlink -f "$1")
keeper=$(readlink -f "$2")
here=$(dirname "$(readlink -f "$0")")
# shellcheck source=../support/xvfb.sh
. "$here/../support/xvfb.sh"
# shellcheck source=../support/wine.sh
. "$here/../support/wine.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/vorlund-install.XXXXXX")
failures=0
unset DISPLAY LC_NUMERIC LANG

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

trap 'wine_cleanup "$work"' EXIT
trap 'exit 1' INT TERM HUP PIPE

wine_prefix "$3/install" C.UTF-8
xvfb_start "$work" || {
    echo "FAIL: Xvfb did not start" >&2
    exit 1
}
wine_start

profile=$WINEPREFIX/drive_c/users/$(id -un)
dir=$profile/AppData/Local/Programs/Vorlund
sendto=$profile/AppData/Roaming/Microsoft/Windows/SendTo/Vorlund.lnk
keys=(
    'HKCU\Software\Classes\Applications\Vorlund.exe\shell\open\command'
    'HKCU\Software\Classes\Applications\Vorlund.exe\SupportedTypes'
    'HKCU\Software\Classes\Vorlund.NCProgram\shell\open\command'
    'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorlund'
)
exts=(.nc .tap .ngc .cnc .mpf .gcode)
has_key() { wine reg query "$1" </dev/null >/dev/null 2>&1; }
has_value() { wine reg query "$1" /v "$2" </dev/null >/dev/null 2>&1; }

wine "$setup" /S </dev/null >/dev/null 2>&1 || fail "setup: exit status $?"
[ -f "$dir/Vorlund.exe" ] || fail "no $dir/Vorlund.exe"
[ -f "$dir/Uninstall.exe" ] || fail "no uninstaller"
[ -f "$sendto" ] || fail "no Send To shortcut"
for key in "${keys[@]}"; do has_key "$key" || fail "no key $key"; done
for ext in "${exts[@]}"; do
    has_key "HKCU\\Software\\Classes\\$ext\\OpenWithList\\Vorlund.exe" || fail "$ext: not in OpenWithList"
    has_value "HKCU\\Software\\Classes\\$ext\\OpenWithProgids" Vorlund.NCProgram ||
        fail "$ext: not in OpenWithProgids"
    wine reg query "HKCU\\Software\\Classes\\$ext" /ve </dev/null 2>/dev/null | grep -q Vorlund &&
        fail "$ext: default program set"
done
wine reg query 'HKCU\Software\Classes\Applications\Vorlund.exe\shell\open\command' </dev/null 2>/dev/null |
    grep -q 'AppData\\Local\\Programs\\Vorlund\\Vorlund.exe" "%1"' || fail "open command"

# The installed program tags a file.
wine_keep "$keeper"
printf 'G1 Z-12.5\r\nM30\r\n' >"$work/PART1.TAP"
timeout 20 wine "$dir/Vorlund.exe" --no-dialog "$(winpath "$work/PART1.TAP")" </dev/null ||
    fail "installed program: exit status $?"
[ -e "$work/PART1h12.5.TAP" ] || fail "installed program: not renamed: $(ls "$work")"
[ "$(timeout 5 xclip -o -selection clipboard 2>/dev/null)" = h12.5 ] || fail "installed program: clipboard"
wine_unkeep

# The uninstaller runs from a copy in the temporary folder and returns at once.
wine "$dir/Uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "uninstall: exit status $?"
for _ in $(seq 100); do
    [ -e "$dir" ] || break
    sleep 0.2
done
[ -e "$dir" ] && fail "left behind: $(ls -A "$dir")"
[ -e "$sendto" ] && fail "Send To shortcut left behind"
for key in "${keys[@]}"; do has_key "$key" && fail "key left behind: $key"; done
for ext in "${exts[@]}"; do has_key "HKCU\\Software\\Classes\\$ext" && fail "key left behind: $ext"; done
has_key 'HKCU\Software\Classes\Applications\Vorlund.exe' && fail "Applications key left behind"

exit $((failures > 0))
