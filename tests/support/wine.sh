# shellcheck shell=bash
# Sourced by the Windows end-to-end and installer tests: one Wine prefix per
# (display, locale), made once and reused, and Wine's processes started with
# their streams on /dev/null so that no caller waits on them.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no offer to install Mono or Gecko

# Makes the prefix DIR unless it exists (a copy of a sibling "base", itself
# made once by wineboot) and exports WINEPREFIX and LC_ALL for it: a Wine
# process with another locale would rewrite the prefix's regional values.
# Usage: wine_prefix DIR LOCALE
wine_prefix() {
    local dir=$1 base
    base=$(dirname "$1")/base
    mkdir -p "$(dirname "$dir")"
    {
        flock 9
        if [ ! -e "$base/system.reg" ]; then
            WINEPREFIX=$base LC_ALL=C.UTF-8 wine wineboot -i </dev/null >/dev/null 2>&1 9>&-
            WINEPREFIX=$base wineserver -w 9>&-
        fi
        [ -e "$dir/system.reg" ] || cp -a "$base" "$dir"
    } 9>"$(dirname "$dir")/.lock"
    export WINEPREFIX=$dir LC_ALL=$2
}

# Starts the prefix's session on DISPLAY; it lasts until wine_stop.
wine_start() {
    wineserver -k 2>/dev/null || true
    wineserver -p </dev/null >/dev/null 2>&1
    wine wineboot </dev/null >/dev/null 2>&1
}

wine_stop() {
    wineserver -k 2>/dev/null || true
}

# The Windows path of a Linux path, on Wine's drive Z:.
winpath() {
    local p=${1//\//\\}
    printf 'Z:%s' "$p"
}

# Wine serves its clipboard to X only while one of its programs runs; KEEPER
# is one that waits for up to 60 s. Usage: wine_keep KEEPER_EXE
wine_keeper=
wine_keep() {
    wine "$1" 60 </dev/null >/dev/null 2>&1 &
    wine_keeper=$!
}

wine_unkeep() {
    [ -n "$wine_keeper" ] || return 0
    kill "$wine_keeper" 2>/dev/null
    wait "$wine_keeper" 2>/dev/null
    wine_keeper=
}

# Ends what a test started: the clipboard keeper, the Wine session, the X
# server, and its folder WORK.
wine_cleanup() { # WORK
    wine_unkeep
    wine_stop
    xvfb_stop
    rm -rf "$1"
}
