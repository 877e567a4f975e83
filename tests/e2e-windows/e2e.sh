#!/usr/bin/env bash
# One end-to-end case of Vorlund.exe under Wine: its own Xvfb, the build's
# Wine prefix for the case's locale, its own folder, xclip reading Wine's
# clipboard through its X bridge.
# Usage: e2e.sh VORLUND_EXE KEEPER_EXE PREFIX_DIR CASE OUTDIR
set -uo pipefail

bin=$(readlink -f "$1")
keeper=$(readlink -f "$2")
prefixes=$3
case_name=$4
out=$5
here=$(dirname "$(readlink -f "$0")")
# shellcheck source=../support/xvfb.sh
. "$here/../support/xvfb.sh"
# shellcheck source=../support/wine.sh
. "$here/../support/wine.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/vorlund-e2e.XXXXXX") # the case's files
meta=$work/.e2e                                         # the harness's, unlisted by ls
mkdir "$meta"
win=$(winpath "$work")
failures=0
unset DISPLAY LC_NUMERIC LANG

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

expect() { # WHAT ACTUAL EXPECTED
    [ "$2" = "$3" ] || fail "$1: got [$2], expected [$3]"
}

trap 'wine_cleanup "$work"' EXIT
trap 'exit 1' INT TERM HUP PIPE

# A Wine session for LOCALE on a private X server, its clipboard kept served.
start() { # LOCALE
    wine_prefix "$prefixes/e2e-${1%%.*}" "$1"
    xvfb_start "$meta" || {
        echo "FAIL: Xvfb did not start" >&2
        exit 1
    }
    wine_start
    wine_keep "$keeper"
}

# Wine hands its clipboard to X a moment after the program ends, later on a
# loaded machine: an empty answer is asked again for up to 3 s.
clip() {
    local text i
    for i in 1 2 3 4 5 6; do
        text=$(timeout 5 xclip -o -selection clipboard 2>/dev/null) || text=
        [ -n "$text" ] && break
        [ "$i" -lt 6 ] && sleep 0.5
    done
    printf '%s' "$text"
}
put() { printf '%s' "$1" | timeout 5 xclip -selection clipboard -l 1 2>/dev/null & }

# A CR LF program whose deepest Z is -12.5, with a deeper Z in a comment.
program() {
    printf 'O1001\r\nG0 Z5.\r\nG1 Z-2.5 F100\r\n(Z-40 is the table)\r\nG1 Z-12.5\r\nG0 Z5.\r\nM30\r\n' >"$1"
}

# Runs Vorlund.exe with errors on stderr only; sets rc, stdout and stderr.
run() {
    timeout 60 wine "$bin" --no-dialog "$@" >"$meta/stdout" 2>"$meta/stderr" </dev/null
    rc=$?
    stdout=$(cat "$meta/stdout")
    stderr=$(cat "$meta/stderr")
}

case_tag() {
    start C.UTF-8
    program "$work/PART1.TAP"
    cp "$work/PART1.TAP" "$meta/original"
    run "$win\\PART1.TAP"
    expect "rc" "$rc" 0
    expect "output" "$stdout$stderr" ""
    expect "clipboard" "$(clip)" "h12.5"
    expect "files" "$(ls "$work")" "PART1h12.5.TAP"
    cmp -s "$meta/original" "$work/PART1h12.5.TAP" || fail "content changed"
    # A second run tags again and keeps the name.
    put other
    run "$win\\PART1h12.5.TAP"
    expect "second run: rc" "$rc" 0
    expect "second run: clipboard" "$(clip)" "h12.5"
    expect "second run: files" "$(ls "$work")" "PART1h12.5.TAP"
}

case_names() {
    start C.UTF-8
    # Row: file name; what it becomes.
    local rows=("Teil_ä.nc|Teil_äh12.5.nc" "job two.nc|job twoh12.5.nc" "x.ngc|xh12.5.ngc")
    local row i=0
    for row in "${rows[@]}"; do
        i=$((i + 1))
        mkdir "$work/$i"
        program "$work/$i/${row%|*}"
        run "$(winpath "$work/$i/${row%|*}")"
        expect "${row%|*}: rc" "$rc" 0
        expect "${row%|*}: files" "$(ls "$work/$i")" "${row#*|}"
        expect "${row%|*}: clipboard" "$(clip)" "h12.5"
    done
    # An argument in double quotes loses them.
    program "$work/q.nc"
    run "\"$win\\q.nc\""
    expect "quoted: rc" "$rc" 0
    [ -e "$work/qh12.5.nc" ] || fail "quoted: not renamed: $(ls "$work")"
}

case_several_files() {
    start C.UTF-8
    printf 'G1 Z-1\n' >"$work/A.nc"
    printf 'G1 Z-2.25\r\n' >"$work/B.TAP"
    printf 'G1 Z3\r' >"$work/C"
    run "$win\\A.nc" "$win\\B.TAP" "$win\\C"
    expect "rc" "$rc" 0
    clip | tr -d '\r' >"$meta/clip.out"
    printf 'h1\nh2.25\nh0' | cmp -s - "$meta/clip.out" || fail "clipboard: $(od -c "$meta/clip.out")"
    expect "files" "$(ls "$work" | tr '\n' ' ')" "Ah1.nc Bh2.25.TAP Ch0 "
}

case_decimal_comma() {
    start de_DE.UTF-8
    program "$work/P.TAP"
    run "$win\\P.TAP"
    expect "rc" "$rc" 0
    expect "clipboard" "$(clip)" "h12,5"
    expect "name" "$(ls "$work")" "Ph12,5.TAP"
}

case_failures() {
    start C.UTF-8
    mkdir "$work/dir"
    program "$work/PART1.TAP"
    printf 'keep me' >"$work/PART1h12.5.TAP"
    program "$work/good.nc"

    put before
    sleep 0.3
    run "$win\\missing.nc"
    expect "missing: rc" "$rc" 1
    expect "missing: stderr" "$stderr" "vorlund: $win\\missing.nc: No such file or directory"
    expect "missing: clipboard untouched" "$(clip)" "before"

    run "$win\\dir"
    expect "directory: rc" "$rc" 1
    expect "directory: stderr" "$stderr" "vorlund: $win\\dir: is a directory"

    # The tag stays on the clipboard; neither file changes.
    run "$win\\PART1.TAP"
    expect "target exists: rc" "$rc" 1
    expect "target exists: stderr" "$stderr" \
        "vorlund: $win\\PART1.TAP: cannot rename to $win\\PART1h12.5.TAP: File exists"
    expect "target exists: clipboard" "$(clip)" "h12.5"
    expect "target exists: target" "$(cat "$work/PART1h12.5.TAP")" "keep me"
    program "$meta/expected"
    cmp -s "$meta/expected" "$work/PART1.TAP" || fail "target exists: source changed"

    # One failure does not stop the others.
    run "$win\\missing.nc" "$win\\good.nc"
    expect "mixed: rc" "$rc" 1
    expect "mixed: stderr" "$stderr" "vorlund: $win\\missing.nc: No such file or directory"
    [ -e "$work/goodh12.5.nc" ] || fail "mixed: good file not renamed"
}

case_without_tagging() {
    start C.UTF-8
    program "$work/PART1.TAP"
    put before
    sleep 0.3
    run -n "$win\\PART1.TAP"
    expect "dry run: rc" "$rc" 0
    expect "dry run: stdout" "$stdout" \
        "$win\\PART1.TAP: h12.5 (line 5): would be renamed to $win\\PART1h12.5.TAP"
    expect "dry run: files" "$(ls "$work")" "PART1.TAP"
    expect "dry run: clipboard" "$(clip)" "before"
    run
    expect "no file: rc" "$rc" 0
    expect "no file: output" "$stdout$stderr" ""
    run --help
    expect "help: rc" "$rc" 0
    expect "help" "$(head -n1 "$meta/stdout")" "Usage: vorlund [OPTION]... FILE..."
    run --bogus "$win\\PART1.TAP"
    expect "usage error: rc" "$rc" 2
    expect "usage error: stderr" "$stderr" \
        "vorlund: unrecognized option '--bogus'
Try 'vorlund --help' for more information."
    expect "files" "$(ls "$work")" "PART1.TAP"
}

case_error_dialog() {
    start C.UTF-8
    mkdir "$work/dir"
    wine "$bin" "$win\\missing.nc" "$win\\dir" 2>"$meta/stderr" >/dev/null </dev/null &
    local pid=$! window
    window=$(windows_wait 20 '^Vorlund$' | head -n1)
    if [ -z "$window" ]; then
        fail "no error dialog"
        kill "$pid"
        return
    fi
    sleep 0.5 # let it paint
    # The box is the only visible window: the form itself is never shown.
    expect "dialogs" "$(windows_count '^Vorlund$')" 1
    import -window root "$out/e2e-windows-error-dialog.png" || fail "no screenshot"
    xdotool key --window "$window" Return
    local i
    for i in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && {
        fail "dialog did not close"
        kill "$pid"
    }
    wait "$pid"
    expect "rc" "$?" 1
    expect "stderr" "$(cat "$meta/stderr")" "vorlund: $win\\missing.nc: No such file or directory
vorlund: $win\\dir: is a directory"
}

# Ten runs started 20 to 400 ms apart, one file each, as Explorer starts a
# verb once per selected file: one run, every tag on the clipboard, one a line.
case_ten_processes() {
    start C.UTF-8
    local i pids=() gaps=(0.02 0.4 0.05 0.2 0.1 0.4 0.02 0.3 0.1)
    for i in $(seq 10); do printf 'G1 Z-%s\n' "$i" >"$work/P$i.nc"; done
    run # a first start in a new prefix is far slower than Explorer's would be
    for i in $(seq 10); do
        timeout 60 wine "$bin" "$win\\P$i.nc" 2>"$meta/stderr$i" >/dev/null </dev/null &
        pids+=($!)
        [ "$i" -eq 10 ] || sleep "${gaps[i - 1]}"
    done
    for i in "${!pids[@]}"; do
        wait "${pids[$i]}"
        expect "run $((i + 1)): rc" "$?" 0
    done
    expect "clipboard" "$(clip | tr -d '\r' | sort -V | tr '\n' ' ')" "$(printf 'h%s ' $(seq 10))"
    expect "files" "$(ls "$work" | sort -V | tr '\n' ' ')" \
        "$(for i in $(seq 10); do printf 'P%sh%s.nc ' "$i" "$i"; done)"
    expect "stderr" "$(cat "$meta"/stderr*)" ""
}

# Runs started together whose files are in doubt ask one question, at the
# end: a settled file among them is renamed at once. The question's default
# keeps every doubtful name: those runs end 3, the settled one 0.
case_gathered_doubts() {
    start C.UTF-8
    local i pids=() window name
    run # a first start in a new prefix is far slower than Explorer's would be
    for i in 1 S 2 3; do
        name=D$i.nc
        if [ "$i" = S ]; then
            name=S.nc && printf 'G1 Z-4\n' >"$work/$name"
        else
            printf 'G1 Z#%s\n' "$i" >"$work/$name"
        fi
        timeout 60 wine "$bin" "$win\\$name" 2>/dev/null >/dev/null </dev/null &
        pids+=($!)
        sleep 0.02
    done
    window=$(windows_wait 20 '^Vorlund$' | head -n1)
    [ -n "$window" ] || fail "no question"
    expect "files at the question" "$(ls "$work" | tr '\n' ' ')" "D1.nc D2.nc D3.nc Sh4.nc "
    sleep 1 # a second question would show by now
    expect "questions" "$(windows_count '^Vorlund$')" 1
    import -window root "$out/e2e-windows-gathered-question.png" || fail "no screenshot"
    xdotool key --window "$window" Return
    for i in "${!pids[@]}"; do
        wait "${pids[$i]}"
        expect "run $((i + 1)): rc" "$?" "$([ "$i" -eq 1 ] && echo 0 || echo 3)"
    done
    expect "files" "$(ls "$work" | tr '\n' ' ')" "D1.nc D2.nc D3.nc Sh4.nc "
    expect "clipboard" "$(clip | tr -d '\r' | sort | tr '\n' ' ')" "h0 h0 h0 h4 "
}

run_case "$case_name"
exit $((failures > 0))
