#!/usr/bin/env bash
# Fails when an object of the AVX2 kernel defines code other files can link
# to besides the kernel's entry points: a header's inline function or a
# template instance compiled for AVX2 could then stand in for the baseline's,
# and crash a CPU without AVX2.
# Usage: avx2_symbols.sh NM OBJECT...
set -euo pipefail
nm=$1
shift
status=0
for object in "$@"; do
    symbols=$("$nm" -C --defined-only "$object")
    # Code other files can link to: global (T), weak (W) and indirect (i)
    # functions. Data (R, D, V: typeinfo, sanitizer markers) runs no instruction.
    extra=$(echo "$symbols" |
        awk '$2 ~ /^[TWi]$/ { $1 = ""; $2 = ""; print substr($0, 3) }' |
        grep -Ev '^vorlund::kernel::(FeedAvx2|CandidatesAvx2)\(' || true)
    if [ -n "$extra" ]; then
        echo "$object shares symbols compiled for AVX2:" >&2
        echo "$extra" >&2
        status=1
    fi
    grep -q 'vorlund::kernel::FeedAvx2(' <<<"$symbols" || {
        echo "$object: no FeedAvx2, nothing was checked" >&2
        status=1
    }
done
exit $status
