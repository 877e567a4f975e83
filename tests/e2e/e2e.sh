#!/usr/bin/env bash
# One end-to-end case of vorlund: its own Xvfb, its own folder, xclip as the
# reader; the Xvfb and every keeper it started are gone when it ends.
# Usage: e2e.sh VORLUND CASE OUTDIR
set -uo pipefail

bin=$(readlink -f "$1")
case_name=$2
out=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/vorlund-e2e.XXXXXX") # the case's files
meta=$work/.e2e                                         # the harness's, unlisted by ls
mkdir "$meta"
failures=0
# shellcheck source-path=SCRIPTDIR source=../support/xvfb.sh
. "$(dirname "$0")/../support/xvfb.sh"

# Every process started here inherits the token; that is how the keepers
# (and xclip's servers) of this case are found, and only those.
export VORLUND_E2E_TOKEN="e2e-$$-$RANDOM"
export XDG_RUNTIME_DIR=$meta/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY LC_ALL LC_NUMERIC
export LANG=C.UTF-8

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

expect() { # WHAT ACTUAL EXPECTED
    [ "$2" = "$3" ] || fail "$1: got [$2], expected [$3]"
}

# Pids of this case's processes running the program EXE.
ours() { procs_with "$1" "VORLUND_E2E_TOKEN=$VORLUND_E2E_TOKEN"; }
keepers() { ours "$bin"; }
keeper_count() { keepers | wc -l; }

# Polls a command for up to 3 s.
eventually() {
    local i
    for i in $(seq 60); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}
no_keeper() { [ "$(keeper_count)" -eq 0 ]; }
gone() { # a zombie counts as gone
    [ ! -e "/proc/$1" ] || [ "$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -c1)" = Z ]
}

# Xvfb dies with this script, even when a timeout kills it.
start_x() {
    xvfb_start "$meta" || {
        echo "FAIL: Xvfb did not start" >&2
        exit 1
    }
}
stop_x() { xvfb_stop; }

# No keeper outlives its X server; whatever is left is ended here.
cleanup() {
    stop_x
    eventually no_keeper || fail "a keeper outlived its X server: $(keepers | tr '\n' ' ')"
    local p
    for p in $(keepers) $(ours "$(readlink -f "$(command -v xclip)")"); do kill -9 "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP PIPE

clip() { xclip -o -selection clipboard "$@" 2>/dev/null; }
put() { printf '%s' "$1" | xclip -selection clipboard "${@:2}"; }

# A CR LF program whose deepest Z is -12.5, with a deeper Z in a comment.
program() {
    printf 'O1001\r\nG0 Z5.\r\nG1 Z-2.5 F100\r\n(Z-40 is the table)\r\nG1 Z-12.5\r\nG0 Z5.\r\nM30\r\n' >"$1"
}

# Runs vorlund with errors on stderr only; sets rc, stdout and stderr.
# A run killed after $limit seconds answers 124.
limit=10
run() {
    timeout "$limit" "$bin" --no-dialog "$@" >"$meta/stdout" 2>"$meta/stderr"
    rc=$?
    stdout=$(cat "$meta/stdout")
    stderr=$(cat "$meta/stderr")
}

case_tag_outlives_the_command() {
    start_x
    program "$work/PART1.TAP"
    cp "$work/PART1.TAP" "$meta/original"
    printf 'primary' | xclip -selection primary
    # The command returns while the keeper lives on, holding none of its streams.
    (x=$("$bin" --no-dialog "$work/PART1.TAP") && printf '%s' "$x" >"$meta/captured") &
    local pid=$!
    eventually gone "$pid" || {
        fail "x=\$(vorlund f) did not return"
        kill "$pid"
    }
    expect "captured output" "$(cat "$meta/captured" 2>/dev/null || echo none)" ""
    expect "clipboard" "$(clip)" "h12.5"
    expect "primary" "$(xclip -o -selection primary)" "primary"
    [ -e "$work/PART1h12.5.TAP" ] && [ ! -e "$work/PART1.TAP" ] || fail "not renamed: $(ls "$work")"
    cmp -s "$meta/original" "$work/PART1h12.5.TAP" || fail "content changed"

    local k
    k=$(keepers)
    expect "keepers" "$(echo "$k" | wc -w)" 1
    expect "keeper cwd" "$(readlink "/proc/$k/cwd")" /
    expect "keeper session" "$(awk '{print $6}' "/proc/$k/stat")" "$k"
    local fd
    for fd in 0 1 2; do expect "keeper fd $fd" "$(readlink "/proc/$k/fd/$fd")" /dev/null; done
    for fd in "/proc/$k/fd"/*; do
        fd=${fd##*/}
        [ "$fd" -le 2 ] || [[ $(readlink "/proc/$k/fd/$fd") == socket:* ]] ||
            fail "keeper holds fd $fd: $(readlink "/proc/$k/fd/$fd")"
    done

    # Plain text under every name; nothing else.
    local target
    for target in UTF8_STRING STRING TEXT text/plain 'text/plain;charset=utf-8'; do
        expect "target $target" "$(clip -t "$target")" "h12.5"
    done
    expect "TARGETS" "$(clip -t TARGETS | sort | tr '\n' ' ')" \
        "STRING TARGETS TEXT TIMESTAMP UTF8_STRING text/plain text/plain;charset=utf-8 "
    clip -t image/png >/dev/null && fail "image/png served"

    # The keeper ends with its X server.
    stop_x
    eventually no_keeper || fail "keeper still running without its X server"
}

case_earlier_formats_gone() {
    start_x
    program "$work/part.nc"
    convert -size 4x4 xc:red "$meta/red.png"
    xclip -selection clipboard -t image/png -i "$meta/red.png"
    expect "before" "$(clip -t TARGETS | grep -c image/png)" 1
    local owner
    owner=$(ours "$(readlink -f "$(command -v xclip)")")
    run "$work/part.nc"
    expect "rc" "$rc" 0
    clip -t TARGETS | grep -q image/png && fail "image/png still offered"
    clip -t image/png >/dev/null && fail "image/png still served"
    expect "clipboard" "$(clip)" "h12.5"
    [ -z "$owner" ] || eventually gone "$owner" || fail "the earlier owner kept running"
}

case_keeper_hands_over() {
    start_x
    # Row: how another client takes the clipboard; what it then holds.
    program "$work/a.nc"
    run "$work/a.nc"
    expect "keepers after the run" "$(keeper_count)" 1
    put other
    eventually no_keeper || fail "keeper kept running after xclip took the clipboard"
    expect "clipboard after xclip" "$(clip)" "other"

    # A short-lived owner takes over, serves once and leaves nobody owning it.
    program "$work/b.nc"
    run "$work/b.nc"
    expect "keepers after the second run" "$(keeper_count)" 1
    put short -l 1
    eventually no_keeper || fail "keeper kept running after a short-lived owner took over"
    expect "clipboard from the short-lived owner" "$(clip)" "short"
    sleep 0.2
    expect "clipboard after it left" "$(clip || echo empty)" "empty"
    expect "keepers at the end" "$(keeper_count)" 0
}

case_second_run() {
    start_x
    program "$work/PART1.TAP"
    run "$work/PART1.TAP"
    put other
    run "$work/PART1h12.5.TAP"
    expect "rc" "$rc" 0
    expect "clipboard" "$(clip)" "h12.5"
    expect "files" "$(ls "$work")" "PART1h12.5.TAP"
    # A run while a keeper serves: the new keeper takes over, the old one ends.
    local old
    old=$(keepers)
    run "$work/PART1h12.5.TAP"
    eventually gone "$old" || fail "the earlier keeper kept running"
    expect "keepers" "$(keeper_count)" 1
    expect "clipboard" "$(clip)" "h12.5"
}

case_quoted_argument() {
    start_x
    mkdir "$work/x"
    program "$work/x/a b.nc"
    run "\"$work/x/a b.nc\""
    expect "rc" "$rc" 0
    expect "stderr" "$stderr" ""
    expect "files" "$(ls "$work/x")" "a bh12.5.nc"
    expect "clipboard" "$(clip)" "h12.5"
}

case_several_files() {
    start_x
    printf 'G1 Z-1\n' >"$work/A.nc"
    printf 'G1 Z-2.25\r\n' >"$work/B.TAP"
    printf 'G1 Z3\r' >"$work/C"
    run "$work/A.nc" "$work/B.TAP" "$work/C"
    expect "rc" "$rc" 0
    clip >"$meta/clip.out"
    printf 'h1\nh2.25\nh0' | cmp -s - "$meta/clip.out" || fail "clipboard: $(od -c "$meta/clip.out")"
    expect "files" "$(ls "$work" | tr '\n' ' ')" "Ah1.nc Bh2.25.TAP Ch0 "
}

case_decimal_comma() {
    start_x
    # Row: locale variables; the tag they give.
    local rows=(
        "LC_ALL=de_DE.UTF-8|h12,5"
        "LC_NUMERIC=de_DE.UTF-8|h12,5"
        "LANG=de_DE.UTF-8|h12,5"
        "LC_ALL=C.UTF-8 LANG=de_DE.UTF-8|h12.5"
    )
    local row vars tag i=0
    for row in "${rows[@]}"; do
        vars=${row%|*} tag=${row#*|} i=$((i + 1))
        mkdir "$work/$i"
        program "$work/$i/P.TAP"
        # shellcheck disable=SC2086
        env -u LANG $vars "$bin" --no-dialog "$work/$i/P.TAP"
        expect "$vars: clipboard" "$(clip)" "$tag"
        expect "$vars: name" "$(ls "$work/$i")" "P$tag.TAP"
    done
}

case_failures() {
    start_x
    mkdir "$work/dir"
    program "$work/PART1.TAP"
    printf 'keep me' >"$work/PART1h12.5.TAP"
    program "$work/good.nc"

    put before
    run "$work/missing.nc"
    expect "missing: rc" "$rc" 1
    expect "missing: stderr" "$stderr" "vorlund: $work/missing.nc: No such file or directory"
    expect "missing: clipboard untouched" "$(clip)" "before"
    eventually no_keeper || fail "missing: a keeper with nothing to keep"

    run "$work/dir"
    expect "directory: rc" "$rc" 1
    expect "directory: stderr" "$stderr" "vorlund: $work/dir: is a directory"
    expect "directory: clipboard untouched" "$(clip)" "before"

    # The tag stays on the clipboard; neither file changes.
    run "$work/PART1.TAP"
    expect "target exists: rc" "$rc" 1
    expect "target exists: stderr" "$stderr" \
        "vorlund: $work/PART1.TAP: cannot rename to $work/PART1h12.5.TAP: File exists"
    expect "target exists: clipboard" "$(clip)" "h12.5"
    expect "target exists: target" "$(cat "$work/PART1h12.5.TAP")" "keep me"
    program "$meta/expected"
    cmp -s "$meta/expected" "$work/PART1.TAP" || fail "target exists: source changed"

    # One failure does not stop the others.
    run "$work/missing.nc" "$work/good.nc"
    expect "mixed: rc" "$rc" 1
    expect "mixed: stderr" "$stderr" "vorlund: $work/missing.nc: No such file or directory"
    expect "mixed: clipboard" "$(clip)" "h12.5"
    [ -e "$work/goodh12.5.nc" ] || fail "mixed: good file not renamed"
}

case_without_display() {
    program "$work/PART1.TAP"
    # Row: DISPLAY (empty: unset); no X server answers either.
    local display
    for display in "" ":59999"; do
        if [ -n "$display" ]; then export DISPLAY=$display; else unset DISPLAY; fi
        run "$work/PART1.TAP"
        expect "DISPLAY=$display: rc" "$rc" 1
        expect "DISPLAY=$display: stderr" "$stderr" \
            "vorlund: no X display: cannot put the depth tag on the clipboard"
        expect "DISPLAY=$display: files" "$(ls "$work")" "PART1.TAP"
    done
    unset DISPLAY

    # What needs no display: a dry run, the help, no file at all.
    run -n "$work/PART1.TAP"
    expect "dry run: rc" "$rc" 0
    expect "dry run: stdout" "$stdout" \
        "$work/PART1.TAP: h12.5 (line 5): would be renamed to $work/PART1h12.5.TAP"
    expect "dry run: files" "$(ls "$work")" "PART1.TAP"
    run
    expect "no file: rc" "$rc" 0
    expect "no file: output" "$stdout$stderr" ""
    run --help
    expect "help: rc" "$rc" 0
    expect "help" "$(head -n1 "$meta/stdout")" "Usage: vorlund [OPTION]... FILE..."
    run --bogus "$work/PART1.TAP"
    expect "usage error: rc" "$rc" 2
    expect "usage error: stderr" "$stderr" \
        "vorlund: unrecognized option '--bogus'
Try 'vorlund --help' for more information."
}

case_error_dialog() {
    start_x
    mkdir "$work/dir"
    # stderr is a file, as when a file manager starts the program.
    "$bin" "$work/missing.nc" "$work/dir" 2>"$meta/stderr" &
    local pid=$! window
    window=$(windows_wait 10 '^Vorlund$' | head -n1)
    if [ -z "$window" ]; then
        fail "no error dialog; the program $(gone "$pid" && echo "had ended" || echo "runs"), its stderr: $(cat "$meta/stderr")"
        kill "$pid" 2>/dev/null
        return
    fi
    sleep 0.3 # let it paint
    expect "dialogs" "$(windows_count '^Vorlund$')" 1
    import -window root "$out/e2e-error-dialog.png" || fail "no screenshot"
    xdotool windowfocus --sync "$window" key Return
    eventually gone "$pid" || {
        fail "dialog did not close"
        kill "$pid"
    }
    wait "$pid"
    expect "rc" "$?" 1
    expect "stderr" "$(cat "$meta/stderr")" "vorlund: $work/missing.nc: No such file or directory
vorlund: $work/dir: is a directory"
}

# A file whose depth is in doubt: tag on the clipboard, name kept, status 3;
# --force renames it; from a file manager the question's Escape keeps it.
case_doubt() {
    start_x
    printf 'G1 Z-4\r\nG0 SUPA Z-2\r\n' >"$work/MAC.NC"
    run "$work/MAC.NC"
    expect "rc" "$rc" 3
    expect "clipboard" "$(clip)" h4
    expect "files" "$(ls "$work" | tr '\n' ' ')" "MAC.NC "
    expect "stderr" "$(cat "$meta/stderr")" "vorlund: $work/MAC.NC: h4 may be wrong: line 2: machine coordinates (SUPA); name kept (--force to rename)"

    "$bin" "$work/MAC.NC" 2>"$meta/stderr" &
    local pid=$! window
    window=$(windows_wait 10 '^Vorlund$' | head -n1)
    [ -n "$window" ] || fail "no question"
    sleep 0.3
    import -window root "$out/e2e-doubt-question.png" || fail "no screenshot"
    xdotool windowfocus --sync "$window" key Escape
    eventually gone "$pid" || kill "$pid"
    wait "$pid"
    expect "rc after Escape" "$?" 3
    expect "files after Escape" "$(ls "$work" | tr '\n' ' ')" "MAC.NC "

    run --force "$work/MAC.NC"
    expect "rc --force" "$rc" 0
    expect "files --force" "$(ls "$work" | tr '\n' ' ')" "MACh4.NC "
    grep -q "^vorlund: warning: $work/MAC.NC: h4 may be wrong" "$meta/stderr" || fail "no warning"
}

# Ten runs started 20 to 400 ms apart, one file each, stderr no terminal: as
# a file manager or quick double-clicks start them. They make one run: every
# tag on the clipboard, one a line, every file renamed, every run ends 0.
case_ten_processes() {
    start_x
    local i pids=() tags=() gaps=(0.02 0.4 0.05 0.2 0.1 0.4 0.02 0.3 0.1)
    for i in $(seq 10); do
        printf 'G1 Z-%s\n' "$i" >"$work/P$i.nc"
        tags+=("h$i")
    done
    for i in $(seq 10); do
        timeout 20 "$bin" "$work/P$i.nc" 2>"$meta/stderr$i" &
        pids+=($!)
        [ "$i" -eq 10 ] || sleep "${gaps[i - 1]}"
    done
    for i in "${!pids[@]}"; do
        wait "${pids[$i]}"
        expect "run $((i + 1)): rc" "$?" 0
    done
    expect "clipboard" "$(clip | sort -V | tr '\n' ' ')" "${tags[*]} "
    expect "clipboard lines" "$(clip | wc -l)" 9 # no line end after the last
    expect "files" "$(ls "$work" | sort -V | tr '\n' ' ')" "$(for i in $(seq 10); do printf 'P%sh%s.nc ' "$i" "$i"; done)"
    expect "stderr" "$(cat "$meta"/stderr*)" ""
}

# Runs started together whose files are in doubt ask one question, at the
# end: a settled file among them is renamed at once, its tag and theirs on
# the clipboard while the question is open. Escape keeps every doubtful name:
# those runs end 3, the settled one 0.
case_gathered_doubts() {
    start_x
    local i pids=() window name
    for i in 1 S 2 3; do
        name=D$i.nc
        if [ "$i" = S ]; then
            name=S.nc && printf 'G1 Z-4\n' >"$work/$name"
        else
            printf 'G1 Z#%s\n' "$i" >"$work/$name"
        fi
        "$bin" "$work/$name" 2>/dev/null &
        pids+=($!)
        sleep 0.02
    done
    window=$(windows_wait 10 '^Vorlund$' | head -n1)
    [ -n "$window" ] || fail "no question"
    expect "files at the question" "$(ls "$work" | tr '\n' ' ')" "D1.nc D2.nc D3.nc Sh4.nc "
    expect "clipboard at the question" "$(clip | sort | tr '\n' ' ')" "h0 h0 h0 h4 "
    sleep 0.5 # a second question would show by now
    expect "questions" "$(windows_count '^Vorlund$')" 1
    import -window root "$out/e2e-gathered-question.png" || fail "no screenshot"
    xdotool windowfocus --sync "$window" key Escape
    for i in "${!pids[@]}"; do
        eventually gone "${pids[$i]}" || kill "${pids[$i]}"
        wait "${pids[$i]}"
        expect "run $((i + 1)): rc" "$?" "$([ "$i" -eq 1 ] && echo 0 || echo 3)"
    done
    expect "files" "$(ls "$work" | tr '\n' ' ')" "D1.nc D2.nc D3.nc Sh4.nc "
    expect "clipboard" "$(clip | sort | tr '\n' ' ')" "h0 h0 h0 h4 "
}

# The three outcomes of running a program the Z words cannot settle.
# A G91 step-down from a known Z: settled, tagged with the depth it cuts.
case_run_settles() {
    start_x
    printf 'G90 G21\nG0 Z1\nG91\nG1 Z-3\nG1 Z-3\nG90\nG0 Z5\nM30\n' >"$work/STEP.NC"
    run -n "$work/STEP.NC"
    expect "dry run" "$stdout" \
        "$work/STEP.NC: h5 (line 5; the Z words say h3): would be renamed to $work/STEPh5.NC"
    run "$work/STEP.NC"
    expect "rc" "$rc" 0
    expect "clipboard" "$(clip)" h5
    expect "files" "$(ls "$work")" "STEPh5.NC"
}

# Machine coordinates: the name is kept, the Z words' tag goes on the clipboard.
case_run_doubt() {
    start_x
    printf 'G21 G90\nG0 Z5\nG53 G0 Z-50\nG1 Z-2\nM30\n' >"$work/M53.NC"
    run "$work/M53.NC"
    expect "rc" "$rc" 3
    expect "clipboard" "$(clip)" h50
    expect "files" "$(ls "$work")" "M53.NC"
    case $stderr in
    "vorlund: $work/M53.NC: h50 may be wrong: line 3: machine coordinates"*"; name kept (--force to rename)") ;;
    *) fail "stderr: $stderr" ;;
    esac
}

# An endless loop is reported, not run for ever; the name is kept.
case_run_runaway() {
    start_x
    printf 'G0 Z5\no1 while [1]\nG1 Z-1\nG0 Z5\no1 endwhile\nM30\n' >"$work/LOOP.NC"
    # About a second in a release build, ten times that under the sanitizers
    # on a loaded machine: the budget counts blocks, not seconds.
    limit=120
    run "$work/LOOP.NC"
    expect "rc" "$rc" 3
    expect "files" "$(ls "$work")" "LOOP.NC"
    case $stderr in
    "vorlund: $work/LOOP.NC: h1 may be wrong: line "*": runs away"*) ;;
    *) fail "stderr: $stderr" ;;
    esac
}

run_case "$case_name"
exit $((failures > 0))
