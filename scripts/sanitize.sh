#!/usr/bin/env bash
# Builds everything in Debug with AddressSanitizer and UndefinedBehaviorSanitizer and runs the
# whole test suite. Any report fails the run: leaks included, and reports of the programs the
# end-to-end tests start (ruvex, ruvex-emu) too, which go to files that are checked at the end.
#   SANITIZE_BUILD_DIR   build folder (default build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${SANITIZE_BUILD_DIR:-build-asan}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRUVEX_SANITIZE=ON >/dev/null
cmake --build "$BUILD"

REPORTS=$(mktemp -d)
trap 'rm -rf "$REPORTS"' EXIT
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:log_path=$REPORTS/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$REPORTS/ubsan"
export LSAN_OPTIONS="log_path=$REPORTS/lsan"

status=0
ctest --test-dir "$BUILD" --output-on-failure -j"${TEST_JOBS:-2}" --timeout 600 || status=$?

if compgen -G "$REPORTS/*" >/dev/null; then
  echo "==== sanitizer reports"
  for report in "$REPORTS"/*; do
    echo "---- $report"
    cat "$report"
  done
  exit 1
fi
if ((status != 0)); then
  echo "sanitized test run failed"
  exit "$status"
fi
echo "sanitized test run: no reports"
