# shellcheck shell=bash
# Sourced by the e2e and fault tests, bench/ and scripts/demo: a private X
# server, and the processes a test started, found by a token in their
# environment.

xvfb_pid=

# Starts a private Xvfb that dies with the calling shell and exports DISPLAY.
# Its display number is drawn at random, never the lowest free one: a case
# that has just ended may leave a program that still holds a name made from
# its display for a moment, which a new case on that number would meet.
# Usage: xvfb_start DIR [SCREEN]   (DIR holds the display number file)
xvfb_start() {
    local file=$1/.xvfb-display i try
    for ((try = 0; try < 20; try++)); do
        rm -f "$file"
        setpriv --pdeathsig KILL Xvfb ":$((100 + RANDOM % 30000))" -displayfd 3 -nolisten tcp \
            -screen 0 "${2:-800x600x24}" 3>"$file" >/dev/null 2>&1 &
        xvfb_pid=$!
        for ((i = 0; i < 200; i++)); do
            [ -s "$file" ] && break
            kill -0 "$xvfb_pid" 2>/dev/null || break # the number was taken
            sleep 0.05
        done
        if [ -s "$file" ]; then
            DISPLAY=":$(head -n1 "$file")"
            export DISPLAY
            return 0
        fi
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    done
    xvfb_pid=
    return 1
}

xvfb_stop() {
    [ -n "$xvfb_pid" ] || return 0
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
}

# Waits up to SECONDS for visible windows named NAME (a regex) and prints their
# ids. xdotool's --sync aborts on an X error when a window goes away while it
# walks the tree, as Wine's do at start-up, so each look is a fresh search.
# Usage: windows_wait SECONDS NAME
windows_wait() {
    local end=$((SECONDS + $1)) found
    while :; do
        found=$(xdotool search --onlyvisible --name "$2" 2>/dev/null)
        [ -n "$found" ] && break
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.1
    done
    printf '%s\n' "$found"
}

# Visible windows named NAME now, counted. Usage: windows_count NAME
windows_count() {
    xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -c .
}

# Pids of the processes running EXE (a full path) whose environment holds
# NAME=VALUE.  Usage: procs_with EXE NAME=VALUE
procs_with() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/exe" 2>/dev/null)" = "$1" ] || continue
        tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qx -- "$2" && echo "${p#/proc/}"
    done
}

# Runs the test's function case_NAME; a case that does not exist is a
# failure, never a silent pass. Usage: run_case NAME
run_case() {
    declare -F "case_$1" >/dev/null || {
        echo "FAIL: no such case: $1" >&2
        exit 1
    }
    "case_$1"
}
