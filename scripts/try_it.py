#!/usr/bin/env python3
"""Runs the built 32-bit launcher once in a sandbox under build/try and says
what it did: the runtime it chose, the files it installed, the command the
runtime received, the messages it showed and when it ended. Called by
scripts/run, from the project root, under a display:
    scripts/try_it.py user|virtual [--emulated]
"user" is a real desktop with a window manager; "virtual" is Xvfb.
--emulated: 32-bit Wine runs under qemu-i386, so the whole run keeps one
Wine session in one prefix, and every wait is longer.
Any failure ends in one plain sentence with its cause and what to do."""
import argparse
import contextlib
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True
from sandbox import SUPPORT, SOURCE, Sandbox, emulated_prefix, prepare_base_prefix  # noqa: E402

TRY_DIR = Path("build/try").resolve()
BUILD = Path("build/windows").resolve()
HOME = r"C:\Program Files\Java\jre6 (stand-in)"
SHOT = TRY_DIR / "splash-screenshot.png"
EMULATED_PREFIX = TRY_DIR / "emulated-prefix"


def sandbox(emulated):
    programs = (BUILD / "TarvexAdvanceSMSServer.exe", BUILD / "tests/e2e/stand_in_java.exe",
                BUILD / "tests/e2e/desktop_watcher.exe")
    if emulated:  # in the prefix that emulated_prefix has set up
        return Sandbox(TRY_DIR / "sandbox", EMULATED_PREFIX, *programs, emulated=True)
    print("Preparing the sandbox in build/try (a Wine prefix of its own) ...", flush=True)
    return Sandbox(TRY_DIR / "sandbox", prepare_base_prefix(TRY_DIR), *programs)


def screenshot():
    time.sleep(1)
    subprocess.run(["import", "-window", "root", str(SHOT)], check=False)


def report(run, box):
    installed = [f"{HOME}\\{folder}\\{name}" for name, folder in SUPPORT.items()
                 if box.read(f"{HOME}\\{folder}\\{name}") == f"{name} from {SOURCE}"]
    record = run.records[0] if run.records else None
    print()
    print("Runtime registered:  HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6 -> " + HOME)
    print("                     (a stand-in java.exe that only records how it was started)")
    print("Runtime chosen:      " + (record["module"] if record else "none started"))
    print("Files installed:     " + ("\n                     ".join(installed) or "none"))
    if record:
        print("Command received:    " + record["command_line"])
        print("Working folder:      " + record["cwd"])
        hidden = record["show_window"] == 0 and not (record["console"] and record["console_visible"])
        print("Started hidden:      " + ("yes" if hidden else "no"))
    print("Messages shown:      " + ("none" if not run.boxes else "\n                     ".join(
        repr(b["text"]) for b in run.boxes)))
    if run.exit_code is None:
        print("Launcher ended:      not in time; stopped")
    else:
        print(f"Launcher ended:      {run.ended - run.started:.1f} s after start, exit code {run.exit_code}")
    print("Start-up window:     " + (f"screenshot in {SHOT.relative_to(Path.cwd())}" if SHOT.exists()
                                     else "no screenshot"))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("display", choices=["user", "virtual"])
    parser.add_argument("--emulated", action="store_true")
    args = parser.parse_args()
    TRY_DIR.mkdir(parents=True, exist_ok=True)
    box = None
    emulation = emulated_prefix(EMULATED_PREFIX, 40 * 60) if args.emulated else contextlib.nullcontext()
    try:
        with emulation:
            box = sandbox(args.emulated)
            box.add_runtime("1.6", HOME)
            if args.display == "user":  # a real desktop has a window manager to frame the windows
                box.wine("reg", "delete", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/f").wait()
            print("Starting the launcher. Its start-up window shows for 2 s; the stand-in Java runtime then runs\n"
                  "for 5 s, and the launcher notices at its first 30-second check and ends, about 32 s after start"
                  + (" (much later under emulation)" if args.emulated else "") + ".\nWaiting ...", flush=True)
            SHOT.unlink(missing_ok=True)
            run = box.run(java_sleep_ms=5000, ok_delay_ms=3000, timeout=90, on_shown=screenshot)
    except Exception as error:  # one plain sentence, never a traceback
        print(f"\nThe launcher could not be tried: {error}. Delete build/try and run scripts/run again; "
              "if it fails the same way, scripts/test shows which part does not work on this machine.",
              file=sys.stderr)
        return 1
    finally:
        if box:
            box.stop_wine()
    report(run, box)
    return 0 if run.exit_code == 0 else 1


if __name__ == "__main__":
    raise SystemExit(main())
