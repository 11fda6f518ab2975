"""The launcher's test world: a Wine prefix of its own for one run of the
launcher, copied from a prepared one (scripts/helpers/wine_prefix.py), with the
launcher in an application folder, registered runtimes, the support files'
source folder, stand-in java.exe programs that record how they were started,
and desktop_watcher.exe reading and answering the launcher's windows.
Used by the end-to-end tests (tests/e2e/run_scenarios.py), by scripts/run
(scripts/helpers/try_it.py) and by the benchmark (bench/run_benchmark.py)."""

import json
import os
import shutil
import signal
import subprocess
import time
from pathlib import PureWindowsPath

from wine_prefix import AMD64, I386, environment, machine, start, unix_pids, winearch, zpath

APP = r"C:\SMS Apps\Gateway"
SOURCE = r"C:\tarvex\GsmModemJar"
PATH_JAVA = r"C:\windows\java.exe"  # what `java` finds on the search path
RUNTIME_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft\Java Runtime Environment"
# The same key as a 32-bit program on 64-bit Windows reads it: its own view.
RUNTIME_KEY_32BIT_VIEW = r"HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\JavaSoft\Java Runtime Environment"
PROGRAM_FILES_X86 = r"C:\Program Files (x86)"
# Each support file and the runtime folder it belongs in, in the order the launcher handles them.
SUPPORT = {"Comm.jar": r"lib\ext", "javax.comm.properties": "lib", "Win32com.dll": "bin", "jdc.jar": r"lib\ext"}
CLASS_PATH = [r"SMSServer\lib\comm.jar", r"SMSServer\lib\jdc.jar", r"SMSServer\lib\jxl.jar",
              r"SMSServer\lib\log4j-1.2.8.jar", r"SMSServer\lib\slf4j-api-1.1.0.jar",
              r"SMSServer\lib\slf4j-log4j12-1.1.0.jar", r"SMSServer\lib\slf4j-simple-1.1.0.jar",
              r"SMSServer\lib\swing-layout-1.0.jar", r"SMSServer\Tarvex_Advance_SMS_Server.jar", "SMSServer"]
# Root may write into any folder whatever its mode. Wine programs here run
# without that right, as a user's do, so that a folder's mode can make it
# refuse the launcher's copies, in emulation's user namespace or not.
WITHOUT_OVERRIDE = ["setpriv", "--bounding-set", "-dac_override"] if os.geteuid() == 0 else []


def runs_as_wow64(launcher):
    """Whether launcher runs as on 64-bit Windows: a 32-bit program in a win64 prefix."""
    return winearch() == "win64" and machine(launcher) == I386


def read_json_lines(path):
    return [json.loads(line) for line in path.read_text(encoding="utf-8").splitlines()] if path.exists() else []


class Run:
    """One launcher run: its exit, what the watcher saw (times in Unix
    seconds) and the record of every stand-in program started."""

    def __init__(self, exit_code, started, ended, events, records):
        self.exit_code, self.started, self.ended, self.records = exit_code, started, ended, records
        self.boxes = [e for e in events if e["event"] == "box"]
        self.window = [e for e in events if e["event"] == "window"]
        self.shown = next((e["t"] / 1000 for e in self.window if e["visible"]), None)
        self.hidden = next((e["t"] / 1000 for e in self.window
                            if self.shown and not e["visible"] and e["t"] / 1000 > self.shown), None)


class Sandbox:
    """A Wine prefix of its own with the launcher installed in an application
    folder, and whatever runtimes a scenario adds."""

    def __init__(self, folder, base, launcher, stand_in, watcher, emulated=False):
        """base: a prepared prefix, copied. stand_in and watcher: the
        helpers built for the prefix's Windows, as a 64-bit Windows runs
        64-bit programs. emulated: the caller says that 32-bit programs run
        under qemu-i386 here, so every wait may last 15 times as long."""
        self.folder, self.stand_in, self.watcher = folder, stand_in, watcher
        self.patience = 15 if emulated else 1
        helpers = AMD64 if winearch() == "win64" else I386
        if any(machine(helper) != helpers for helper in (stand_in, watcher) if helper):
            raise ValueError(f"the stand-in runtime and the watcher must be built for {winearch()}")
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        self.prefix = folder / "prefix"
        # A copy taken while Wine still writes the registry would be torn.
        subprocess.run(["wineserver", "-w"], env=environment(base))
        subprocess.run(["cp", "-a", str(base), str(self.prefix)], check=True)
        self.env = environment(self.prefix)
        # A 32-bit launcher in a win64 prefix runs as on 64-bit Windows: it
        # reads the registry's 32-bit view, and 32-bit runtimes install
        # under "Program Files (x86)".
        self.wow64 = runs_as_wow64(launcher)
        self.program_files = PROGRAM_FILES_X86 if self.wow64 else r"C:\Program Files"
        self.runtimes = None  # key -> version -> JavaHome (None: no value); None: no runtime key at all
        self.launcher = APP + r"\TarvexAdvanceSMSServer.exe"
        self.put(self.launcher, launcher)
        for entry in CLASS_PATH[:-1]:
            self.write(f"{APP}\\{entry}", "")
        # Both record to the same file: `java` on the search path, and the
        # program Windows would start for an unquoted "C:\Program Files\...".
        self.put(PATH_JAVA, stand_in)
        self.put(r"C:\Program.exe", stand_in)
        for name in SUPPORT:
            self.write(f"{SOURCE}\\{name}", f"{name} from {SOURCE}")

    def java_home(self, name):
        """Where a 32-bit runtime of that folder name installs."""
        return f"{self.program_files}\\Java\\{name}"

    def unix(self, path):
        assert path[:3].upper() == "C:\\", path
        return self.prefix / "drive_c" / path[3:].replace("\\", "/")

    def write(self, path, text):
        self.unix(path).parent.mkdir(parents=True, exist_ok=True)
        self.unix(path).write_text(text)

    def read(self, path):
        return self.unix(path).read_text() if self.unix(path).is_file() else None

    def put(self, path, source):
        self.write(path, "")
        shutil.copy(source, self.unix(path))

    def add_runtime(self, version, home, folders=("bin", r"lib\ext"), java=True, view="launcher's"):
        """Registers a runtime in the registry view the launcher reads, or,
        under WOW64, in the "64-bit" one; home None leaves out JavaHome, ""
        sets it empty."""
        assert view == "launcher's" or self.wow64 and view == "64-bit", view
        key = RUNTIME_KEY_32BIT_VIEW if self.wow64 and view == "launcher's" else RUNTIME_KEY
        self.runtimes = self.runtimes or {}
        self.runtimes[key] = dict(self.runtimes.get(key, {}), **{version: home})
        for sub in folders if home else ():
            self.unix(f"{home}\\{sub}").mkdir(parents=True, exist_ok=True)
        if home and java:
            self.put(home + r"\bin\java.exe", self.stand_in)

    def wine(self, *args, env=None, log=None):
        """Starts a program in the prefix. Wine's own messages go to the
        sandbox's file log, by default named after the program, after what earlier
        runs wrote there."""
        with open(self.folder / (log or PureWindowsPath(args[0]).stem + ".log"), "a") as messages:
            return start(self.prefix, *args, env=env, before=WITHOUT_OVERRIDE, cwd=self.folder,
                         stdout=subprocess.DEVNULL, stderr=messages)

    def register_runtimes(self):
        lines = ["Windows Registry Editor Version 5.00"]
        for key, runtimes in self.runtimes.items():
            lines += ["", f"[{key}]"]
            for version, home in runtimes.items():
                lines += ["", f"[{key}\\{version}]"]
                lines += [] if home is None else ['"JavaHome"="{}"'.format(home.replace("\\", "\\\\").replace('"', '\\"'))]
        reg = self.folder / "runtimes.reg"
        reg.write_text("\r\n".join(lines) + "\r\n", encoding="utf-16")  # regedit reads UTF-16 with its BOM
        if self.wine("regedit", "/S", zpath(reg)).wait(60 * self.patience) != 0:
            raise RuntimeError(f"regedit could not import {reg}; Wine's messages are in {self.folder / 'regedit.log'}")

    def run_alone(self, *args, timeout=60):
        """Runs the launcher with args and no watcher, for runs that show
        nothing, and returns its exit code. Registers no runtimes."""
        return self.wine(self.launcher, *args, log="wine-debug.log").wait(timeout * self.patience)

    def launch(self, *args, log="wine-debug.log", **env):
        """Starts the launcher with args, while a run watches, and what it
        starts with env. Wine's messages go to log."""
        return self.wine(self.launcher, *args, env={"E2E_RECORD": zpath(self.folder / "java.jsonl"), **env}, log=log)

    def signal_launchers(self, number):
        """Sends signal number to every process of the launcher in this
        prefix (as on 64-bit Windows, a child of the process Wine started),
        and says which ones."""
        pids = unix_pids(self.prefix, PureWindowsPath(self.launcher).name)
        for pid in pids:
            os.kill(pid, number)
        return pids

    def when_written(self, home, size, number):
        """A `during` for run: once a file under the runtime's folder home
        grows, whatever its name, lets the launcher run only in bursts of a
        few milliseconds, so that however fast it copies, it is caught once
        the file holds size bytes; then sends it signal number (SIGSTOP
        leaves it frozen). What it returns keeps the file, how far the copy
        had come and the processes stopped, as does stopped.json."""
        seen = {}

        def watch():
            deadline = time.time() + 60 * self.patience
            while not seen and time.time() < deadline:
                growing = [p for p in self.unix(home).rglob("*") if p.is_file() and p.stat().st_size and
                           p.name != "java.exe"]
                if growing:
                    pids = self.signal_launchers(signal.SIGSTOP)
                    while growing[0].stat().st_size < size and time.time() < deadline:
                        for burst in (signal.SIGCONT, signal.SIGSTOP):
                            for pid in pids:
                                os.kill(pid, burst)
                            time.sleep(0.002)
                    seen.update(pids=pids, file=str(growing[0]), size=growing[0].stat().st_size)
                    for pid in pids:
                        os.kill(pid, number)
                    (self.folder / "stopped.json").write_text(json.dumps(seen))
                time.sleep(0.005)
        return seen, watch

    def run(self, java_exit=0, java_sleep_ms=0, close_at_ms=None, ok_delay_ms=300, timeout=120, on_shown=None,
            args=(), wine_debug=None, during=None):
        """Starts the watcher, then the launcher with args, and waits for it
        to end, and for any other launcher in the prefix. on_shown is called
        once the start-up window has appeared, during every 0.1 s meanwhile.
        wine_debug sets WINEDEBUG for the launcher and what it starts.
        Wine's messages go to wine-debug.log either way."""
        timeout *= self.patience
        if self.runtimes is not None:
            self.register_runtimes()
        watch_log, stop, records = self.folder / "watch.jsonl", self.folder / "watch.stop", self.folder / "java.jsonl"
        for path in (watch_log, stop, records):
            path.unlink(missing_ok=True)
        watcher = self.wine(str(self.watcher), env={
            "E2E_WATCH_LOG": zpath(watch_log), "E2E_WATCH_STOP": zpath(stop), "E2E_OK_DELAY_MS": str(ok_delay_ms),
            "E2E_WATCH_LIMIT_MS": str((timeout + 60) * 1000),
            "E2E_CLOSE_AT_MS": str(-1 if close_at_ms is None else close_at_ms)})
        deadline = time.time() + 60 * self.patience
        while not read_json_lines(watch_log):  # its first line says it is watching
            if time.time() > deadline or watcher.poll() is not None:
                raise RuntimeError("desktop watcher did not start; Wine's messages are in "
                                   f"{self.folder / PureWindowsPath(self.watcher).stem}.log")
            time.sleep(0.1)

        started = time.time()
        debug = {"WINEDEBUG": wine_debug} if wine_debug else {}
        launcher = self.launch(*args, E2E_JAVA_EXIT=str(java_exit), E2E_JAVA_SLEEP_MS=str(java_sleep_ms), **debug)
        name = PureWindowsPath(self.launcher).name
        while (launcher.poll() is None or unix_pids(self.prefix, name)) and time.time() < started + timeout:
            if on_shown and any(e["event"] == "window" and e["visible"] for e in read_json_lines(watch_log)):
                on_shown()
                on_shown = None
            if during:
                during()
            time.sleep(0.1)
        ended, exit_code = time.time(), launcher.poll()
        stop.touch()
        try:
            watcher.wait(10 * self.patience)
        finally:
            self.stop_wine()
        (self.folder / "launcher.json").write_text(json.dumps({"exit": exit_code, "started": started, "ended": ended}))
        return Run(exit_code, started, ended, read_json_lines(watch_log), read_json_lines(records))

    def stop_wine(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
