#!/usr/bin/env bash
# The installer under Wine: a silent per-user install puts the program, its
# console twin, its "Open with" and "Tag depth" entries and its Send To
# shortcut in place; the installed programs tag a file and print a dry run; a
# silent uninstall leaves nothing of it.
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
windir="C:\\users\\$(id -un)\\AppData\\Local\\Programs\\Vorlund"
verb='shell\Vorlund.TagDepth'
has_key() { wine reg query "$1" </dev/null >/dev/null 2>&1; }
has_value() { wine reg query "$1" /v "$2" </dev/null >/dev/null 2>&1; }
# The data of a string value; NAME empty for the key's default value.
reg_sz() { # KEY NAME
    local which=(/v "$2")
    [ -n "$2" ] || which=(/ve)
    wine reg query "$1" "${which[@]}" </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/^ .*REG_SZ *//p'
}
expect_sz() { # KEY NAME DATA
    local got
    got=$(reg_sz "$1" "$2")
    [ "$got" = "$3" ] || fail "$1 ${2:-(default)}: [$got], not [$3]"
}
# The Subsystem field of a PE file's optional header: 2 GUI, 3 console.
subsystem() {
    local pe
    pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tu2 -j$((pe + 92)) -N2 "$1" | tr -d ' '
}

wine "$setup" /S </dev/null >/dev/null 2>&1 || fail "setup: exit status $?"
[ -f "$dir/Vorlund.exe" ] || fail "no $dir/Vorlund.exe"
[ -f "$dir/vorlund.com" ] || fail "no $dir/vorlund.com"
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
for ext in "${exts[@]}"; do
    key="HKCU\\Software\\Classes\\SystemFileAssociations\\$ext\\$verb"
    expect_sz "$key" MUIVerb "Tag depth"
    expect_sz "$key" MultiSelectModel Player
    expect_sz "$key" Icon "$windir\\Vorlund.exe,0"
    expect_sz "$key\\command" "" "\"$windir\\Vorlund.exe\" \"%1\""
done

# The installed program tags a file.
wine_keep "$keeper"
printf 'G1 Z-12.5\r\nM30\r\n' >"$work/PART1.TAP"
timeout 60 wine "$dir/Vorlund.exe" --no-dialog "$(winpath "$work/PART1.TAP")" </dev/null ||
    fail "installed program: exit status $?"
[ -e "$work/PART1h12.5.TAP" ] || fail "installed program: not renamed: $(ls "$work")"
[ "$(timeout 5 xclip -o -selection clipboard 2>/dev/null)" = h12.5 ] || fail "installed program: clipboard"

# vorlund.com is the console program beside the Windows one. Typed in cmd it
# is found before the .exe, prints its dry run there and sets the status; a
# doubt keeps the name with status 3 and shows no box (one would wait forever).
[ "$(subsystem "$dir/vorlund.com")" = 3 ] || fail "vorlund.com: subsystem $(subsystem "$dir/vorlund.com"), not console"
[ "$(subsystem "$dir/Vorlund.exe")" = 2 ] || fail "Vorlund.exe: subsystem $(subsystem "$dir/Vorlund.exe"), not GUI"
printf 'G1 Z-12.5\r\nM30\r\n' >"$work/DRY.TAP"
printf 'G91\r\nG1 Z-3\r\nM30\r\n' >"$work/DOUBT.TAP"
out=$(cd "$dir" && timeout 60 wine cmd /c vorlund --dry-run "$(winpath "$work/DRY.TAP")" 2>&1 </dev/null)
rc=$?
[ "$rc" = 0 ] || fail "vorlund --dry-run in cmd: exit status $rc"
[ "$out" = "$(winpath "$work/DRY.TAP"): h12.5 (line 1): would be renamed to $(winpath "$work/DRYh12.5.TAP")" ] ||
    fail "vorlund --dry-run in cmd printed [$out]"
out=$(cd "$dir" && timeout 60 wine cmd /c vorlund "$(winpath "$work/DOUBT.TAP")" 2>&1 </dev/null)
rc=$?
[ "$rc" = 3 ] || fail "vorlund on a doubt in cmd: exit status $rc, not 3 [$out]"
grep -qF 'DOUBT.TAP: h3 may be wrong' <<<"$out" || fail "vorlund on a doubt in cmd printed [$out]"
[ -e "$work/DOUBT.TAP" ] || fail "vorlund on a doubt in cmd: renamed"
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
for ext in "${exts[@]}"; do
    has_key "HKCU\\Software\\Classes\\$ext" && fail "key left behind: $ext"
    has_key "HKCU\\Software\\Classes\\SystemFileAssociations\\$ext\\$verb" && fail "Tag depth left behind: $ext"
done
has_key 'HKCU\Software\Classes\Applications\Vorlund.exe' && fail "Applications key left behind"

exit $((failures > 0))
