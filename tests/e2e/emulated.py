#!/usr/bin/env python3
"""The real 32-bit program on a host whose kernel runs no 32-bit code: 32-bit
Wine under qemu-i386, run as `scripts/qemu-i386 run tests/e2e/emulated.py`.
In one win32 prefix it runs the 32-bit unit tests, then the main end-to-end
scenario against the launcher given. It prints a line a step and ends with
"N passed, N failed". Without an X display it runs itself under Xvfb."""

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


class TimedOut(Exception):
    pass


def say(text):
    print(text, flush=True)


def wait(command, env, what, limit, **kwargs):
    """Runs command, saying every minute that it is still going, and gives its
    exit code; kills it and raises TimedOut after limit seconds."""
    began, said = time.time(), 0
    process = subprocess.Popen(command, env=env, start_new_session=True, **kwargs)
    while process.poll() is None:
        time.sleep(2)
        elapsed = time.time() - began
        if elapsed > limit:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise TimedOut(f"{what}: no end after {limit / 60:.0f} min")
        if elapsed // 60 > said:
            said = int(elapsed // 60)
            say(f"    {what}: {said} min so far")
    return process.returncode


def prepare_prefix(prefix, env, limit):
    """Sets up the prefix, then leaves a persistent wineserver running for the
    steps that follow. Under emulation every new server session starts Wine's
    services again, for minutes, so callers keep this one to the end and then
    run `wineserver -k`."""
    began, quiet = time.time(), {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    say(f"Preparing a 32-bit Wine prefix in {prefix} (minutes under emulation) ...")
    # wineboot's exit code is not the prefix's state: on a busy machine it
    # gives up waiting (53) while the set-up goes on. The server ends when
    # the set-up is over.
    code = wait(["wine", "wineboot", "-i"], env, "wineboot -i", limit, **quiet)
    wait(["wineserver", "-w"], env, "prefix set-up", limit - (time.time() - began))
    subprocess.run(["wineserver", "-p"], env=env, check=True)
    say(f"    prefix ready after {time.time() - began:.0f} s (wineboot -i exit code {code})")


def step(what, command, env, limit, log, ok):
    """Runs one step with its output in log; ok(exit code, output) judges it."""
    began = time.time()
    try:
        with open(log, "w") as output:
            code = wait(command, env, what, limit, stdout=output, stderr=subprocess.STDOUT)
    except TimedOut as error:
        code = str(error)
    text = log.read_text(errors="replace")
    verdict = ok(code, text)
    say(f"{TIER}: {what}: {verdict or 'passed'} ({time.time() - began:.0f} s)")
    for line in text.splitlines() if verdict else ():
        if "FAIL" in line or "Failure" in line or line.startswith("    "):
            say("    " + line.strip())
    return not verdict


def unit_tests_ok(code, output):
    ran = re.search(r"\[==========\] (\d+) tests? from .* ran", output)
    passed = re.search(r"\[  PASSED  \] (\d+) test", output)
    counts = f"{passed.group(1) if passed else 0}/{ran.group(1) if ran else 0}"
    return None if code == 0 and ran and passed and ran.group(1) == passed.group(1) else \
        f"{counts} passed, exit code {code}"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    build, absolute = Path("build/windows"), lambda path: Path(path).resolve()  # Wine wants them absolute
    parser.add_argument("--launcher", type=absolute, default=build / "TarvexAdvanceSMSServer.exe")
    parser.add_argument("--unit-tests", type=absolute, default=build / "tests/unit/launcher_unit_tests.exe")
    parser.add_argument("--stand-in", type=absolute, default=build / "tests/e2e/stand_in_java.exe")
    parser.add_argument("--watcher", type=absolute, default=build / "tests/e2e/desktop_watcher.exe")
    parser.add_argument("--work", type=absolute, default=Path("build/emulated"))
    parser.add_argument("--minutes", type=int, default=30, help="limit for each of the three steps")
    args = parser.parse_args()
    args.launcher, args.unit_tests, args.stand_in, args.watcher = (
        Path(p).resolve() for p in (args.launcher, args.unit_tests, args.stand_in, args.watcher))
    for program in (args.launcher, args.unit_tests, args.stand_in, args.watcher):
        if not program.is_file():
            parser.error(f"{program} does not exist; build it with the windows preset")
    if not os.environ.get("DISPLAY"):  # the launcher's window and its boxes need one
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", sys.executable, __file__,
                               *sys.argv[1:]])
    if subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True).returncode != 0:
        say(f"{TIER}: 32-bit Wine does not run here; run this under scripts/qemu-i386 run")
        say("0 passed, 2 failed")
        return 1

    prefix, limit, began = args.work / "prefix", args.minutes * 60, time.time()
    shutil.rmtree(args.work, ignore_errors=True)
    prefix.mkdir(parents=True)
    env = dict(os.environ, WINEPREFIX=str(prefix), **WINE_ENV)
    for stop in (signal.SIGTERM, signal.SIGHUP):  # stopped like an interrupt, so that the server ends too
        signal.signal(stop, signal.default_int_handler)
    results = [False, False]
    try:
        prepare_prefix(prefix, env, limit)
        results = [
            step("unit tests", ["wine", str(args.unit_tests)], env, limit, args.work / "unit-tests.log",
                 unit_tests_ok),
            step("main scenario", [sys.executable, str(HERE / "run_scenarios.py"), "--launcher", str(args.launcher),
                                   "--stand-in", str(args.stand_in), "--watcher", str(args.watcher),
                                   "--work", str(args.work / "e2e"), "--prefix", str(prefix), "--emulated",
                                   "--only", "picks_first_new_enough_runtime_and_completes_it"],
                 env, limit, args.work / "main-scenario.log",
                 lambda code, _: None if code == 0 else "failed"),
        ]
    except TimedOut as error:
        say(f"{TIER}: unit tests and main scenario not run: {error}")
    finally:
        subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
    say(f"{TIER}: {time.time() - began:.0f} s in all")
    say(f"{results.count(True)} passed, {results.count(False)} failed")
    return 0 if all(results) else 1


if __name__ == "__main__":
    raise SystemExit(main())
