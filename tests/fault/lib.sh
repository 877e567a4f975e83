# shellcheck shell=bash
# Helpers for the fault tests: a private temporary folder and X server, runs
# of the program with a time limit, and a cleanup that leaves nothing behind.
# Every process a test starts carries VORLUND_FAULT=<id> in its environment,
# so that its keepers are found, and ended, by their process id.

set -uo pipefail

vorlund=$(readlink -f "$1")
tmp=$(mktemp -d /tmp/vorlund-fault.XXXXXX)
export VORLUND_FAULT=$$
# shellcheck source-path=SCRIPTDIR source=../support/xvfb.sh
. "$(dirname "${BASH_SOURCE[0]}")/../support/xvfb.sh"
mounts=()
background=()

fail() {
    echo "FAIL: $*"
    [ -s "$tmp/err" ] && sed 's/^/  stderr: /' "$tmp/err"
    exit 1
}
skip() {
    echo "SKIP: $*"
    exit 77
}

# Processes of this test whose program is vorlund: the keepers.
keepers() { procs_with "$vorlund" "VORLUND_FAULT=$VORLUND_FAULT"; }

# Waits up to $1 seconds until no keeper of this test is left.
no_keeper_within() {
    local i
    for ((i = 0; i < $1 * 10; i++)); do
        [ -z "$(keepers)" ] && return 0
        sleep 0.1
    done
    return 1
}

cleanup() {
    local p
    for p in "${background[@]}"; do kill "$p" 2>/dev/null; done
    xvfb_stop
    for p in $(keepers); do kill "$p" 2>/dev/null; done
    for p in "${mounts[@]}"; do
        fusermount -u "$p" 2>/dev/null || umount -l "$p" 2>/dev/null
    done
    chattr -R -i "$tmp" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

start_x() {
    command -v Xvfb >/dev/null || skip "Xvfb is not installed"
    xvfb_start "$tmp" 320x240x24 || fail "Xvfb did not start"
}

stop_x() { xvfb_stop; }

# Runs vorlund with at most 20 s; sets status and leaves out and err in $tmp.
status=0
run() {
    status=0
    timeout -k 2 20 "$vorlund" --no-dialog "$@" >"$tmp/out" 2>"$tmp/err" || status=$?
    [ "$status" -ne 124 ] && [ "$status" -ne 137 ] || fail "vorlund hung: $*"
    [ "$status" -lt 128 ] || fail "vorlund died of signal $((status - 128)): $*"
}

clip() { timeout 5 xclip -o -selection clipboard 2>/dev/null; }
set_clip() { printf %s "$1" | timeout 5 xclip -i -selection clipboard 2>/dev/null; }
# A G-code file whose deepest Z is -$2.
program() { printf 'G0 Z5\r\nG1 X10 Y5 Z-%s F100\r\nM30\r\n' "$2" >"$1"; }
# A file of about $2 MB of moves at Z-1.5, and its deepest Z, -$3, on the last line.
big_program() {
    yes 'G1 X10.5 Y20.25 Z-1.5 F1200' | head -c "$2"M >"$1"
    printf '\nG1 Z-%s\n' "$3" >>"$1"
}
# Seconds a dry run of $1 takes: a measure of how long the scan is.
scan_seconds() {
    local start=$EPOCHREALTIME
    "$vorlund" -n "$1" >/dev/null 2>&1
    awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }'
}
expect_status() { [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"; }
expect_error() { grep -qF -- "$1" "$tmp/err" || fail "stderr lacks: $1"; }
same() { cmp -s "$1" "$2" || fail "$1 differs from $2"; }
