#!/usr/bin/env bash
# Installs what is missing, builds Larkspur, Pellow, the tests and the benchmarks, and runs
# the whole test suite with CTest:
#   1. the normal build (every test, including a short benchmark smoke run),
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build (every test),
#   3. a ThreadSanitizer build (the threaded tests: receive, send, queue, settings, device),
#   4. the fuzz targets replaying their corpora,
#   5. the Debian package from the normal build, installed, run as a new user and removed
#      (scripts/package-test.sh).
# LARKSPUR_TEST_CONFIGS selects a subset, e.g. "normal" or "normal asan".
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
configs=${LARKSPUR_TEST_CONFIGS:-normal asan tsan fuzz package}
export QT_QPA_PLATFORM=offscreen
status=0
passed=0
failed=0
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT

run_ctest() { # <build dir> [ctest args...]
    local dir=$1
    shift
    (cd "$dir" && ctest --output-on-failure -j"$jobs" "$@") | tee "$summary" || status=1
    [ "${PIPESTATUS[0]}" = 0 ] || status=1
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$summary" | tail -n 1)
    if [ -n "$line" ]; then
        local f t
        f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
        t=$(sed -E 's/.* tests failed out of ([0-9]+).*/\1/' <<<"$line")
        failed=$((failed + f))
        passed=$((passed + t - f))
    else
        status=1
    fi
}

for config in $configs; do
    echo "=== $config build"
    case $config in
    normal)
        cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
        cmake --build build -j"$jobs"
        run_ctest build
        ;;
    asan)
        cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLARKSPUR_SANITIZER=asan >/dev/null
        cmake --build build-asan -j"$jobs"
        ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            run_ctest build-asan -LE nosan
        ;;
    tsan)
        cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLARKSPUR_SANITIZER=tsan >/dev/null
        targets=$(cd build-tsan && ctest -N -L threaded | sed -n 's/^ *Test *#[0-9]*: //p')
        if [ -n "$targets" ]; then
            # shellcheck disable=SC2086
            cmake --build build-tsan -j"$jobs" --target $targets
            TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" \
                run_ctest build-tsan -L threaded
        fi
        ;;
    fuzz)
        if [ -f fuzz/CMakeLists.txt ]; then
            cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
            cmake --build build-fuzz -j"$jobs"
            run_ctest build-fuzz
        fi
        ;;
    package)
        cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
        if bash scripts/package-test.sh build; then
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
            status=1
        fi
        ;;
    esac
done
echo "All configurations ($configs):"
echo "total: $passed passed, $failed failed"
exit $status
