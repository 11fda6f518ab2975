#!/usr/bin/env python3
"""Runs the built 32-bit launcher once in a sandbox under build/try and says
what it did: the runtime it chose, the files it installed, the command the
runtime received, the messages it showed and when it ended. Called by
scripts/run, from the project root, under a display:
    scripts/try_it.py user|virtual [--helpers DIR] [--emulate]
"user" is a real desktop with a window manager; "virtual" is Xvfb.
WINEARCH=win64 runs it as on 64-bit Windows, win32 as on 32-bit Windows.
--helpers: the folder of the stand-in runtime and the desktop watcher.
--emulate: the 32-bit launcher runs under qemu-i386; the prefix is prepared
natively first, and the rest runs again inside scripts/qemu-i386 run.
Any failure ends in one plain sentence with its cause and what to do."""
import argparse
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True
from sandbox import (RUNTIME_KEY, RUNTIME_KEY_32BIT_VIEW, SUPPORT, SOURCE, Sandbox,  # noqa: E402
                     prepare_base_prefix_for)

TRY_DIR = Path("build/try").resolve()
LAUNCHER = Path("build/windows/TarvexAdvanceSMSServer.exe").resolve()
SHOT = TRY_DIR / "splash-screenshot.png"


def screenshot():
    time.sleep(1)
    subprocess.run(["import", "-window", "root", str(SHOT)], check=False)


def report(run, box, home):
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
    print("Start-up window:     " + (f"screenshot in {SHOT.relative_to(Path.cwd())}" if SHOT.exists()
                                     else "no screenshot"))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("display", choices=["user", "virtual"])
    parser.add_argument("--helpers", type=lambda path: Path(path).resolve(), default=Path("build/windows/tests/e2e"))
    parser.add_argument("--emulate", action="store_true")
    parser.add_argument("--inside", action="store_true", help=argparse.SUPPRESS)  # --emulate's second half
    args = parser.parse_args()
    TRY_DIR.mkdir(parents=True, exist_ok=True)
    box = None
    try:
        if not args.inside:
            print("Preparing the sandbox in build/try (a Wine prefix of its own) ...", flush=True)
        base = prepare_base_prefix_for(TRY_DIR, LAUNCHER, args.emulate, args.inside)
        box = Sandbox(TRY_DIR / "sandbox", base, LAUNCHER, args.helpers / "stand_in_java.exe",
                      args.helpers / "desktop_watcher.exe", emulated=args.emulate)
        home = box.program_files + r"\Java\jre6 (stand-in)"
        box.add_runtime("1.6", home)
        if args.display == "user":  # a real desktop has a window manager to frame the windows
            box.wine("reg", "delete", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/f").wait()
        print("Starting the launcher. Its start-up window shows for 2 s; the stand-in Java runtime then runs\n"
              "for 5 s, and the launcher notices at its first 30-second check and ends, about 32 s after start"
              + (" (minutes later under emulation)" if args.emulate else "") + ".\nWaiting ...", flush=True)
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
    report(run, box, home)
    return 0 if run.exit_code == 0 else 1


if __name__ == "__main__":
    raise SystemExit(main())
