#!/usr/bin/env python3
"""End-to-end benchmark: the real `ruvex` against `ruvex-emu` on pseudo-terminals and loopback TCP.

For every job it reports the wall time, the protocol floor (the pauses the protocol requires for
the exchanges that happened, counted from the emulator's journal; defined in docs/performance.md),
their ratio, CPU time as a share of the wall time, and peak resident memory; then the start-up
cost of a run with no job against /bin/true.

Wall time is taken around the process (spawned to reaped) and CPU time (user + system) from its
wait4 resource usage, in microseconds where /usr/bin/time -v prints hundredths. Peak resident memory
comes from one more run of each job under `/usr/bin/time -f %M`: a process spawned by this script
would report this script's own memory as its peak, since Linux carries the peak over across exec.
Only the Python standard library is used.
"""

import argparse
import json
import os
import platform
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))
RECEIPT = os.path.join(HERE, "receipt20.txt")
GNU_TIME = "/usr/bin/time"

# The protocols' own pauses, in milliseconds.
FRAMED_AFTER_WRITE = 200
READ_PAUSE = 50
READS_BEFORE_SILENCE = 10
RESEND_PAUSE = 100
TCP_READ_WAIT = 100  # a TCP read waits this long for data before it returns empty; a serial read returns at once
TREMOL_BEFORE_COMMAND = 20  # SleepBeforeCommand when the settings do not set it
TREMOL_AFTER_BON_START = 20  # SleepAfterBonStart likewise
TREMOL_OPEN_COMMAND = 0x30

# Emulator family, the name the settings and the device list use, in the order discovery probes.
PROBE_ORDER = [("daisy", "Daisy"), ("datecs-a", "DatecsA"), ("datecs-b", "DatecsB"), ("datecs-c", "DatecsC"),
               ("eltrade", "Eltrade"), ("tremol", "Tremol")]
SETTINGS_NAME = dict(PROBE_ORDER)
TREMOL = "tremol"


@dataclass
class Request:
    cmd: int
    dup: bool
    faults: list


@dataclass
class Floor:
    ms: int = 0
    exchanges: int = 0
    resends: int = 0
    silent: int = 0
    notes: set = field(default_factory=set)

    def add(self, other):
        self.ms += other.ms
        self.exchanges += other.exchanges
        self.resends += other.resends
        self.silent += other.silent
        self.notes |= other.notes


def read_journal(path):
    requests = []
    with open(path, encoding="ascii", errors="replace") as journal:
        for line in journal:
            if line.startswith("rejected"):  # refused at once with the refusal byte
                requests.append(Request(-1, False, []))
            elif line.strip():
                cmd = re.search(r"\bcmd=([0-9A-F]+)", line)
                faults = re.search(r"\bfaults=(\S+)", line)
                requests.append(Request(int(cmd.group(1), 16) if cmd else -1, " dup" in line,
                                        faults.group(1).split(",") if faults else []))
    return requests


# Faults the floor knows: the reply is lost, or it comes and fails the check.
LOST = ("silence", "drop")
SPOILED = ("wrong-seq", "bad-checksum", "echo")


def kind_of(fault):
    return fault.split(":", 1)[-1].split("*", 1)[0].split("=", 1)[0]


def empty_cycle(transport):
    """A read cycle that runs out: 10 empty reads, each followed by its pause."""
    return READS_BEFORE_SILENCE * (READ_PAUSE + (TCP_READ_WAIT if transport == "tcp" else 0))


def silent_cost(tremol, transport):
    """A transmission nobody answers (framed: the pause after the write, then the read cycle)."""
    return (0 if tremol else FRAMED_AFTER_WRITE) + empty_cycle(transport)


def protocol_floor(requests, family, transport):
    """The least time the protocol's pauses take for the transmissions the emulator saw.

    A reply comes whole and at once after its request, so the first read after it brings it.
    Framed: 200 ms after the write, 50 ms after that read.
    Tremol: SleepBeforeCommand once per request, 50 ms after that read (the first, which follows the
    write at once); SleepAfterBonStart after opening a receipt.
    With injected faults: a lost reply costs a read cycle that runs out; a reply that fails the check
    costs its reads and (framed, which goes on reading for the rest of a frame) a read cycle that
    runs out; a resend that follows costs 100 ms more. An empty read over TCP first waits 100 ms.
    The emulator marks a repeated frame "dup"; that is a resend only after such a fault, since a new
    driver object starts its numbering again.
    """
    floor = Floor()
    tremol = family == TREMOL
    answered = (0 if tremol else FRAMED_AFTER_WRITE) + READ_PAUSE
    failed = False  # whether the previous transmission went without a good reply
    for request in requests:
        kinds = {kind_of(f) for f in request.faults}
        for kind in sorted(kinds - set(LOST) - set(SPOILED)):
            floor.notes.add(f"fault {kind} is not modelled by the floor")
        if failed and request.dup:
            floor.resends += 1
            floor.ms += RESEND_PAUSE
        else:
            floor.exchanges += 1
            if tremol:
                floor.ms += TREMOL_BEFORE_COMMAND
        failed = bool(kinds & set(LOST + SPOILED))
        if kinds & set(LOST):
            floor.ms += silent_cost(tremol, transport)
        elif kinds & set(SPOILED):
            floor.ms += answered + (0 if tremol else empty_cycle(transport))
        else:
            floor.ms += answered
            if tremol and request.cmd == TREMOL_OPEN_COMMAND:
                floor.ms += TREMOL_AFTER_BON_START
    return floor


def listing_floor(requests, family):
    """One port of a listing: what its emulator saw, plus the probes it could not read.

    A device found at the first speed was probed by every family before its own in the probe
    order. Probes in a protocol the device does not speak leave no journal line; each of them
    waited out a silent read cycle. Tremol probes last, so the silent ones are all framed.
    """
    floor = protocol_floor(requests, family, "pty")
    probes = [name for name, _ in PROBE_ORDER].index(family) + 1
    floor.silent = probes - len(requests)
    floor.exchanges += floor.silent
    floor.ms += floor.silent * silent_cost(False, "pty")
    return floor


class Emulator:
    def __init__(self, exe, family, transport, workdir, index, faults=()):
        self.family = family
        self.journal = os.path.join(workdir, f"journal-{index}.txt")
        roll = os.path.join(workdir, f"roll-{index}.txt")
        args = [exe, "--family", family, "--journal", self.journal, "--roll", roll]
        args += ["--tcp", "0"] if transport == "tcp" else ["--pty"]
        for fault in faults:
            args += ["--fault", fault]
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        first = self.proc.stdout.readline().split()
        if len(first) != 2:
            self.stop()
            raise RuntimeError(f"ruvex-emu did not start: {self.proc.stderr.read().strip()}")
        self.kind, self.where = first

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
        try:
            self.proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def spawn(args, env):
    """Wall time from fork to reap, CPU time and the wait status."""
    start = time.perf_counter()
    pid = os.posix_spawn(args[0], args, env, file_actions=[(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0)])
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError(f"{' '.join(args)} ended with status {status}")
    return wall, usage.ru_utime + usage.ru_stime


@dataclass
class Run:
    wall_s: float
    cpu_s: float
    peak_kb: int = 0


def measure(args, env, workdir, peak=False):
    """Times a run; with peak, runs it under /usr/bin/time instead, for its peak memory only."""
    if not peak:
        return Run(*spawn(args, env))
    rss_file = os.path.join(workdir, "peak-rss.txt")
    wall, cpu = spawn([GNU_TIME, "-f", "%M", "-o", rss_file] + args, env)
    with open(rss_file) as rss:
        return Run(wall, cpu, int(rss.read().split()[-1]))


def returned(workdir):
    try:
        with open(os.path.join(workdir, "Return.txt"), encoding="cp1251", newline="") as text:
            fields = dict(line.split(": ", 1) if ": " in line else (line.rstrip(":"), "")
                          for line in text.read().split("\r\n") if line)
    except FileNotFoundError:
        return {}
    return fields


def outcome(fields):
    if not fields:
        return "no Return.txt"
    if fields.get("ResultCode") == "OK":
        return "OK"
    return f"{fields.get('ResultType', '?')}: {fields.get('ResultText', '')}"


def write_settings(workdir, lines):
    with open(os.path.join(workdir, "ruvex.ini"), "w", encoding="utf-8", newline="") as ini:
        ini.write("".join(line + "\r\n" for line in lines))


def clean(workdir):
    for name in ("Return.txt", "ruvex.ini", "ruvex.log"):
        try:
            os.remove(os.path.join(workdir, name))
        except FileNotFoundError:
            pass


@dataclass
class Scenario:
    name: str
    transport: str
    families: list  # one emulator per entry
    job: list
    faults: tuple = ()


def run_scenario(scenario, exe, emu, workdir, peak=False):
    """Fresh emulators and settings for every run, so a journal holds exactly that run's requests."""
    clean(workdir)
    emulators = [Emulator(emu, f, scenario.transport, workdir, i, scenario.faults)
                 for i, f in enumerate(scenario.families)]
    listing = scenario.job == ["/listDevices"]
    family = scenario.families[0]
    try:
        env = dict(os.environ)
        if scenario.transport == "tcp":
            host, port = emulators[0].where.rsplit(":", 1)
            write_settings(workdir, ["DeviceAuto=0", "ComType=ctTcp", f"Ipv4Address={host}", f"Ipv4Port={port}",
                                     f"FpType={SETTINGS_NAME[family]}"])
            env["RUVEX_SERIAL_PORTS"] = ""
        elif listing:
            env["RUVEX_SERIAL_PORTS"] = ",".join(e.where for e in emulators)
        else:
            # The device remembered from an earlier run, as automatic discovery leaves it.
            write_settings(workdir, [f"FpType={SETTINGS_NAME[family]}", f"ComPort={emulators[0].where}",
                                     "ComBaudRate=9600"])
            env["RUVEX_SERIAL_PORTS"] = emulators[0].where
        run = measure([exe] + scenario.job, env, workdir, peak)
    finally:
        for e in emulators:
            e.stop()
    fields = returned(workdir)
    result = outcome(fields)
    floor = Floor()
    if listing:
        found = {(d["comPort"], d["deviceType"], d["baudRate"]) for d in json.loads(fields.get("Json") or "{}")
                 .get("items", [])}
        for e in emulators:
            if (e.where, SETTINGS_NAME[e.family], "9600") not in found:
                result = f"{e.family} on {e.where} not listed at 9600"
            floor.add(listing_floor(read_journal(e.journal), e.family))
    else:
        floor.add(protocol_floor(read_journal(emulators[0].journal), family, scenario.transport))
    return run, floor, result


@dataclass
class Startup:
    ours_ms: float  # medians
    true_ms: float
    cpu_ms: float
    peak_kb: int
    true_peak_kb: int


def startup(exe, workdir, runs):
    """A run with no job and nothing to find, against /bin/true, interleaved. Its wall and CPU
    time are also taken off the jobs' to see the CPU share of the exchanges alone."""
    clean(workdir)
    env = dict(os.environ, RUVEX_SERIAL_PORTS="")
    spawn([exe], env)  # the first run writes the settings file; the others find it
    ours, true = [], []
    for _ in range(runs):
        ours.append(measure([exe], env, workdir))
        true.append(measure(["/bin/true"], env, workdir))
    return Startup(statistics.median(r.wall_s for r in ours) * 1000,
                   statistics.median(r.wall_s for r in true) * 1000,
                   statistics.median(r.cpu_s for r in ours) * 1000,
                   measure([exe], env, workdir, True).peak_kb,
                   measure(["/bin/true"], env, workdir, True).peak_kb)


def fiscal_memory_numbers(emu):
    """The emulator's default fiscal-memory number of every family, from its help text."""
    text = subprocess.run([emu, "--help"], capture_output=True, text=True, check=True).stdout
    numbers, family = {}, None
    for line in text.splitlines():
        head = re.match(r"^  ([a-z-]+)\s", line)
        if head:
            family = head.group(1)
        memory = re.search(r"fiscal memory (\S+)", line)
        if memory and family:
            numbers[family] = memory.group(1)
    return numbers


def machine():
    cpu = "unknown CPU"
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/loadavg") as load:
        loadavg = " ".join(load.read().split()[:3])
    return (f"{cpu}, {os.cpu_count()} CPUs, Linux {platform.release()}, Python {platform.python_version()}, "
            f"load average {loadavg}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build-bench"),
                        help="build directory with app/ruvex and emulator/ruvex-emu (default: build-bench)")
    parser.add_argument("--families", default="daisy", help="families for the receipt and status jobs")
    parser.add_argument("--listing", default="daisy,daisy,daisy;daisy,datecs-c,tremol",
                        help="device listings to run, ';' between listings, ',' between ports")
    parser.add_argument("--transports", default="pty,tcp")
    parser.add_argument("--fault", action="append", default=[],
                        help="a ruvex-emu fault for the receipt and status jobs, e.g. 0x31:silence*1 (repeatable)")
    parser.add_argument("--runs", type=int, default=5, help="runs per job; medians are reported")
    parser.add_argument("--startup-runs", type=int, default=200)
    parser.add_argument("--realtime", action="store_true",
                        help="run everything at real-time priority (SCHED_FIFO, needs root), so that other "
                             "work on a shared machine does not delay the wake-ups being measured")
    options = parser.parse_args()
    if options.realtime:
        # Inherited by the emulators, /usr/bin/time and the program.
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(50))

    build = os.path.abspath(options.build)
    exe_src = os.path.join(build, "app", "ruvex")
    emu = os.path.join(build, "emulator", "ruvex-emu")
    for path in (exe_src, emu, GNU_TIME):
        if not os.access(path, os.X_OK):
            sys.exit(f"{path} not found: see docs/performance.md for what to build and install")
    memory = fiscal_memory_numbers(emu)

    transports = options.transports.split(",")
    scenarios = []
    for family in filter(None, options.families.split(",")):
        number = [f"/fiscalMemoryNo:{memory[family]}"]
        for transport in transports:
            scenarios.append(Scenario(f"{family} receipt 20 lines", transport, [family],
                                      ["/writeBon", f"/input:{RECEIPT}"] + number, tuple(options.fault)))
            scenarios.append(Scenario(f"{family} getStatus", transport, [family], ["/getStatus"] + number,
                                      tuple(options.fault)))
    if "pty" in transports and options.listing:
        for ports in options.listing.split(";"):
            families = ports.split(",")
            same = len(set(families)) == 1
            name = "listDevices " + (f"{len(families)} x {families[0]}" if same else "+".join(families))
            scenarios.append(Scenario(name, "pty", families, ["/listDevices"]))

    print(machine())
    print(f"{options.runs} runs per job, medians; peak RSS from one more run under /usr/bin/time"
          f"{'; real-time priority' if options.realtime else ''}\n")
    workdir = tempfile.mkdtemp(prefix="ruvex-e2e-")
    try:
        exe = os.path.join(workdir, "ruvex")  # Return.txt, ruvex.ini and ruvex.log go beside it
        shutil.copy2(exe_src, exe)
        base = startup(exe, workdir, options.startup_runs)
        print(f"start-up, {options.startup_runs} interleaved runs each, medians: ruvex with no job "
              f"{base.ours_ms:.2f} ms, /bin/true {base.true_ms:.2f} ms, "
              f"difference {base.ours_ms - base.true_ms:.2f} ms")
        print(f"run with no job: CPU {base.cpu_ms:.2f} ms, peak RSS {base.peak_kb / 1024:.2f} MB "
              f"(/bin/true under /usr/bin/time: {base.true_peak_kb / 1024:.2f} MB)\n")

        header = (f"{'job':<34} {'line':<4} {'exch':>4} {'floor ms':>8} {'wall ms':>8} {'wall/floor':>10} "
                  f"{'over ms':>7} {'CPU %':>6} {'xCPU %':>6} {'RSS MB':>6}  result")
        print(header)
        print("-" * len(header))
        for scenario in scenarios:
            runs = [run_scenario(scenario, exe, emu, workdir) for _ in range(options.runs)]
            peak_run = run_scenario(scenario, exe, emu, workdir, peak=True)
            wall = statistics.median(r.wall_s for r, _, _ in runs) * 1000
            floor = statistics.median(f.ms for _, f, _ in runs)
            over = [r.wall_s * 1000 - f.ms for r, f, _ in runs]
            cpu = statistics.median(r.cpu_s / r.wall_s for r, _, _ in runs) * 100
            # The exchanges alone: what the run costs beyond a run with no job.
            xcpu = statistics.median(max(0.0, r.cpu_s * 1000 - base.cpu_ms) / (r.wall_s * 1000 - base.ours_ms)
                                     for r, _, _ in runs) * 100
            peak = peak_run[0].peak_kb / 1024
            exchanges = "/".join(str(e) for e in sorted({f.exchanges for _, f, _ in runs}))
            remarks = sorted({res for _, _, res in runs + [peak_run]})
            resends = sum(f.resends for _, f, _ in runs)
            silent = max(f.silent for _, f, _ in runs)
            if resends:
                remarks.append(f"{resends} resends")
            if silent:
                remarks.append(f"{silent} silent probes")
            remarks += sorted({n for _, f, _ in runs for n in f.notes})
            print(f"{scenario.name:<34} {scenario.transport:<4} {exchanges:>4} {floor:>8.0f} {wall:>8.1f} "
                  f"{wall / floor:>10.4f} {statistics.median(over):>7.1f} {cpu:>6.2f} {xcpu:>6.2f} {peak:>6.2f}  "
                  f"{'; '.join(remarks)}")
            print(f"{'':<40}overhead of each run, ms: {', '.join(f'{o:.1f}' for o in over)}")
    finally:
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    main()
