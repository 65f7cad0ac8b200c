#!/usr/bin/env bash
# Installs what is missing, builds Larkspur and starts it on the simulated adapter.
# Without a display (a bare server) it runs inside a virtual X server (xvfb-run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target larkspur
export LARKSPUR_ADAPTER="${LARKSPUR_ADAPTER:-simulated}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running Larkspur inside xvfb-run."
    exec xvfb-run -a -s "-screen 0 1600x900x24" ./build/bin/larkspur
fi
exec ./build/bin/larkspur
