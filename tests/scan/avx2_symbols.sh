#!/usr/bin/env bash
# Fails when an object of the AVX2 kernel defines a symbol other files can
# link to besides the kernel's entry points: a header's inline function or a
# template instance compiled for AVX2 could then stand in for the baseline's,
# and crash a CPU without AVX2.
# Usage: avx2_symbols.sh NM OBJECT...
set -euo pipefail
nm=$1
shift
status=0
for object in "$@"; do
    symbols=$("$nm" -C --defined-only "$object")
    # Global and weak symbols: upper-case types, and u, v, w. Data the compiler
    # adds (the personality routine's reference, ASan's ODR markers) is no code.
    extra=$(echo "$symbols" |
        awk '$2 ~ /^([A-Z]|u|v|w)$/ { $1 = ""; $2 = ""; print substr($0, 3) }' |
        grep -Ev '^(vorlund::kernel::(FeedAvx2|CandidatesAvx2)\(|vorlund::kernel::kHaveAvx2Kernel$|DW\.ref\.__gxx_personality_v0$|__odr_asan\.)' || true)
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
