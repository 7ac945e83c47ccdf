#!/usr/bin/env bash
# Builds ruvex and ruvex-emu, starts an emulated Daisy device on a pseudo-terminal and reads its
# status and clock with `ruvex /getStatus`, then shows Return.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Debug} >/dev/null
cmake --build "$BUILD" --target ruvex ruvex-emu

WORK=$(mktemp -d)
trap 'kill $EMU_PID 2>/dev/null || true; wait $EMU_PID 2>/dev/null || true; rm -rf "$WORK"' EXIT
cp "$BUILD/app/ruvex" "$WORK/ruvex"   # Return.txt, ruvex.ini and ruvex.log are written beside the executable

coproc EMU { exec "$BUILD/emulator/ruvex-emu" --family daisy --pty; }
EMU_PID=$EMU_PID
read -r KIND PORT <&"${EMU[0]}"
echo "emulated Daisy device on $PORT"

RUVEX_SERIAL_PORTS="$PORT" "$WORK/ruvex" /getStatus
echo "---- Return.txt ----"
iconv -f CP1251 -t UTF-8 "$WORK/Return.txt"
