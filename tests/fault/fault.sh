#!/usr/bin/env bash
# Fault tests of the real program: fault.sh CASE VORLUND. Exit 0 passed,
# 1 failed, 77 skipped (the machine refuses a mount, a user or a tool).
fault_case=$1
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh" "$2"

# The folder is read-only: error, file kept, tag on the clipboard.
case_readonly() {
    mkdir "$tmp/ro" && mount -t tmpfs -o size=1m tmpfs "$tmp/ro" 2>/dev/null ||
        skip "cannot mount a tmpfs here"
    mounts+=("$tmp/ro")
    program "$tmp/ro/PART1.TAP" 12.5
    cp "$tmp/ro/PART1.TAP" "$tmp/copy"
    mount -o remount,ro "$tmp/ro" || skip "cannot remount read-only"
    start_x
    set_clip before
    run "$tmp/ro/PART1.TAP"
    expect_status 1
    expect_error "vorlund: $tmp/ro/PART1.TAP: cannot rename to $tmp/ro/PART1h12.5.TAP: Read-only file system"
    same "$tmp/ro/PART1.TAP" "$tmp/copy"
    [ "$(clip)" = h12.5 ] || fail "clipboard: $(clip)"
}

# The file and its folder are immutable (chattr +i): nothing changes.
case_immutable() {
    mkdir "$tmp/im"
    program "$tmp/im/PART1.TAP" 3
    cp "$tmp/im/PART1.TAP" "$tmp/copy"
    chattr +i "$tmp/im/PART1.TAP" 2>/dev/null || skip "chattr +i is refused here"
    start_x
    run "$tmp/im/PART1.TAP"
    expect_status 1
    expect_error "vorlund: $tmp/im/PART1.TAP: cannot rename to $tmp/im/PART1h3.TAP: Operation not permitted"
    same "$tmp/im/PART1.TAP" "$tmp/copy"
    [ "$(clip)" = h3 ] || fail "clipboard: $(clip)"
}

# A file the user cannot read (run as nobody, since root reads anything).
case_unreadable() {
    command -v setpriv >/dev/null || skip "setpriv is not installed"
    id nobody >/dev/null 2>&1 || skip "there is no user nobody"
    mkdir "$tmp/nr"
    program "$tmp/nr/PART1.TAP" 2
    chmod 000 "$tmp/nr/PART1.TAP"
    chown nobody "$tmp/nr"
    chmod 755 "$tmp"
    start_x
    set_clip before
    status=0
    timeout -k 2 20 setpriv --reuid=nobody --regid=nogroup --clear-groups \
        "$vorlund" --no-dialog "$tmp/nr/PART1.TAP" >"$tmp/out" 2>"$tmp/err" || status=$?
    expect_status 1
    expect_error "vorlund: $tmp/nr/PART1.TAP: Permission denied"
    [ -e "$tmp/nr/PART1.TAP" ] || fail "the file was renamed"
    [ "$(clip)" = before ] || fail "clipboard: $(clip)"
}

# Paths that are no program file: one error each, clipboard untouched, and
# a FIFO without a writer must not block the open.
case_not_a_file() {
    mkdir "$tmp/dir" && mkfifo "$tmp/fifo" && ln -s "$tmp/nowhere" "$tmp/dangling"
    start_x
    set_clip before
    local path reason
    for path in dir:"is a directory" fifo:"not a regular file" dangling:"No such file or directory"; do
        reason=${path#*:} path=$tmp/${path%%:*}
        run "$path"
        expect_status 1
        expect_error "vorlund: $path: $reason"
        [ "$(clip)" = before ] || fail "clipboard after $path: $(clip)"
    done
    [ -d "$tmp/dir" ] && [ -p "$tmp/fifo" ] && [ -L "$tmp/dangling" ] || fail "a path was changed"
}

# A symlink to a program: the link gets the tag, the program keeps its name.
case_symlink() {
    mkdir "$tmp/store"
    program "$tmp/store/TARGET.TAP" 4
    cp "$tmp/store/TARGET.TAP" "$tmp/copy"
    ln -s store/TARGET.TAP "$tmp/PART1.TAP"
    start_x
    run "$tmp/PART1.TAP"
    expect_status 0
    [ "$(readlink "$tmp/PART1h4.TAP")" = store/TARGET.TAP ] || fail "the link was not renamed"
    [ ! -e "$tmp/PART1.TAP" ] || fail "the link kept its old name"
    same "$tmp/store/TARGET.TAP" "$tmp/copy"
    [ "$(ls "$tmp/store")" = TARGET.TAP ] || fail "the target was touched"
    [ "$(clip)" = h4 ] || fail "clipboard: $(clip)"
}

# Another process creates the target name (O_EXCL) while vorlund runs:
# whoever comes second fails, nothing is overwritten.
case_target_race() {
    start_x
    local i renamed=0 refused=0
    for ((i = 0; i < 20; i++)); do
        program "$tmp/P$i.TAP" 1
        cp "$tmp/P$i.TAP" "$tmp/copy"
        (sleep "0.0$((i % 10))" && set -C && echo racer >"$tmp/P${i}h1.TAP") 2>/dev/null &
        run "$tmp/P$i.TAP"
        wait $!
        if [ "$status" -eq 0 ]; then
            same "$tmp/P${i}h1.TAP" "$tmp/copy"
            renamed=$((renamed + 1))
        else
            expect_error "File exists"
            same "$tmp/P$i.TAP" "$tmp/copy"
            [ "$(cat "$tmp/P${i}h1.TAP")" = racer ] || fail "the racer's file was replaced"
            refused=$((refused + 1))
        fi
    done
    echo "renamed first: $renamed, target came first: $refused"
}

# Two runs on one file at once: renamed once, content unchanged.
case_same_file() {
    start_x
    local i a b sa sb
    for ((i = 0; i < 5; i++)); do
        program "$tmp/PART$i.TAP" 7
        cp "$tmp/PART$i.TAP" "$tmp/copy"
        sa=0 sb=0
        timeout 20 "$vorlund" --no-dialog "$tmp/PART$i.TAP" 2>"$tmp/err.a" & a=$!
        timeout 20 "$vorlund" --no-dialog "$tmp/PART$i.TAP" 2>"$tmp/err.b" & b=$!
        wait $a || sa=$?
        wait $b || sb=$?
        [ $((sa + sb)) -eq 1 ] || fail "exit statuses $sa and $sb, expected one 0 and one 1"
        [ ! -e "$tmp/PART$i.TAP" ] || fail "the old name is left"
        same "$tmp/PART${i}h7.TAP" "$tmp/copy"
    done
    no_keeper_or_one
}

# At most one keeper serves the clipboard; once xclip owns it, none.
no_keeper_or_one() {
    sleep 0.5
    [ "$(keepers | wc -l)" -le 1 ] || fail "keepers left: $(keepers | tr '\n' ' ')"
    set_clip other
    no_keeper_within 5 || fail "keeper left after another client took the clipboard"
}

# Twenty runs at once on twenty files.
case_twenty() {
    start_x
    local i pids=() bad=0
    for ((i = 1; i <= 20; i++)); do
        program "$tmp/PART$i.TAP" "$i"
        cp "$tmp/PART$i.TAP" "$tmp/copy$i"
    done
    for ((i = 1; i <= 20; i++)); do
        timeout 30 "$vorlund" --no-dialog "$tmp/PART$i.TAP" 2>>"$tmp/err" &
        pids+=($!)
    done
    for i in "${pids[@]}"; do wait "$i" || bad=$((bad + 1)); done
    [ "$bad" -eq 0 ] || fail "$bad runs failed"
    for ((i = 1; i <= 20; i++)); do
        same "$tmp/PART${i}h$i.TAP" "$tmp/copy$i"
    done
    local tapes=("$tmp"/*.TAP)
    [ "${#tapes[@]}" -eq 20 ] || fail "files: $(ls "$tmp")"
    clip | grep -qx 'h[0-9]*' || fail "clipboard: $(clip)"
    no_keeper_or_one
}

# A folder's 1,500 programs in one run under a limit of 256 open files: each
# is closed once read, so every one is tagged and renamed.
case_folder() {
    start_x
    local i args=() tags=() renamed
    for ((i = 1; i <= 1500; i++)); do
        program "$tmp/P$i.TAP" $((i % 50 + 1))
        args+=("$tmp/P$i.TAP")
        tags+=("h$((i % 50 + 1))")
    done
    ulimit -n 256 || skip "cannot lower the open-file limit"
    run "${args[@]}"
    expect_status 0
    renamed=$(find "$tmp" -maxdepth 1 -name 'P*h*.TAP' | wc -l)
    [ "$renamed" -eq 1500 ] || fail "$renamed of 1500 renamed: $(head -c 300 "$tmp/err")"
    [ "$(clip)" = "$(printf '%s\n' "${tags[@]}" | head -c -1)" ] ||
        fail "clipboard: $(clip | wc -l) lines: $(clip | head -n 3 | tr '\n' ' ')"
}

# The run that gathers the runs a file manager starts is killed while the
# others hand their files over, or while its question is open: no file is
# lost or tagged twice. Each ends tagged by some run, or untouched with an
# error from its own run; the killed run's own file may be either. The files
# tagged before the question are done: their runs end 0.
case_gatherer_killed() {
    start_x
    # Row: when the gatherer is killed: as run N starts, or at its question.
    local when i pids=() gatherer
    for when in 2 5 10 question; do
        rm -rf "$tmp/w" "$tmp/c" && mkdir "$tmp/w" "$tmp/c"
        for ((i = 1; i <= 10; i++)); do program "$tmp/w/P$i.TAP" "$i"; done
        [ "$when" != question ] || printf 'G1 Z#1\n' >"$tmp/w/P1.TAP"
        cp "$tmp"/w/* "$tmp/c/"
        "$vorlund" "$tmp/w/P1.TAP" 2>/dev/null &
        gatherer=$! pids=()
        sleep 0.05
        for ((i = 2; i <= 10; i++)); do
            timeout -k 2 30 "$vorlund" "$tmp/w/P$i.TAP" 2>"$tmp/err$i" &
            pids[i]=$!
            [ "$i" != "$when" ] || kill -9 "$gatherer" 2>/dev/null
            sleep 0.02
        done
        if [ "$when" = question ]; then
            windows_wait 10 '^Vorlund$' >/dev/null ||
                fail "$when: no question"
            kill -9 "$gatherer" 2>/dev/null
        fi
        wait "$gatherer" 2>/dev/null
        for ((i = 1; i <= 10; i++)); do
            local tagged=$tmp/w/P${i}h$i.TAP plain=$tmp/w/P$i.TAP rc=0
            [ "$i" -eq 1 ] || wait "${pids[i]}" || rc=$?
            [ "$rc" -lt 124 ] || fail "$when: run $i hung or died ($rc)"
            if [ -e "$tagged" ] && [ ! -e "$plain" ]; then
                same "$tagged" "$tmp/c/P$i.TAP"
                # Tagged before the question, it is not tagged again.
                [ "$when" != question ] || [ "$i" -eq 1 ] || [ "$rc" -eq 0 ] ||
                    fail "$when: run $i ended $rc, though its file was tagged before the question"
            elif [ -e "$plain" ] && [ ! -e "$tagged" ]; then
                same "$plain" "$tmp/c/P$i.TAP"
                [ "$i" -eq 1 ] || { [ "$rc" -ne 0 ] && [ -s "$tmp/err$i" ]; } ||
                    fail "$when: P$i.TAP untouched, yet its run ended $rc without a word"
            else
                fail "$when: P$i.TAP lost or doubled: $(ls "$tmp/w" | tr '\n' ' ')"
            fi
        done
        [ "$(ls "$tmp/w" | wc -l)" -eq 10 ] || fail "$when: files: $(ls "$tmp/w" | tr '\n' ' ')"
        echo "$when: $(ls "$tmp/w" | tr '\n' ' ')"
    done
}

# The file grows while it is read (a slow writer, as a CAM post-processor
# still writing): the run ends and the file keeps every byte written.
case_grows() {
    big_program "$tmp/PART1.TAP" 64 2
    start_x
    set_clip before
    (while :; do printf 'G1 Z-3\n%.0s' {1..200}; done >>"$tmp/PART1.TAP") &
    background+=($!)
    run "$tmp/PART1.TAP"
    kill "${background[-1]}" && wait "${background[-1]}" 2>/dev/null
    expect_status 1
    expect_error "vorlund: $tmp/PART1.TAP: changed while it was read; try again when it is complete"
    [ -e "$tmp/PART1.TAP" ] || fail "renamed: $(ls "$tmp")"
    [ "$(clip)" = before ] || fail "clipboard: $(clip)"
}

# The file is cut short while it is read: no crash (no SIGBUS from a map),
# and no tag for what remained.
case_truncated() {
    big_program "$tmp/PART1.TAP" 256 9
    local half
    half=$(awk -v s="$(scan_seconds "$tmp/PART1.TAP")" 'BEGIN { print s / 2 }')
    start_x
    (sleep "$half" && truncate -s 1000 "$tmp/PART1.TAP") &
    run "$tmp/PART1.TAP"
    wait $!
    [ "$status" -ne 0 ] || skip "the scan ended before the file was cut"
    local left
    left=$(cd "$tmp" && printf '%s' *TAP*)
    echo "scan $half s x 2; exit $status; left: $left; clipboard: $(clip)"
    [ "$(stat -c %s "$tmp/$left")" -eq 1000 ] || fail "size of $left"
    expect_status 1
    expect_error "vorlund: $tmp/PART1.TAP: changed while it was read; try again when it is complete"
    [ "$left" = PART1.TAP ] || fail "renamed to $left"
}

# The file is removed while it is read: no tag, nothing appears.
case_removed() {
    big_program "$tmp/PART1.TAP" 256 9
    local half
    half=$(awk -v s="$(scan_seconds "$tmp/PART1.TAP")" 'BEGIN { print s / 2 }')
    start_x
    set_clip before
    (sleep "$half" && rm "$tmp/PART1.TAP") &
    run "$tmp/PART1.TAP"
    wait $! || skip "the scan ended before the file could be removed"
    expect_status 1
    expect_error "vorlund: $tmp/PART1.TAP: changed while it was read; try again when it is complete"
    [ -z "$(find "$tmp" -maxdepth 1 -name '*TAP*')" ] || fail "left: $(ls "$tmp")"
    [ "$(clip)" = before ] || fail "clipboard: $(clip)"
}

# A vfat stick through FUSE: no RENAME_NOREPLACE and no hard links, so the
# rename takes its last fallback. It renames, and still never replaces.
case_vfat() {
    command -v mkfs.vfat >/dev/null && command -v fusefat >/dev/null ||
        skip "mkfs.vfat or fusefat is not installed"
    truncate -s 4M "$tmp/stick.img" && mkfs.vfat "$tmp/stick.img" >/dev/null
    mkdir "$tmp/stick"
    fusefat -o rw+ "$tmp/stick.img" "$tmp/stick" >/dev/null 2>&1 || skip "cannot mount through FUSE"
    mounts+=("$tmp/stick")
    program "$tmp/stick/PART1.TAP" 12.5
    program "$tmp/stick/PART2.TAP" 5
    echo other >"$tmp/stick/PART2h5.TAP"
    cp "$tmp/stick/PART1.TAP" "$tmp/copy1" && cp "$tmp/stick/PART2.TAP" "$tmp/copy2"
    start_x
    run "$tmp/stick/PART1.TAP" "$tmp/stick/PART2.TAP"
    expect_status 1
    expect_error "vorlund: $tmp/stick/PART2.TAP: cannot rename to $tmp/stick/PART2h5.TAP: File exists"
    same "$tmp/stick/PART1h12.5.TAP" "$tmp/copy1"
    same "$tmp/stick/PART2.TAP" "$tmp/copy2"
    [ "$(cat "$tmp/stick/PART2h5.TAP")" = other ] || fail "the existing file was replaced"
    [ ! -e "$tmp/stick/PART1.TAP" ] || fail "PART1.TAP is left"
}

# The X server dies while the program scans: it ends, renames nothing.
case_x_dies_in_run() {
    big_program "$tmp/PART1.TAP" 256 9
    local half
    half=$(awk -v s="$(scan_seconds "$tmp/PART1.TAP")" 'BEGIN { print s / 2 }')
    start_x
    # Qt abandons its X connection when the server dies: not our leak.
    export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
    (sleep "$half" && kill "$xvfb_pid") &
    run "$tmp/PART1.TAP"
    wait $!
    echo "scan $half s x 2; exit $status; stderr: $(head -c 300 "$tmp/err")"
    if [ -e "$tmp/PART1.TAP" ]; then
        [ "$status" -eq 1 ] || fail "not renamed, but exit status $status"
    else
        [ "$status" -eq 0 ] && [ -e "$tmp/PART1h9.TAP" ] || fail "exit $status, left: $(ls "$tmp")"
    fi
    no_keeper_within 5 || fail "a keeper is left: $(keepers)"
}

# The X server dies while the keeper serves the tag: the keeper ends.
case_x_dies_at_keeper() {
    program "$tmp/PART1.TAP" 1
    start_x
    run "$tmp/PART1.TAP"
    expect_status 0
    [ "$(clip)" = h1 ] || fail "clipboard: $(clip)"
    [ -n "$(keepers)" ] || fail "no keeper serves the tag"
    stop_x
    no_keeper_within 5 || fail "the keeper outlived the X server"
}

# Leak check of whole runs under the sanitizer build, the keeper included:
# every process writes its report to a file, none may exist at the end.
case_leaks() {
    program "$tmp/PART1.TAP" 1
    start_x
    export ASAN_OPTIONS=detect_leaks=1:log_path=$tmp/asan
    LSAN_OPTIONS=suppressions=$(dirname "$0")/../../scripts/lsan.supp:print_suppressions=0
    export LSAN_OPTIONS
    run "$tmp/PART1.TAP" "$tmp/missing.TAP"
    expect_status 1
    set_clip other
    no_keeper_within 10 || fail "the keeper is left"
    run -n "$tmp/PART1h1.TAP"
    expect_status 0
    if ls "$tmp"/asan.* >/dev/null 2>&1; then
        head -c 3000 "$tmp"/asan.*
        fail "sanitizer reports above"
    fi
}

run_case "$fault_case"
echo "PASS: $fault_case"
