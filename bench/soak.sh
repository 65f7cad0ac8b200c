#!/bin/sh
# Ten-minute soak at bus maximum on both channels with display and real-time recording,
# checked against the receive targets (zero loss, CPU, event-loop latency, RSS growth).
# Not part of the test suite. Usage: bench/soak.sh [build-dir] [extra options]
set -eu
build=${1:-build}
[ $# -gt 0 ] && shift
export QT_QPA_PLATFORM=offscreen
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/config"
LARKSPUR_HOME=$home "$build/bin/larkspur_bench" --soak --check "$@"
