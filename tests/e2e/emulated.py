#!/usr/bin/env python3
"""The real 32-bit program on a host whose kernel runs no 32-bit code: 32-bit
Wine under qemu-i386 (register it first with `scripts/qemu-i386 on`, as root).

Everything runs in one win32 prefix with one wineserver session, started
persistent and ended once at the end: under emulation every new session
starts Wine's services again, which costs minutes. In that prefix it
  1. prepares the prefix (wineboot -i);
  2. runs the 32-bit unit tests;
  3. runs the main end-to-end scenario against the launcher given.
It prints one line a tier and ends with "N passed, N failed". Without an X
display it runs itself again under Xvfb."""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from sandbox import WINE_ENV

HERE = Path(__file__).resolve().parent
TIER = "32-bit program under emulation"
SCENARIO = "picks_first_new_enough_runtime_and_completes_it"
# Programs Wine keeps running for the whole session once it has set up the
# prefix; anything else still running is setup still under way.
SERVICES = {"services.exe", "plugplay.exe", "svchost.exe", "winedevice.exe", "explorer.exe", "rpcss.exe"}


class TimedOut(Exception):
    pass


def say(text):
    print(text, flush=True)


def wine_processes(prefix):
    """The Windows program names of the Wine processes running in prefix."""
    names = []
    for proc in Path("/proc").iterdir():
        try:
            environ = (proc / "environ").read_bytes().split(b"\0")
            command = (proc / "cmdline").read_bytes().split(b"\0")
        except OSError:  # gone meanwhile, or not a process
            continue
        if f"WINEPREFIX={prefix}".encode() in environ:
            # Under qemu the command is the interpreter, the loader, then the program.
            program = next((part for part in command if part.lower().endswith(b".exe")), None)
            if program:
                names.append(program.decode(errors="replace").replace("\\", "/").rsplit("/", 1)[-1].lower())
    return names


def wait(process, what, limit, prefix, began):
    """Waits for process, saying every minute that it is still going; stops it after limit seconds."""
    deadline, next_word = time.time() + limit, time.time() + 60
    while process.poll() is None:
        if time.time() > deadline:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise TimedOut(f"{what}: no end after {limit // 60} min")
        if time.time() > next_word:
            running = ", ".join(sorted(set(wine_processes(prefix)))) or "none yet"
            say(f"    {what}: {(time.time() - began) / 60:.0f} min so far; Wine programs running: {running}")
            next_word += 60
        time.sleep(2)
    return process.returncode


def start(command, env, **kwargs):
    return subprocess.Popen(command, env=env, start_new_session=True, **kwargs)


def prepare_prefix(prefix, env, limit):
    began = time.time()
    say(f"Preparing a 32-bit Wine prefix in {prefix} (minutes under emulation) ...")
    # Its exit code is not the prefix's state: with the machine busy it gives
    # up waiting (53) while the setup goes on, which the loop below waits out.
    code = wait(start(["wine", "wineboot", "-i"], env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL),
                "wineboot -i", limit, prefix, began)
    # The server is persistent, so `wineserver -w` would wait for ever: the
    # setup is over when only the session's services are left running.
    deadline, next_word = began + limit, time.time() + 60
    while not set(wine_processes(prefix)) <= SERVICES or not (prefix / "system.reg").exists():
        if time.time() > deadline:
            raise TimedOut(f"prefix setup: no end after {limit // 60} min")
        if time.time() > next_word:
            running = ", ".join(sorted(set(wine_processes(prefix))))
            say(f"    prefix setup: {(time.time() - began) / 60:.0f} min so far; Wine programs running: {running}")
            next_word += 60
        time.sleep(2)
    say(f"    prefix ready after {time.time() - began:.0f} s (wineboot -i exit code {code})")


def run_logged(command, env, what, limit, prefix, log):
    """Runs command with its output in log; its exit code, or None when it ran out of time."""
    with open(log, "w") as output:
        process = start(command, env, stdout=output, stderr=subprocess.STDOUT, text=True)
        try:
            return wait(process, what, limit, prefix, time.time())
        except TimedOut as error:
            say(f"    {error}")
            return None


def run_unit_tests(args, prefix, env, limit):
    began, log = time.time(), args.work / "unit-tests.log"
    code = run_logged(["wine", str(args.unit_tests)], env, "unit tests", limit, prefix, log)
    output = log.read_text(errors="replace")
    ran = re.search(r"\[==========\] (\d+) tests? from .* ran", output)
    passed = re.search(r"\[  PASSED  \] (\d+) test", output)
    total, good = int(ran.group(1)) if ran else 0, int(passed.group(1)) if passed else 0
    ok = code == 0 and total > 0 and good == total
    say(f"{TIER}: unit tests {good}/{total} passed ({time.time() - began:.0f} s)" +
        ("" if ok else f", exit code {code}; output in {log}"))
    for line in output.splitlines() if not ok else ():
        if "FAILED" in line or "Failure" in line:
            say("    " + line)
    return ok


def run_main_scenario(args, prefix, env, limit):
    began, log = time.time(), args.work / "main-scenario.log"
    command = [sys.executable, str(HERE / "run_scenarios.py"), "--launcher", str(args.launcher),
               "--stand-in", str(args.stand_in), "--watcher", str(args.watcher), "--work", str(args.work / "e2e"),
               "--prefix", str(prefix), "--emulated", "--jobs", "1", "--only", SCENARIO]
    code = run_logged(command, env, "main scenario", limit, prefix, log)
    ok = code == 0
    say(f"{TIER}: main scenario {'passed' if ok else 'failed'} ({time.time() - began:.0f} s)")
    for line in log.read_text(errors="replace").splitlines() if not ok else ():
        if not line.startswith("PASS") and not re.fullmatch(r"\d+ passed, \d+ failed", line):
            say("    " + line.strip())
    return ok


def interrupted(*_):
    raise KeyboardInterrupt


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    build = Path("build/windows")
    absolute = lambda path: Path(path).resolve()  # Wine wants them absolute
    parser.add_argument("--launcher", type=absolute, default=build / "TarvexAdvanceSMSServer.exe")
    parser.add_argument("--unit-tests", type=absolute, default=build / "tests/unit/launcher_unit_tests.exe")
    parser.add_argument("--stand-in", type=absolute, default=build / "tests/e2e/stand_in_java.exe")
    parser.add_argument("--watcher", type=absolute, default=build / "tests/e2e/desktop_watcher.exe")
    parser.add_argument("--work", type=absolute, default=Path("build/emulated"))
    parser.add_argument("--minutes", type=int, default=30, help="limit for each of the three steps")
    args = parser.parse_args()
    for program in (args.launcher, args.unit_tests, args.stand_in, args.watcher):
        if not program.resolve().is_file():
            parser.error(f"{program} does not exist; build it with the windows preset")
    args.launcher, args.unit_tests, args.stand_in, args.watcher, args.work = (
        p.resolve() for p in (args.launcher, args.unit_tests, args.stand_in, args.watcher, args.work))

    if not os.environ.get("DISPLAY"):  # the launcher's window and its boxes need one
        xvfb = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24"]
        os.execvp(xvfb[0], xvfb + [sys.executable, __file__] + sys.argv[1:])

    if subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True).returncode != 0:
        say(f"{TIER}: 32-bit Wine does not run here; register qemu-i386 first: sudo scripts/qemu-i386 on")
        say("0 passed, 2 failed")
        return 1

    prefix = args.work / "prefix"
    shutil.rmtree(args.work, ignore_errors=True)
    prefix.mkdir(parents=True)
    env = dict(os.environ, WINEPREFIX=str(prefix), **WINE_ENV)
    # Stopped like an interrupt, so that the server is ended on that path too.
    signal.signal(signal.SIGTERM, interrupted)
    signal.signal(signal.SIGHUP, interrupted)
    began, results, limit = time.time(), [], args.minutes * 60
    try:
        subprocess.run(["wineserver", "-p"], env=env, check=True)
        try:
            prepare_prefix(prefix, env, limit)
        except TimedOut as error:
            say(f"{TIER}: unit tests and main scenario not run: {error}")
            results = [False, False]
        else:
            results = [run_unit_tests(args, prefix, env, limit), run_main_scenario(args, prefix, env, limit)]
    finally:
        subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
    say(f"{TIER}: {time.time() - began:.0f} s in all")
    say(f"{results.count(True)} passed, {results.count(False)} failed")
    return 0 if all(results) and results else 1


if __name__ == "__main__":
    raise SystemExit(main())
