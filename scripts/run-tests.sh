#!/usr/bin/env bash
# Sets up the machine, builds Kavu and runs the whole test suite headless:
# the tests of the normal build, the same tests built with AddressSanitizer
# and UndefinedBehaviorSanitizer, and a short run of every fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen

echo "== Tests"
ctest --test-dir build --output-on-failure

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKAVU_SANITIZE=ON
cmake --build build-asan --parallel 2
ctest --test-dir build-asan --output-on-failure

echo "== Fuzzers, a short run each on their seeds"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DKAVU_FUZZ=ON
cmake --build build-fuzz --parallel 2
ctest --test-dir build-fuzz --output-on-failure
