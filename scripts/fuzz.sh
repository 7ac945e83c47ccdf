#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, -DRUVEX_FUZZ=ON: libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time from its seed corpus in fuzz/corpus/.
# Prints the executions and the coverage (cov: edges reached of those instrumented) per target and
# fails when any target crashes or breaks one of its invariants; the input that did it is kept in
# $BUILD/fuzz-artifacts/ and its path printed.
#   FUZZ_SECONDS     seconds per target (default 30)
#   FUZZ_BUILD_DIR   build folder (default build-fuzz)
#   FUZZ_TARGETS     names to run (default: every fuzz/fuzz_*.cpp)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=$(realpath -m "${FUZZ_BUILD_DIR:-build-fuzz}")
SECONDS_PER_TARGET=${FUZZ_SECONDS:-30}
CXX_COMPILER=${FUZZ_CXX:-$(command -v clang++ || command -v clang++-14)}

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$CXX_COMPILER" \
  -DRUVEX_FUZZ=ON -DRUVEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target fuzz_all

if [[ -n ${FUZZ_TARGETS:-} ]]; then
  read -r -a names <<<"$FUZZ_TARGETS"
else
  names=()
  for source in fuzz/fuzz_*.cpp; do names+=("$(basename "$source" .cpp | sed 's/^fuzz_//')"); done
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
ARTIFACTS=$BUILD/fuzz-artifacts
mkdir -p "$ARTIFACTS"
failed=()
summary=()
run_target() {
  local name=$1
  local log=$WORK/$name.log
  # New inputs go to a scratch folder first in the list; the committed seeds are only read.
  mkdir -p "$WORK/$name"
  local args=(-max_total_time="$SECONDS_PER_TARGET" -max_len=4096 -timeout=20 -rss_limit_mb=2048
              -print_final_stats=1 -artifact_prefix="$ARTIFACTS/$name-")
  [[ -f fuzz/$name.dict ]] && args+=(-dict="$ROOT/fuzz/$name.dict")
  local status=0
  "$BUILD/fuzz/fuzz_$name" "${args[@]}" "$WORK/$name" "$ROOT/fuzz/corpus/$name" >"$log" 2>&1 || status=$?
  echo "$status" >"$WORK/$name.status"
}

# Two targets at a time: one per core.
echo "---- ${#names[@]} targets, ${SECONDS_PER_TARGET}s each, ${FUZZ_JOBS:-2} at a time"
running=0
for name in "${names[@]}"; do
  if ((running >= ${FUZZ_JOBS:-2})); then
    wait -n
    running=$((running - 1))
  fi
  run_target "$name" &
  running=$((running + 1))
done
wait

for name in "${names[@]}"; do
  log=$WORK/$name.log
  status=$(cat "$WORK/$name.status")
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -n1 || true)
  edges=$(sed -n 's/.*(\([0-9]*\) inline 8-bit counters).*/\1/p' "$log" | head -n1)
  line=$(printf '%-16s executions %-10s %s (of %s instrumented edges)' "$name" "${runs:-?}" "${cov:-cov: ?}" "${edges:-?}")
  summary+=("$line")
  if ((status != 0)); then
    failed+=("$name")
    echo "fuzz_$name FAILED (exit $status); its report:"
    grep -E -A25 'invariant broken|ERROR: (AddressSanitizer|libFuzzer|LeakSanitizer)|runtime error' "$log" | head -n60 || tail -n40 "$log"
    grep -E 'Test unit written to' "$log" || true
  fi
done

echo "==== fuzzing summary (${SECONDS_PER_TARGET}s per target)"
printf '%s\n' "${summary[@]}"
if ((${#failed[@]})); then
  echo "fuzz targets that failed: ${failed[*]} (inputs in $ARTIFACTS)"
  exit 1
fi
