"""A Wine prefix of its own for one run of the launcher: the launcher in an
application folder, registered runtimes, the support files' source folder,
stand-in java.exe programs that record how they were started, and
desktop_watcher.exe reading and answering the launcher's windows.
Used by the end-to-end tests (tests/e2e/run_scenarios.py), by scripts/run
(scripts/try_it.py) and by the benchmark (bench/run_benchmark.py)."""

import hashlib
import inspect
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

APP = r"C:\SMS Apps\Gateway"
SOURCE = r"C:\tarvex\GsmModemJar"
PATH_JAVA = r"C:\windows\java.exe"  # what `java` finds on the search path
RUNTIME_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft\Java Runtime Environment"
# The same key as a 32-bit program on 64-bit Windows reads it: its own view.
RUNTIME_KEY_32BIT_VIEW = r"HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\JavaSoft\Java Runtime Environment"
# Wine's own 32-bit modules, which a win64 prefix's syswow64 holds, and the
# set-up that wineboot follows (Debian's wine32 and wine packages).
I386_MODULES = Path("/usr/lib/i386-linux-gnu/wine/i386-windows")
WINE_INF = Path("/usr/share/wine/wine.inf")
PROGRAM_FILES_X86 = r"C:\Program Files (x86)"
QEMU = Path(__file__).resolve().parent / "qemu-i386"
# Each support file and the runtime folder it belongs in, in the order the launcher handles them.
SUPPORT = {"Comm.jar": r"lib\ext", "javax.comm.properties": "lib", "Win32com.dll": "bin", "jdc.jar": r"lib\ext"}
CLASS_PATH = [r"SMSServer\lib\comm.jar", r"SMSServer\lib\jdc.jar", r"SMSServer\lib\jxl.jar",
              r"SMSServer\lib\log4j-1.2.8.jar", r"SMSServer\lib\slf4j-api-1.1.0.jar",
              r"SMSServer\lib\slf4j-log4j12-1.1.0.jar", r"SMSServer\lib\slf4j-simple-1.1.0.jar",
              r"SMSServer\lib\swing-layout-1.0.jar", r"SMSServer\Tarvex_Advance_SMS_Server.jar", "SMSServer"]
# WINEARCH from the caller: win32 for the shipped program on 32-bit Windows;
# win64 for the shipped program on 64-bit Windows (WOW64) and for its 64-bit
# twin. There the server and every 64-bit program run the 64-bit loader in
# scripts/wine64, and a 32-bit program the 32-bit loader.
# No crash debugger: under qemu-i386 it has been seen to hang over a program
# that crashed during the prefix's set-up, and the set-up with it.
WINE_ENV = {"WINEARCH": os.environ.get("WINEARCH", "win32"), "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winedbg.exe,winemenubuilder.exe=d"}
if WINE_ENV["WINEARCH"] == "win64":
    WINE_ENV["PATH"] = str(Path(__file__).resolve().parent / "wine64") + os.pathsep + os.environ["PATH"]
QUIET = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
# Root may write into any folder whatever its mode. Wine programs here run
# without that right, as a user's do, so that a folder's mode can make it
# refuse the launcher's copies, in emulation's user namespace or not.
WITHOUT_OVERRIDE = ["setpriv", "--bounding-set", "-dac_override"] if os.geteuid() == 0 else []


def zpath(path):
    """A Unix path as Windows programs in the prefix see it, through Z:."""
    return "Z:" + str(path).replace("/", "\\")


def prefix_env(prefix):
    """The environment for Wine programs run in prefix."""
    return dict(os.environ, WINEPREFIX=str(prefix), **WINE_ENV)


def read_json_lines(path):
    return [json.loads(line) for line in path.read_text(encoding="utf-8").splitlines()] if path.exists() else []


def wait(command, env, what, limit, **kwargs):
    """Runs command and gives its exit code, saying every minute that it is
    still going; kills it and raises TimeoutError after limit seconds."""
    began, said = time.time(), 0
    process = subprocess.Popen(command, env=env, start_new_session=True, **kwargs)
    while process.poll() is None:
        time.sleep(0.5)
        if time.time() - began > limit:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise TimeoutError(f"{what}: no end after {limit / 60:.0f} min")
        if time.time() - began >= 60 * (said + 1):
            said += 1
            print(f"    {what}: {said} min so far", flush=True)
    return process.returncode


def runs_as_wow64(launcher):
    """Whether the Windows executable launcher is a 32-bit x86 one and the
    prefixes are win64: it then runs as on 64-bit Windows."""
    with open(launcher, "rb") as program:
        header = program.read(4096)
    pe = int.from_bytes(header[0x3C:0x40], "little")
    return WINE_ENV["WINEARCH"] == "win64" and header[pe:pe + 6] == b"PE\0\0\x4c\x01"


def prepare_prefix(prefix, limit=600):
    """Sets prefix up and waits until Wine is done with it. wineboot's exit
    code is not that: under emulation, on a busy machine, it gives up (53)
    while the set-up goes on, for many minutes. The server ends when it is over.
    Run where 32-bit programs fail at once or run natively, never under
    emulation: a win64 prefix's set-up has a 32-bit half, which crawls there."""
    env = prefix_env(prefix)
    wait(["wineboot", "-i"], env, "wineboot -i", limit, **QUIET)
    if WINE_ENV["WINEARCH"] == "win64":
        wait(["wineserver", "-w"], env, "wineboot -i", limit)
        link_32bit_modules(prefix)
    # With no window manager on the display, Wine waits 2 s for one at
    # every hidden or closed window; unmanaged windows skip that wait.
    if wait(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"], env,
            "reg add", limit, **QUIET) != 0:
        raise RuntimeError(f"the new Wine prefix {prefix} does not work")
    wait(["wineserver", "-w"], env, "prefix set-up", limit)


def link_32bit_modules(prefix):
    """On a host that runs no 32-bit code, wineboot's 32-bit half fails at
    once and leaves syswow64 empty. It would have put Wine's own 32-bit
    modules there: they are linked in instead, and the registry half is
    marked as still to do (complete_32bit_half)."""
    syswow64 = prefix / "drive_c" / "windows" / "syswow64"
    if (syswow64 / "kernel32.dll").exists():
        return
    if not (I386_MODULES / "kernel32.dll").exists():
        raise RuntimeError(f"{I386_MODULES} is missing; install the Debian package wine32")
    for module in I386_MODULES.iterdir():
        if not (syswow64 / module.name).exists():
            (syswow64 / module.name).symlink_to(module)
    (prefix / ".32bit-registry-to-do").touch()


def complete_32bit_half(prefix, limit):
    """The registry half of wineboot's 32-bit set-up, for a prefix whose
    modules link_32bit_modules put in: the same section of Wine's own
    wine.inf, run by the 32-bit setupapi, without the parts already done
    (the modules) and the self-registration of every 32-bit DLL, which
    takes many emulated minutes and serves COM classes that the launcher
    and its test programs never create. Needs 32-bit programs to run, under
    emulation or natively."""
    to_do = prefix / ".32bit-registry-to-do"
    if not to_do.exists():
        return
    inf = prefix / "wow64-registry.inf"
    text = WINE_INF.read_text(encoding="utf-8", errors="surrogateescape")
    section = re.search(r"^\[Wow64Install\]\n(.*?)^\[", text, re.M | re.S)
    kept = re.sub(r"^(RegisterDlls|WineFakeDlls)=.*\n", "", section.group(1), flags=re.M)
    inf.write_text(text[:section.start(1)] + kept + text[section.end(1):], encoding="utf-8", errors="surrogateescape")
    env = prefix_env(prefix)
    if wait(["wine", r"C:\windows\syswow64\rundll32.exe", "setupapi,InstallHinfSection", "Wow64Install", "128",
             zpath(inf)], env, "32-bit registry set-up", limit, **QUIET) != 0:
        raise RuntimeError(f"the 32-bit half of the Wine prefix {prefix} could not be set up")
    wait(["wineserver", "-w"], env, "32-bit registry set-up", limit)
    to_do.unlink()


def prepare_base_prefix(work):
    """One initialised prefix that every sandbox starts as a copy of."""
    base, ready = work / "base-prefix", work / "base-prefix" / ".ready"
    # Made anew when Wine or this setup changes, so that no prefix prepared
    # another way is reused.
    env = prefix_env(base)
    version = subprocess.run(["wine", "--version"], env=env, capture_output=True, text=True, check=True).stdout + \
        WINE_ENV["WINEARCH"] + hashlib.sha1(b"".join(inspect.getsource(f).encode() for f in (
            prepare_prefix, link_32bit_modules, complete_32bit_half))).hexdigest()
    if not ready.exists() or ready.read_text() != version:
        shutil.rmtree(base, ignore_errors=True)
        prepare_prefix(base)
        ready.write_text(version)
    return base


def prepare_base_prefix_for(work, launcher, emulate, inside):
    """prepare_base_prefix, natively. With emulate, this program then runs
    again from the start inside scripts/qemu-i386 run, with --inside added,
    and never returns here; inside, or without emulate, the 32-bit half is
    completed where launcher runs as on 64-bit Windows."""
    base = prepare_base_prefix(work)
    if emulate and not inside:
        os.execv(QEMU, [str(QEMU), "run", sys.executable, *sys.argv, "--inside"])
    if runs_as_wow64(launcher):
        complete_32bit_half(base, 25 * 60)
    return base


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
        """emulated: 32-bit programs run under qemu-i386, inside the user
        namespace of scripts/qemu-i386 run, and every wait may last 15
        times as long."""
        self.folder, self.stand_in, self.watcher = folder, stand_in, watcher
        self.emulated, self.patience = emulated, 15 if emulated else 1
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        self.prefix = folder / "prefix"
        subprocess.run(["cp", "-a", str(base), str(self.prefix)], check=True)
        self.env = prefix_env(self.prefix)
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
        """Starts a program in the prefix; Wine's own messages go to the file log, if given."""
        with open(log or os.devnull, "w") as messages:
            return subprocess.Popen([*WITHOUT_OVERRIDE, "wine", *args], env=dict(self.env, **(env or {})),
                                    cwd=self.folder, stdout=subprocess.DEVNULL, stderr=messages)

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
            raise RuntimeError(f"regedit could not import {reg}")

    def run_alone(self, *args, timeout=60):
        """Runs the launcher with args and no watcher, for runs that show
        nothing, and returns its exit code. Registers no runtimes."""
        return self.wine(self.launcher, *args).wait(timeout * self.patience)

    def run(self, java_exit=0, java_sleep_ms=0, close_at_ms=None, ok_delay_ms=300, timeout=120, on_shown=None,
            args=(), wine_debug=None):
        """Starts the watcher, then the launcher with args, and waits for the
        launcher to end. on_shown is called once the start-up window has
        appeared. wine_debug sets WINEDEBUG for the launcher and what it
        starts. Wine's messages go to wine-debug.log either way."""
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
                raise RuntimeError("desktop watcher did not start")
            time.sleep(0.1)

        started = time.time()
        debug = {"WINEDEBUG": wine_debug} if wine_debug else {}
        launcher = self.wine(self.launcher, *args, env={"E2E_RECORD": zpath(records), "E2E_JAVA_EXIT": str(java_exit),
                                                        "E2E_JAVA_SLEEP_MS": str(java_sleep_ms), **debug},
                             log=self.folder / "wine-debug.log")
        while launcher.poll() is None and time.time() < started + timeout:
            if on_shown and any(e["event"] == "window" and e["visible"] for e in read_json_lines(watch_log)):
                on_shown()
                on_shown = None
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
