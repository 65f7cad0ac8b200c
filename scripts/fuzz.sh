#!/usr/bin/env bash
# Runs every libFuzzer target for a bounded time (default 600 s each) and prints its
# executions and coverage. New inputs go to build-fuzz/new_<target>/; a crash leaves its
# input in build-fuzz/ for a regression test (copy it into fuzz/corpus/<target>/).
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
seconds=${1:-600}
shift || true
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$(nproc)"
targets=${*:-$(cd build-fuzz && ls fuzz_* | grep -v '\.' | sed 's/^fuzz_//')}
for t in $targets; do
    mkdir -p "build-fuzz/new_$t"
    echo "=== fuzz_$t for ${seconds}s"
    (cd build-fuzz && ASAN_OPTIONS=detect_leaks=0 "./fuzz_$t" -max_total_time="$seconds" \
        -rss_limit_mb=2048 -print_final_stats=1 "new_$t" "../fuzz/corpus/$t" 2>&1 |
        grep -E '^(#[0-9]+.*(DONE|INITED)|stat::number_of_executed_units|stat::peak_rss|==[0-9]+==ERROR|SUMMARY)' || true)
done
