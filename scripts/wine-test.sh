#!/usr/bin/env bash
# The Windows build, tested under wine. Cross-builds ruvex.exe and the unit tests with mingw-w64,
# checks that ruvex.exe needs only Windows' own DLLs, runs every Windows unit-test executable under
# wine, then runs ruvex.exe against the Linux ruvex-emu: on COM ports (pseudo-terminals mapped to
# COM names in wine's registry, so the port list comes from HARDWARE\DEVICEMAP\SERIALCOMM) and over
# TCP. Every job is run the same way by the Linux ruvex against twin emulated devices, and the
# Return.txt bytes, the output file, the settings file and the bytes on the wire must be the same.
#
# Needs the packages g++-mingw-w64-x86-64-posix, wine, wine64, googletest (its sources build the
# Windows GoogleTest) and locales; .ci/run installs them.
# LINUX_BUILD_DIR (default build) and WIN_BUILD_DIR (default build-win) choose the build folders.
set -euo pipefail
cd "$(dirname "$0")/.."
LINUX_BUILD=${LINUX_BUILD_DIR:-build}
WIN_BUILD=${WIN_BUILD_DIR:-build-win}
STARTED=$SECONDS

for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-objdump wine wineserver localedef perl iconv; do
  command -v "$tool" >/dev/null || { echo "wine-test: $tool is missing (.ci/run lists the packages)" >&2; exit 1; }
done
[[ -f /usr/src/googletest/CMakeLists.txt ]] || { echo "wine-test: /usr/src/googletest is missing (package googletest)" >&2; exit 1; }

echo "== Linux reference build ($LINUX_BUILD)"
[[ -f $LINUX_BUILD/build.ninja ]] || cmake -S . -B "$LINUX_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$LINUX_BUILD" --target ruvex ruvex-emu

echo "== Windows build ($WIN_BUILD)"
cmake -S . -B "$WIN_BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="${WIN_OPT_FLAGS:--O1 -DNDEBUG}" >/dev/null
cmake --build "$WIN_BUILD"
BUILT=$SECONDS

# ---- results ----
PASSED=0
FAILED=0
pass() { PASSED=$((PASSED + 1)); echo "  ok   $1"; }
fail() {
  FAILED=$((FAILED + 1))
  echo "  FAIL $1"
  shift
  (($#)) && printf '%s\n' "$@" | sed 's/^/       /'
  return 0
}
# Byte comparison; on a difference shows where.
same_bytes() {
  if cmp -s "$2" "$3"; then pass "$1"; else fail "$1" "$(diff <(od -An -c "$2") <(od -An -c "$3") | head -20)"; fi
}

# ---- a fresh wine prefix, Bulgarian locale (ANSI code page 1251), Bulgarian time zone ----
WORK=$(mktemp -d /tmp/ruvex-wine.XXXXXX)
declare -A EMU_PID  # the emulators still running, by name
stop_emu() {
  kill "${EMU_PID[$1]}" 2>/dev/null || true
  wait "${EMU_PID[$1]}" 2>/dev/null || true
  unset "EMU_PID[$1]"
}
cleanup() {
  local name
  for name in "${!EMU_PID[@]}"; do stop_emu "$name"; done
  [[ -d $WORK/prefix ]] && WINEPREFIX=$WORK/prefix wineserver -k 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

export WINEPREFIX=$WORK/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
# Wine takes the code page from LC_ALL and file names need the locale itself; a private copy of it
# leaves the machine's locales alone.
export LOCPATH=$WORK/locale
mkdir -p "$LOCPATH" "$WINEPREFIX"
localedef -i bg_BG -f UTF-8 "$LOCPATH/bg_BG.UTF-8" 2>/dev/null || [[ -d $LOCPATH/bg_BG.UTF-8 ]]
export LC_ALL=bg_BG.UTF-8 TZ=Europe/Sofia
unset DISPLAY WAYLAND_DISPLAY RUVEX_SERIAL_PORTS

echo "== Wine prefix $WINEPREFIX"
PREFIX_STARTED=$SECONDS
wine wineboot -i </dev/null >/dev/null 2>&1
# A persistent server: otherwise every wine start waits for the previous server to time out. The
# first program started boots wine's own services, which inherit its standard handles and live as
# long as the server: boot them here, away from the pipes CTest reads.
start_wineserver() {
  wineserver -w
  wineserver -p </dev/null >/dev/null 2>&1  # it stays, so it must not hold our output open
  wine wineboot </dev/null >/dev/null 2>&1
}
start_wineserver
echo "  prefix ready in $((SECONDS - PREFIX_STARTED)) s"

echo "== Emulated devices on COM ports and TCP"
# start_emu NAME ARGS...: one ruvex-emu with its journal and paper roll in $WORK; WHERE[NAME] is
# its pseudo-terminal path or host:port, from the line it prints when ready.
declare -A WHERE
start_emu() {
  local name=$1 line= i
  shift
  "$LINUX_BUILD/emulator/ruvex-emu" --family daisy "$@" --journal "$WORK/$name.journal" --roll "$WORK/$name.roll" \
    >"$WORK/$name.out" 2>"$WORK/$name.err" &
  EMU_PID[$name]=$!
  for ((i = 0; i < 200; i++)); do
    line=$(head -n1 "$WORK/$name.out" 2>/dev/null || true)
    [[ -n $line ]] && break
    sleep 0.05
  done
  [[ -n $line ]] || { echo "wine-test: ruvex-emu $name did not start: $(cat "$WORK/$name.err")" >&2; exit 1; }
  WHERE[$name]=${line#* }
}

# Twin devices: L* serve the Linux ruvex, W* the Windows one. B has its own numbers; S loses every
# status reply.
for side in L W; do
  start_emu "${side}A" --pty
  start_emu "${side}B" --pty --fp-no DY000002 --fp-mem 36000002
  start_emu "${side}T" --tcp 0
  start_emu "${side}S" --tcp 0 --fault 0x5A:silence
done
# A line where requests are lost, for the serial port unit tests.
start_emu Q --pty --fault drop

# The Linux ruvex lists its ports sorted by path, the Windows one by COM name ignoring case, where
# COM10 comes before COM2: the twin of the first Linux port gets COM10.
if [[ $(printf '%s\n' "${WHERE[LA]}" "${WHERE[LB]}" | LC_ALL=C sort -f | head -n1) == "${WHERE[LA]}" ]]; then
  FIRST=A SECOND=B
else
  FIRST=B SECOND=A
fi
declare -A COM=([$FIRST]=COM10 [$SECOND]=COM2)
wine reg add 'HKLM\Software\Wine\Ports' /v COM10 /t REG_SZ /d "${WHERE[W$FIRST]}" /f >/dev/null
wine reg add 'HKLM\Software\Wine\Ports' /v COM2 /t REG_SZ /d "${WHERE[W$SECOND]}" /f >/dev/null
wine reg add 'HKLM\Software\Wine\Ports' /v COM3 /t REG_SZ /d "${WHERE[Q]}" /f >/dev/null
# The port map is read when the server starts.
restart_wineserver() {
  wineserver -k
  start_wineserver
}
restart_wineserver
wine reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' 2>/dev/null | sed -n 's/^ *\(\\Device[^ ]*\) *REG_SZ *\(.*\)\r\?$/  serial port map: \1 -> \2/p'

echo "== Unit tests under wine"
if RUVEX_TEST_SERIAL_PORT=COM3 ctest --test-dir "$WIN_BUILD" --output-on-failure --timeout 300 -j2; then
  pass "unit tests under wine"
else
  fail "unit tests under wine"
fi
UNIT_DONE=$SECONDS

# The lossy line is no device for discovery: gone from the port map before the listing.
stop_emu Q
wine reg delete 'HKLM\Software\Wine\Ports' /v COM3 /f >/dev/null
restart_wineserver
wine reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' 2>/dev/null | sed -n 's/^ *\(\\Device[^ ]*\) *REG_SZ *\(.*\)\r\?$/  serial port map: \1 -> \2/p'

echo "== End to end: ruvex.exe against the Linux emulator"
x86_64-w64-mingw32-objdump -p "$WIN_BUILD/app/ruvex.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' >"$WORK/dlls"
echo "  imports: $(tr '\n' ' ' <"$WORK/dlls")"
foreign=$(grep -viE '^(kernel32|msvcrt|ucrtbase|advapi32|shell32|user32|ws2_32|api-ms-win-[a-z0-9-]+)\.dll$' "$WORK/dlls" || true)
if [[ -s $WORK/dlls && -z $foreign ]]; then pass "ruvex.exe imports only Windows system DLLs"; else fail "ruvex.exe imports only Windows system DLLs" "$foreign"; fi


# new_home NAME linux|win: a folder with a copy of the executable; its files are written beside it.
new_home() {
  mkdir -p "$WORK/$1"
  if [[ $2 == win ]]; then cp "$WIN_BUILD/app/ruvex.exe" "$WORK/$1/"; else cp "$LINUX_BUILD/app/ruvex" "$WORK/$1/"; fi
}
# settings HOME LINE...: the settings file, CR LF after every line.
settings() {
  local home=$WORK/$1 file
  shift
  if [[ -f $home/ruvex.exe ]]; then file=$home/ruvex.exe.ini; else file=$home/ruvex.ini; fi
  printf '%s\r\n' "$@" >"$file"
}
# run_linux HOME PORTS ARGS... / run_win HOME ARGS...: one job in the home folder, standard output
# kept in HOME/stdout.
run_linux() {
  local home=$WORK/$1 ports=$2
  shift 2
  (cd "$home" && RUVEX_SERIAL_PORTS=$ports timeout 120 ./ruvex "$@" </dev/null >"$home/stdout" 2>"$home/stderr") || true
}
run_win() {
  local home=$WORK/$1
  shift
  (cd "$home" && timeout 120 wine ./ruvex.exe "$@" </dev/null >"$home/stdout" 2>"$home/stderr") || true
}
# The device clock is read live and printed on the paper, so clock readings are the one thing two
# runs may differ in.
normalise_clock() {
  LC_ALL=C sed -E -e 's/[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}/<clock>/g' \
    -e 's/[0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2}(:[0-9]{2})?/<clock>/g' "$1"
}
# compare_return LABEL LINUX_HOME WIN_HOME: Return.txt of both, clock line aside, and empty standard output.
compare_return() {
  normalise_clock "$WORK/$2/Return.txt" >"$WORK/$2/Return.norm"
  normalise_clock "$WORK/$3/Return.txt" >"$WORK/$3/Return.norm"
  if [[ -s $WORK/$3/Return.txt ]]; then
    same_bytes "$1: Return.txt as on Linux" "$WORK/$2/Return.norm" "$WORK/$3/Return.norm"
  else
    fail "$1: Return.txt as on Linux" "ruvex.exe wrote no Return.txt; standard error: $(head -c 500 "$WORK/$3/stderr")"
  fi
  if [[ ! -s $WORK/$2/stdout && ! -s $WORK/$3/stdout ]]; then
    pass "$1: nothing on standard output"
  else
    fail "$1: nothing on standard output" "linux: $(cat "$WORK/$2/stdout")" "windows: $(cat "$WORK/$3/stdout")"
  fi
}
# The clock line of a status run holds the device's clock, not the empty date.
has_device_clock() {
  if grep -aq $'^FpDateTime: 20[0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9:]\{8\}\r$' "$WORK/$2/Return.txt"; then
    pass "$1: the device clock was read"
  else
    fail "$1: the device clock was read" "$(grep -a '^FpDateTime' "$WORK/$2/Return.txt")"
  fi
}

for home in linux-com linux-tcp linux-mute; do new_home "$home" linux; done
for home in win-com win-tcp win-mute; do new_home "$home" win; done
for side in linux win; do
  [[ $side == linux ]] && s=L || s=W
  settings "$side-tcp" DeviceAuto=0 ComType=ctTcp Ipv4Address=127.0.0.1 "Ipv4Port=${WHERE[${s}T]##*:}" FpType=Daisy
  settings "$side-mute" DeviceAuto=0 ComType=ctTcp Ipv4Address=127.0.0.1 "Ipv4Port=${WHERE[${s}S]##*:}" FpType=Daisy
done

# The two slow jobs side by side: the listing probes every speed and family on the ports where
# nobody answers, and the mute device is asked five times.
run_win win-com /listDevices &
list_win=$!
run_linux linux-com "${WHERE[LA]},${WHERE[LB]},/dev/ruvex-no-such-port" /listDevices &
list_linux=$!
run_win win-mute /getStatus &
mute_win=$!
run_linux linux-mute "" /getStatus &
mute_linux=$!
wait $list_win $list_linux $mute_win $mute_linux

# listDevices: the registry's ports sorted ignoring case; the same JSON once the COM names are
# read as the Linux paths of the twins.
ports=$(LC_ALL=C sed -n 's/^Found com ports: [0-9]*: \(.*\)\r$/\1/p' "$WORK/win-com/ruvex.exe.log" | head -n1)
sorted=$(tr ',' '\n' <<<"$ports" | LC_ALL=C sort -f | paste -sd, -)
if [[ ,$ports, == *,COM10,*COM2,* && $ports == "$sorted" ]]; then
  pass "listDevices: COM ports from the registry, sorted ignoring case ($ports)"
else
  fail "listDevices: COM ports from the registry, sorted ignoring case" "logged: $ports" "sorted: $sorted"
fi
P_FIRST=${WHERE[L$FIRST]//\//\\/} P_SECOND=${WHERE[L$SECOND]//\//\\/} perl -pe \
  's/"comPort":"COM10"/"comPort":"$ENV{P_FIRST}"/g; s/"comPort":"COM2"/"comPort":"$ENV{P_SECOND}"/g' \
  "$WORK/win-com/Return.txt" >"$WORK/win-com/Return.linuxports"
same_bytes "listDevices: Return.txt as on Linux, COM names for paths" "$WORK/linux-com/Return.txt" "$WORK/win-com/Return.linuxports"
if grep -aq '"comPort":"COM10".*"comPort":"COM2"' "$WORK/win-com/Return.txt"; then
  pass "listDevices: both emulated devices found, COM10 first"
else
  fail "listDevices: both emulated devices found, COM10 first" "$(grep -a '^Json' "$WORK/win-com/Return.txt")"
fi
# Only the first line, DeviceAuto for this computer, lower case in the key.
host_key=$(LC_ALL=C sed -n 's/^DeviceAuto_\(.*\)=1\r$/\1/p' "$WORK/win-com/ruvex.exe.ini")
LC_ALL=C sed 's/^DeviceAuto_[^=]*=/DeviceAuto_<computer>=/' "$WORK/linux-com/ruvex.ini" >"$WORK/linux-com/ini.norm"
LC_ALL=C sed 's/^DeviceAuto_[^=]*=/DeviceAuto_<computer>=/' "$WORK/win-com/ruvex.exe.ini" >"$WORK/win-com/ini.norm"
same_bytes "listDevices: ruvex.exe.ini as ruvex.ini on Linux" "$WORK/linux-com/ini.norm" "$WORK/win-com/ini.norm"
if [[ -n $host_key && $host_key == "${host_key,,}" ]]; then
  pass "settings key carries the computer name in lower case ($host_key)"
else
  fail "settings key carries the computer name in lower case" "key suffix: '$host_key'"
fi

# A device whose status replies are lost: "Няма отговор!" as Windows-1251 bytes.
compare_return "no answer" linux-mute win-mute
if grep -aq $'^ResultText: \xCD\xFF\xEC\xE0 \xEE\xF2\xE3\xEE\xE2\xEE\xF0!\r$' "$WORK/win-mute/Return.txt"; then
  pass "no answer: \"Няма отговор!\" in Return.txt as single Windows-1251 bytes"
else
  fail "no answer: \"Няма отговор!\" in Return.txt as single Windows-1251 bytes" "$(od -An -c "$WORK/win-mute/Return.txt" | head -5)"
fi

# getStatus on a COM port from the settings, with the output file relative to the current folder.
settings linux-com FpType=Daisy "ComPort=${WHERE[L$SECOND]}" ComBaudRate=9600
settings win-com FpType=Daisy "ComPort=${COM[$SECOND]}" ComBaudRate=9600
run_linux linux-com "" /getStatus /output:status.txt
run_win win-com /getStatus /output:status.txt
compare_return "getStatus over COM" linux-com win-com
has_device_clock "getStatus over COM" win-com
for home in linux-com win-com; do iconv -f UTF-16 -t UTF-8 "$WORK/$home/status.txt" 2>/dev/null | normalise_clock /dev/stdin >"$WORK/$home/status.norm" || true; done
if [[ $(head -c 2 "$WORK/win-com/status.txt" 2>/dev/null | od -An -tx1 | tr -d ' ') == fffe ]]; then
  same_bytes "getStatus over COM: output file as on Linux" "$WORK/linux-com/status.norm" "$WORK/win-com/status.norm"
else
  fail "getStatus over COM: output file as on Linux" "no UTF-16 output file beside the current folder"
fi

# A receipt from an input file in UTF-8.
printf '%s\r\n' 'FiscalBonStart;1;1;' 'FiscalBonItem;Хляб "Добруджа";;А;1.20;2' 'FiscalBonTextLine;Благодарим Ви!' \
  'FiscalBonTotal;;;Cash;5' 'FiscalBonEnd' >"$WORK/bon.txt"
cp "$WORK/bon.txt" "$WORK/linux-com/bon.txt"
cp "$WORK/bon.txt" "$WORK/win-com/bon.txt"
run_linux linux-com "" /writeBon /input:bon.txt
run_win win-com /writeBon /input:bon.txt
compare_return "receipt over COM" linux-com win-com

# Over TCP: status, then a receipt whose script travels on the command line, Cyrillic and all.
run_linux linux-tcp "" /getStatus
run_win win-tcp /getStatus
compare_return "getStatus over TCP" linux-tcp win-tcp
has_device_clock "getStatus over TCP" win-tcp
script='FiscalBonStart;1;1;\nFiscalBonItem;Кисело мляко;3,6%;А;2.35;3\nFiscalBonTotal;;;Card;7.05\nFiscalBonEnd'
run_linux linux-tcp "" "/writeBon:PC1:DY448967:DY448967-0001-0000001:17:$script"
run_win win-tcp "/writeBon:PC1:DY448967:DY448967-0001-0000001:17:$script"
compare_return "receipt over TCP" linux-tcp win-tcp
if grep -aq $'^ResultCode: OK\r$' "$WORK/win-tcp/Return.txt" && grep -aq $'^ResultCode: OK\r$' "$WORK/win-com/Return.txt"; then
  pass "both receipts printed"
else
  fail "both receipts printed" "$(head -n 3 "$WORK/win-com/Return.txt")" "$(head -n 3 "$WORK/win-tcp/Return.txt")"
fi

# What reached the twin devices: the same requests, byte for byte, and the same paper.
for twin in A B T S; do
  same_bytes "device $twin: the same requests on the wire" "$WORK/L$twin.journal" "$WORK/W$twin.journal"
done
for twin in "$SECOND" T; do
  normalise_clock "$WORK/L$twin.roll" >"$WORK/L$twin.roll.norm"
  normalise_clock "$WORK/W$twin.roll" >"$WORK/W$twin.roll.norm"
  same_bytes "device $twin: the same paper roll" "$WORK/L$twin.roll.norm" "$WORK/W$twin.roll.norm"
done

echo "wine stage: build $((BUILT - STARTED)) s, prefix and unit tests $((UNIT_DONE - BUILT)) s, end to end $((SECONDS - UNIT_DONE)) s, in all $((SECONDS - STARTED)) s"
echo "wine: $PASSED passed, $FAILED failed"
((FAILED == 0))
