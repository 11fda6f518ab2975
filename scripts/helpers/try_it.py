#!/usr/bin/env python3
"""Runs the built 32-bit launcher once as on 64-bit Windows (WINEARCH=win64),
in a sandbox in WORK, and says what it did: the runtime it chose, the files it
installed, the command the runtime received, the messages it showed and when
it ended. Called by scripts/run, under a display, once WORK/base-prefix is
prepared (scripts/helpers/wine_prefix.py):
    scripts/helpers/try_it.py user|virtual WORK [--emulated] [--helpers DIR]
"user" is a real desktop with a window manager; "virtual" is Xvfb.
--emulated: 32-bit programs run under qemu-i386 here (scripts/run wraps
scripts/helpers/qemu-i386 run around this), so it waits longer.
--helpers: the folder of the stand-in runtime and the desktop watcher, built
64-bit for the win64 prefix (build/windows64/tests/e2e).
Any failure ends in one plain sentence with its cause and what to do."""
import argparse
import os
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True
from sandbox import RUNTIME_KEY, RUNTIME_KEY_32BIT_VIEW, SUPPORT, SOURCE, Sandbox  # noqa: E402
from wine_prefix import ready_for  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
LAUNCHER = ROOT / "build" / "windows" / "TarvexAdvanceSMSServer.exe"


def report(run, box, home, shot):
    installed = [f"{home}\\{folder}\\{name}" for name, folder in SUPPORT.items()
                 if box.read(f"{home}\\{folder}\\{name}") == f"{name} from {SOURCE}"]
    record = run.records[0] if run.records else None
    print()
    key = (RUNTIME_KEY_32BIT_VIEW if box.wow64 else RUNTIME_KEY).replace("HKEY_LOCAL_MACHINE", "HKLM")
    print(f"Runtime registered:  {key}\\1.6 -> {home}")
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
    print("Start-up window:     " + (f"screenshot in {os.path.relpath(shot)}" if shot.exists() else "no screenshot"))
    if run.exit_code != 0:
        print(f"Wine's messages about the launcher are in {os.path.relpath(box.folder / 'wine-debug.log')}.")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("display", choices=["user", "virtual"])
    parser.add_argument("work", type=lambda path: Path(path).resolve())
    parser.add_argument("--emulated", action="store_true")
    parser.add_argument("--helpers", type=lambda path: Path(path).resolve(),
                        default=ROOT / "build" / "windows64" / "tests" / "e2e")
    args = parser.parse_args()
    shot, box = args.work / "splash-screenshot.png", None

    def screenshot():
        # The picture is painted a moment after the window shows, and under
        # emulation the window may hide again a second later: the first shot
        # with more than one colour is kept.
        for _ in range(10):
            time.sleep(0.2)
            subprocess.run(["import", "-window", "root", str(shot)], check=False)
            colours = subprocess.run(["identify", "-format", "%k", str(shot)], capture_output=True, text=True).stdout
            if colours.isdigit() and int(colours) > 1:
                return

    try:
        print(f"Preparing the sandbox in {os.path.relpath(args.work)} (a Wine prefix of its own) ...", flush=True)
        ready_for(args.work / "base-prefix", LAUNCHER)
        box = Sandbox(args.work / "sandbox", args.work / "base-prefix", LAUNCHER, args.helpers / "stand_in_java.exe",
                      args.helpers / "desktop_watcher.exe", emulated=args.emulated)
        home = box.java_home("jre6 (stand-in)")
        box.add_runtime("1.6", home)
        if args.display == "user":  # a real desktop has a window manager to frame the windows
            box.wine("reg", "delete", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/f").wait()
        print("Starting the launcher. Its start-up window shows for 2 s; the stand-in Java runtime then runs\n"
              "for 5 s, and the launcher notices at its first 30-second check and ends, about 32 s after start"
              + (" (minutes later under emulation)" if args.emulated else "") + ".\nWaiting ...", flush=True)
        shot.unlink(missing_ok=True)
        run = box.run(java_sleep_ms=5000, ok_delay_ms=3000, timeout=90, on_shown=screenshot)
    except Exception as error:  # one plain sentence, never a traceback
        print(f"\nThe launcher could not be tried: {error}. Delete {os.path.relpath(args.work)} and run scripts/run "
              "again; if it fails the same way, scripts/test shows which part does not work on this machine.",
              file=sys.stderr)
        return 1
    finally:
        if box:
            box.stop_wine()
    report(run, box, home, shot)
    return 0 if run.exit_code == 0 else 1


if __name__ == "__main__":
    raise SystemExit(main())
