#!/usr/bin/env bash
# Installs what is missing, builds Larkspur and starts it on the simulated adapter.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target larkspur
exec env LARKSPUR_ADAPTER="${LARKSPUR_ADAPTER:-simulated}" ./build/bin/larkspur
