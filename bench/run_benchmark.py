#!/usr/bin/env python3
"""Measures the launcher (A) against baseline.exe (B), the least program that
does the same job, in one sandbox of scripts/helpers/sandbox.py: runs
A and B alternately, samples each while it watches the stand-in runtime it
started, and prints a markdown table of medians. Also says what the
launcher's executable is made of. Needs an X display (xvfb-run -a).
Works on either build: the shipped 32-bit program (WINEARCH=win32), or, on
hosts that cannot run 32-bit code, its 64-bit twin and a 64-bit baseline
(WINEARCH=win64); the build tree's launcher says which.
Not a test: it judges nothing but prints whether each goal was met."""

import argparse
import contextlib
import datetime
import os
import re
import signal
import statistics
import subprocess
import sys
import threading
import time
from collections import defaultdict
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "scripts" / "helpers"))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from sandbox import APP, SUPPORT, Sandbox, read_json_lines  # noqa: E402
from wine_prefix import AMD64, I386, machine, ready_for, start, unix_pids, winearch, zpath  # noqa: E402

LAUNCHER, BASELINE = "TarvexAdvanceSMSServer.exe", "baseline.exe"
FIRST_TIMER_MS = 2000
CLK_TCK = os.sysconf("SC_CLK_TCK")
# What a build tree holds, told by the PE header's machine field: the
# shipped 32-bit program, or the 64-bit twin that hosts unable to run 32-bit
# code build instead. Each has its own binutils and its own Wine.
KINDS = {
    I386: {"what": "32-bit", "bits": "32-bit", "mingw": "i686-w64-mingw32-", "winearch": "win32"},
    AMD64: {"what": "64-bit twin", "bits": "64-bit", "mingw": "x86_64-w64-mingw32-", "winearch": "win64"},
}
# When each sample is taken, in seconds after the stand-in runtime started.
# The programs check on it 30 s after starting it, and every 30 s after.
FULL = {"first": 1, "rss": 10, "last": 66}  # CPU and handles over two checks
QUICK = {"first": 1, "rss": 10, "last": 36}  # over one check
LONG_LAST = 122  # handles after four checks


# --- one program run ------------------------------------------------------

def cpu_ms(pid):
    """User + system time of every thread, from /proc (clock-tick resolution)."""
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1000 / CLK_TCK


def sched_ms(pid):
    """Time on a CPU of every thread, from the scheduler (nanosecond resolution)."""
    total = 0
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            total += int((task / "schedstat").read_text().split()[0])
        except OSError:
            pass  # a thread that has just ended
    return total / 1e6


def rss_kib(pid):
    return int(re.search(r"VmRSS:\s+(\d+) kB", Path(f"/proc/{pid}/status").read_text()).group(1))


def module_rss_kib(pid):
    """Resident KiB of each file mapped into the process, by the file's name
    in lower case: Wine maps each module from a file of its own name."""
    sizes, name = defaultdict(int), None
    for line in Path(f"/proc/{pid}/smaps").read_text().splitlines():
        header = re.match(r"^[0-9a-f]+-[0-9a-f]+ \S+ \S+ \S+ \S+\s*(\S*)", line)
        if header:
            name = Path(header.group(1)).name.lower()
        elif line.startswith("Rss:") and name:
            sizes[name] += int(line.split()[1])
    return sizes


def windows_view(box, handle_count, exe):
    """(handles, creation time in ms since 1970, names of the modules loaded)
    of the one process named exe."""
    stdout, stderr = start(box.prefix, str(handle_count), exe, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           text=True).communicate(timeout=60)
    lines = stdout.strip().split("\n")
    fields = lines[0].split() if len(lines) == 1 else []
    if len(fields) < 3 or "unreadable" in lines[0]:
        raise RuntimeError(f"handle_count found no single {exe}: {stdout!r} {stderr[-300:]!r}")
    return int(fields[1]), int(fields[2]), fields[3:]


def run_once(box, handle_count, exe, marks, record):
    """Starts exe, waits for the stand-in runtime it starts, samples exe at
    each mark, then ends exe. The stand-in ends by itself shortly after."""
    record.unlink(missing_ok=True)
    last = max(marks.values())
    spawned = time.time()
    program = box.wine(f"{APP}\\{exe}", env={"E2E_RECORD": zpath(record), "E2E_JAVA_SLEEP_MS": str((last + 3) * 1000)})
    while not read_json_lines(record):
        if program.poll() is not None or time.time() > spawned + 60:
            raise RuntimeError(f"{exe} started no runtime")
        time.sleep(0.05)
    java = read_json_lines(record)[0]
    (pid,) = unix_pids(box.prefix, exe)
    samples = {}
    for name, at in sorted(marks.items(), key=lambda mark: mark[1]):
        time.sleep(max(0.0, java["t"] / 1000 + at - time.time()))
        sample = {"cpu": cpu_ms(pid), "sched": sched_ms(pid), "rss": rss_kib(pid), "mapped": module_rss_kib(pid)}
        sample["handles"], created, sample["modules"] = windows_view(box, handle_count, exe)
        samples[name] = sample
    # Nothing is learnt from waiting for its next check: end it here.
    os.kill(pid, signal.SIGKILL)
    program.wait(30)
    while unix_pids(box.prefix, "java.exe"):
        time.sleep(0.2)
    return {"launch": java["t"] - created - FIRST_TIMER_MS, "from_wine": java["t"] - spawned * 1000,
            "samples": samples}


# --- the executable -------------------------------------------------------

def tool(*args, env=None):
    return subprocess.run(args, env=env, capture_output=True, text=True, check=True).stdout


def program_kind(exe):
    if machine(exe) not in KINDS:
        raise RuntimeError(f"{exe} is neither a 32-bit nor a 64-bit x86 Windows program")
    return KINDS[machine(exe)]


def origin_of(path, section):
    if section == ".rsrc":
        return "resources"
    if ".ltrans" in path:  # the program's own code, optimised at the link
        return "our code"
    if not path.startswith("/"):
        return "our code" if path.endswith(")") or path.endswith(".obj") else "linker-made (relocations)"
    if "libstdc++" in path:
        return "libstdc++"
    if re.search(r"/libgcc(_eh)?\.a", path):
        return "libgcc (unwinder, helpers)"
    if re.search(r"/lib(win)?pthread\.a", path):
        return "winpthread"
    if re.search(r"/(crt\w*\.o|lib(mingw32|mingwex|moldname|msvcrt)\.a)", path):
        return "mingw-w64 start-up and C runtime"
    return "import tables of system DLLs"


KEPT = {".text", ".data", ".rdata", ".eh_frame", ".idata", ".CRT", ".tls", ".rsrc", ".reloc", ".pdata", ".xdata"}


def map_contributions(map_text):
    """(origin, section, input file, bytes) for every input section the
    linker put into a section that the executable stores."""
    lines = map_text.split("\n")
    lines = lines[next(i for i, line in enumerate(lines) if line.startswith("Linker script and memory map")):]
    out, section, pending = [], None, None
    for line in lines:
        head = re.match(r"^(\.\S+)", line)
        if head:
            section = head.group(1)
            continue
        if pending:  # a long input section name puts address, size and file on the next line
            line, pending = f" {pending} {line.strip()}", None
        elif re.match(r"^ (\.\S+)$", line):
            pending = line.strip()
            continue
        hit = re.match(r"^ (\.\S+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if hit and section in KEPT and int(hit.group(2), 16):
            path = hit.group(3).strip()
            out.append((origin_of(path, section), section, path, int(hit.group(2), 16)))
    return out


def exe_report(build, mingw):
    exe = build / LAUNCHER
    report = {"size": exe.stat().st_size, "file": tool("file", "-b", str(exe)).strip(),
              "baseline_size": (build / "bench" / BASELINE).stat().st_size}
    report["symbols"] = subprocess.run([mingw + "nm", str(exe)], capture_output=True, text=True).stderr.strip()
    report["imports"] = re.findall(r"DLL Name: (\S+)", tool(mingw + "objdump", "-p", str(exe)))
    report["baseline_imports"] = re.findall(r"DLL Name: (\S+)", tool(mingw + "objdump", "-p",
                                                                     str(build / "bench" / BASELINE)))
    report["sections"] = [(m.group(1), int(m.group(2), 16)) for m in re.finditer(
        r"^\s+\d+ (\S+)\s+([0-9a-f]+)\s", tool(mingw + "objdump", "-h", str(exe)), re.M)]
    report["resources"] = [(m.group(1), int(m.group(2))) for m in re.finditer(
        r"--type=(\S+) .*size=(\d+)\]", tool("wrestool", "-l", str(exe)))]
    # The map the build's own link wrote (win32/CMakeLists.txt).
    report["contributions"] = map_contributions((build / "TarvexAdvanceSMSServer.map").read_text())
    return report


# --- report -----------------------------------------------------------------

def median(values):
    return statistics.median(values) if values else None


def host_of(box):
    model = re.search(r"model name\s*:\s*(.*)", Path("/proc/cpuinfo").read_text())
    # The sandbox's environment picks the Wine that runs the programs; a bare
    # `wine` may be the 32-bit loader, which some hosts cannot start at all.
    return (f"{os.cpu_count()} CPUs ({model.group(1) if model else 'unknown model'}), "
            f"Linux {os.uname().release}, {tool('wine', '--version', env=box.env).strip()} ({box.env['WINEARCH']})")


def fmt(value, unit=""):
    if value is None:
        return "—"
    return (f"{value:.1f}" if isinstance(value, float) and value % 1 else f"{value:.0f}") + unit


def modules_held(runs, exe_name):
    """The modules, in lower case, that the runs of exe_name held when their
    memory was sampled, the program's own executable left out; and whether
    every run held the same ones."""
    held = [frozenset(m.lower() for m in r["samples"]["rss"]["modules"] if m.lower() != exe_name.lower())
            for r in runs]
    return sorted(frozenset().union(*held)), len(set(held)) == 1


def print_table(results, long_pass, exe, args, started_at, loads, host):
    def per(exe_name, fn):
        return [fn(r) for r in results[exe_name]]

    def both(fn):
        return median(per(LAUNCHER, fn)), median(per(BASELINE, fn))

    rows = []
    a, b = both(lambda r: r["launch"])
    rows.append(("Launch overhead: runtime start − program's process creation − 2000 ms (ms)",
                 fmt(a), fmt(b), f"{a - b:+.1f} ms", "≤ baseline + 10 ms", a - b <= 10))
    # On a busy machine a program gets a share of a core, so its start-up
    # CPU, and the picture's decoding before the first timer, turn into wall
    # time: this row tells load from a slower program.
    a, b = both(lambda r: r["samples"]["first"]["sched"])
    rows.append(("For reference: CPU from process start to 1 s after the runtime started (scheduler) (ms)",
                 fmt(a), fmt(b), f"{a - b:+.1f} ms", "—", None))
    a, b = both(lambda r: r["from_wine"])
    rows.append(("For reference: runtime start − `wine prog.exe` spawned (ms, includes Wine start-up)",
                 fmt(a), fmt(b), f"{a - b:+.1f} ms", "—", None))
    a, b = both(lambda r: r["samples"]["rss"]["rss"])
    rows.append((f"Resident memory (VmRSS) {args.marks['rss']} s after the runtime started (KiB)",
                 fmt(a), fmt(b), f"× {a / b:.3f}", "≤ 1.01 × baseline", a <= 1.01 * b))
    (a_held, a_same), (b_held, b_same) = (modules_held(results[n], n) for n in (LAUNCHER, BASELINE))
    extra, missing = [m for m in a_held if m not in b_held], [m for m in b_held if m not in a_held]
    rows.append((f"Modules loaded {args.marks['rss']} s after the runtime started (listed below)",
                 str(len(a_held)), str(len(b_held)), f"+{len(extra)} −{len(missing)}", "none the baseline lacks",
                 not extra))
    span = args.marks["last"] - args.marks["first"]
    checks = "one check" if args.quick else "two checks"
    for key, what in (("cpu", "utime+stime, 10-ms ticks"), ("sched", "scheduler, ns resolution")):
        a, b = both(lambda r: r["samples"]["last"][key] - r["samples"]["first"][key])
        rows.append((f"CPU while watching, {span} s with {checks} ({what}) (ms)",
                     fmt(a), fmt(b), f"{a - b:+.1f} ms", "≤ baseline + 5 ms", a - b <= 5))
    a, b = both(lambda r: r["samples"]["first"]["handles"])
    rows.append(("Handles before the first check", fmt(a), fmt(b), f"{a - b:+.0f}", "≤ baseline + 5", a - b <= 5))
    a, b = both(lambda r: r["samples"]["last"]["handles"] - r["samples"]["first"]["handles"])
    rows.append((f"Handle growth over {checks} (median)", f"{a:+.0f}", f"{b:+.0f}", "—", "none", a <= 0))
    if long_pass is not None and len(long_pass) < 2:
        rows.append(("Handle growth over four checks (one run each)", "failed", "failed", "—", "none", False))
    elif long_pass:
        a, b = (long_pass[n]["samples"]["last"]["handles"] - long_pass[n]["samples"]["first"]["handles"]
                for n in (LAUNCHER, BASELINE))
        rows.append(("Handle growth over four checks (one run each)", f"{a:+d}", f"{b:+d}", "—", "none", a <= 0))
    kib, base_kib = exe["size"] / 1024, exe["baseline_size"] / 1024
    twin = exe["kind"]["winearch"] == "win64"
    # The size goal is the shipped file's; the twin's size says nothing about it.
    rows.append(("Executable size, stripped, with resources (KiB)", f"{kib:.1f}", f"{base_kib:.1f}",
                 f"× {kib / base_kib:.1f}", "≤ 200 KiB (the shipped 32-bit file)" if twin else "≤ 200 KiB",
                 None if twin else kib <= 200))
    every_run = ["advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll"]
    rows.append(("Imported DLLs", ", ".join(exe["imports"]), ", ".join(exe["baseline_imports"]), "—",
                 "KERNEL32, USER32, GDI32, ADVAPI32, msvcrt only",
                 sorted(name.lower() for name in exe["imports"]) == every_run))

    what, bits = exe["kind"]["what"], exe["kind"]["bits"]
    print(f"\n## Launcher (A, {what}) against baseline (B, {bits}), medians of {args.runs} runs each\n")
    if twin:
        print("Measured: the launcher's 64-bit twin against a 64-bit baseline, under 64-bit Wine, not the shipped "
              "32-bit program. A host that cannot run 32-bit programs natively runs them only under emulation, "
              "where timings mean nothing. The comparison of A with B holds; the absolute figures are the "
              "twin's.  ")
    else:
        print("Measured: the shipped 32-bit launcher against a 32-bit baseline, under 32-bit Wine.  ")
    print(f"Machine: {host}  ")
    print(f"Date: {started_at:%Y-%m-%d %H:%M} (local), load average {loads[0]:.2f} at start, {loads[1]:.2f} at end  ")
    source = subprocess.run(["git", "-C", str(ROOT), "describe", "--always", "--dirty"], capture_output=True, text=True)
    print(f"Mode: {'quick' if args.quick else 'full'}; build {args.build}; source {source.stdout.strip() or 'unknown'}\n")
    print(f"| Metric | Launcher ({what}) | Baseline ({bits}) | Difference | Goal | Met? |")
    print("|---|---|---|---|---|---|")
    for metric, a, b, diff, goal, met in rows:
        print(f"| {metric} | {a} | {b} | {diff} | {goal} | {'—' if met is None else 'yes' if met else 'no'} |")

    print("\nEvery run (launch ms, RSS KiB, CPU ms ticks/sched, handles first→last):\n")
    for name in (LAUNCHER, BASELINE):
        cells = [f"{r['launch']:.0f}, {r['samples']['rss']['rss']}, "
                 f"{r['samples']['last']['cpu'] - r['samples']['first']['cpu']:.0f}/"
                 f"{r['samples']['last']['sched'] - r['samples']['first']['sched']:.1f}, "
                 f"{r['samples']['first']['handles']}→{r['samples']['last']['handles']}" for r in results[name]]
        print(f"- {name}: " + "; ".join(cells))

    print(f"\nModules loaded {args.marks['rss']} s after the runtime started, the program's own executable left "
          "out, with the resident KiB of the file each is mapped from (median of the runs):\n")
    for name, held, same in ((LAUNCHER, a_held, a_same), (BASELINE, b_held, b_same)):
        note = "the same in every run" if same else "NOT the same in every run; all that any run held"
        print(f"- {name}, {len(held)} ({note}): " + ", ".join(held))
    for label, only, name in (("Only in the launcher", extra, LAUNCHER), ("Only in the baseline", missing, BASELINE)):
        costs = [f"{m} {median([r['samples']['rss']['mapped'][m] for r in results[name]]):.0f} KiB" for m in only]
        print(f"- {label}: " + (", ".join(costs) or "none"))

    print(f"\n## What the {what} launcher's {exe['size']} bytes are\n")
    print(f"`file`: {exe['file']}; `nm`: {exe['symbols']}. From the build's link map.\n")
    print("Sections (bytes): " + ", ".join(f"{name} {size}" for name, size in exe["sections"]) + "  ")
    print("Resources (bytes): " + ", ".join(f"{kind} {size}" for kind, size in exe["resources"]) + "\n")
    by_origin, by_member = defaultdict(lambda: defaultdict(int)), defaultdict(int)
    for origin, section, path, size in exe["contributions"]:
        by_origin[origin][section] += size
        by_member["our code" if ".ltrans" in path else re.sub(r"^.*/", "", path)] += size
    attributed = sum(size for *_, size in exe["contributions"])
    print("| Origin | KiB | by section (KiB) |")
    print("|---|---|---|")
    for origin, sections in sorted(by_origin.items(), key=lambda item: -sum(item[1].values())):
        parts = ", ".join(f"{s} {n / 1024:.1f}" for s, n in sorted(sections.items(), key=lambda i: -i[1]))
        print(f"| {origin} | {sum(sections.values()) / 1024:.1f} | {parts} |")
    print(f"| headers, alignment padding | {(exe['size'] - attributed) / 1024:.1f} | |")
    print("\nLargest single contributors (KiB): " + ", ".join(
        f"{member} {size / 1024:.1f}" for member, size in sorted(by_member.items(), key=lambda i: -i[1])[:12]))


# --- main -----------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", type=Path, default=ROOT / "build" / "bench",
                        help="build tree holding the launcher, tests/e2e and bench/ (default build/bench)")
    parser.add_argument("--runs", type=int, default=None, help="runs of each program (default 5; 2 with --quick)")
    parser.add_argument("--quick", action="store_true", help="shorter: one check instead of two, no 4-check pass")
    args = parser.parse_args()
    args.build = args.build.resolve()
    args.runs = args.runs or (2 if args.quick else 5)
    args.marks = QUICK if args.quick else FULL
    started_at, clock = datetime.datetime.now(), time.time()
    loads = [os.getloadavg()[0]]

    work = args.build / "bench-work"
    work.mkdir(parents=True, exist_ok=True)
    handle_count = args.build / "bench" / "handle_count.exe"
    kind = program_kind(args.build / LAUNCHER)
    if kind["winearch"] != winearch():
        sys.exit(f"{args.build} holds the {kind['what']} launcher, which runs with WINEARCH={kind['winearch']} "
                 f"(this environment has {winearch()}); bench/run sets it.")
    exe = dict(exe_report(args.build, kind["mingw"]), kind=kind)
    ready_for(work / "base-prefix", args.build / LAUNCHER)
    box = Sandbox(work / "sandbox", work / "base-prefix", args.build / LAUNCHER,
                  args.build / "tests" / "e2e" / "stand_in_java.exe", None)
    box.put(f"{APP}\\{BASELINE}", args.build / "bench" / BASELINE)
    # All four support files are in place, so the launcher copies nothing
    # and does the same work as the baseline, plus its existence checks.
    home = box.java_home("jre6")
    box.add_runtime("1.6", home)
    for name, folder in SUPPORT.items():
        box.write(f"{home}\\{folder}\\{name}", name)

    host = host_of(box)
    results = {LAUNCHER: [], BASELINE: []}
    long_pass, failures = None, []
    # A server that stays up between runs, so that every run finds the
    # prefix's services and desktop already started, as on Windows.
    subprocess.run(["wineserver", "-p"], env=box.env, check=True)
    try:
        box.register_runtimes()
        print("Warming up the prefix with one run of each ...", flush=True)
        for name in (LAUNCHER, BASELINE):
            run_once(box, handle_count, name, {"first": 1}, work / "warm.jsonl")
        for i in range(args.runs):
            for name in (LAUNCHER, BASELINE):
                print(f"Run {i + 1}/{args.runs}: {name} ...", flush=True)
                results[name].append(run_once(box, handle_count, name, args.marks, work / "java.jsonl"))
        if not args.quick:
            print(f"Handles over four checks: both programs at once, {LONG_LAST} s ...", flush=True)
            long_pass, marks = {}, {"first": 1, "last": LONG_LAST}

            def run_into(name):
                try:
                    long_pass[name] = run_once(box, handle_count, name, marks, work / f"long-{name}.jsonl")
                except Exception as error:  # noqa: BLE001 -- any failure is reported after the table
                    failures.append(f"{name}: {error!r}")

            threads = [threading.Thread(target=run_into, args=(name,)) for name in (LAUNCHER, BASELINE)]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
    finally:
        box.stop_wine()
        # Programs whose wineserver died (64-bit Wine's did once, in the
        # four-check pass) outlive `wineserver -k`, and the next run would
        # find them in this prefix.
        for pid in unix_pids(box.prefix):
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, signal.SIGKILL)
    loads.append(os.getloadavg()[0])
    print_table(results, long_pass, exe, args, started_at, loads, host)
    print(f"\nTotal time: {(time.time() - clock) / 60:.1f} min")
    if failures:
        # Reported after the table, so that a failure in the last pass does
        # not cost the figures of the runs before it.
        sys.exit("The four-check pass failed: " + "; ".join(failures))


if __name__ == "__main__":
    main()
