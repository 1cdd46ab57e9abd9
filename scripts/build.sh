#!/usr/bin/env bash
# Configures and builds Kavu in ./build (warnings as errors).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVU_WERROR=ON
cmake --build build --parallel 2
