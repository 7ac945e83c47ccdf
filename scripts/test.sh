#!/usr/bin/env bash
# Builds everything and runs all tests (unit, emulator and end-to-end).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Debug} -DRUVEX_BUILD_TESTS=ON ${CMAKE_EXTRA_ARGS:-}
cmake --build "$BUILD"
ctest --test-dir "$BUILD" --output-on-failure -j"${TEST_JOBS:-2}" --timeout 300
