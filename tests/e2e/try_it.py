#!/usr/bin/env python3
"""Runs the built launcher once in a sandbox under build/try and says what it
did: the runtime it chose, the files it installed, the command the runtime
received, the messages it showed and when it ended. Called by scripts/run,
from the project root, under a display:
    tests/e2e/try_it.py user|virtual
"user" is a real desktop with a window manager; "virtual" is Xvfb."""
import subprocess, sys, time
from pathlib import Path

sys.dont_write_bytecode = True
from sandbox import SUPPORT, SOURCE, Sandbox, prepare_base_prefix

try_dir, on_user_display = Path("build/try").resolve(), sys.argv[1] == "user"
build = Path("build/windows").resolve()
home = r"C:\Program Files\Java\jre6 (stand-in)"
shot = try_dir / "splash-screenshot.png"

print("Preparing the sandbox in build/try (a Wine prefix of its own) ...", flush=True)
try_dir.mkdir(parents=True, exist_ok=True)
box = Sandbox(try_dir / "sandbox", prepare_base_prefix(try_dir), build / "TarvexAdvanceSMSServer.exe",
              build / "tests/e2e/stand_in_java.exe", build / "tests/e2e/desktop_watcher.exe")
box.add_runtime("1.6", home)
if on_user_display:  # a real desktop has a window manager to frame the windows
    box.wine("reg", "delete", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/f").wait()


def screenshot():
    time.sleep(1)
    subprocess.run(["import", "-window", "root", str(shot)], check=False)


print("Starting the launcher. Its start-up window shows for 2 s; the stand-in Java runtime then runs\n"
      "for 5 s, and the launcher notices at its first 30-second check and ends, about 32 s after start.\n"
      "Waiting ...", flush=True)
shot.unlink(missing_ok=True)
run = box.run(java_sleep_ms=5000, ok_delay_ms=3000, timeout=90, on_shown=screenshot)

installed = [f"{home}\\{folder}\\{name}" for name, folder in SUPPORT.items()
             if box.read(f"{home}\\{folder}\\{name}") == f"{name} from {SOURCE}"]
record = run.records[0] if run.records else None
print()
print("Runtime registered:  HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6 -> " + home)
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
    print("Launcher ended:      not within 90 s; stopped")
else:
    print(f"Launcher ended:      {run.ended - run.started:.1f} s after start, exit code {run.exit_code}")
print("Start-up window:     " + (f"screenshot in {shot.relative_to(Path.cwd())}" if shot.exists() else "no screenshot"))
