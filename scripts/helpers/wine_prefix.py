#!/usr/bin/env python3
"""Wine prefixes of the project's own: how they are prepared, and the one way
Wine programs are started in them, with one set of DLL overrides. Used by
scripts/helpers/wine-run (ctest's way into Wine), the end-to-end scenarios,
scripts/helpers/try_it.py and the benchmark.
    scripts/helpers/wine_prefix.py prepare PREFIX
    scripts/helpers/wine_prefix.py run PREFIX PROGRAM [ARG...]
WINEARCH says which prefix: win32 (the default), or win64, where the server
and every 64-bit program run the 64-bit loader in scripts/helpers/wine64, and a
32-bit program the 32-bit one.
`prepare` runs natively: a win64 prefix's set-up starts 32-bit programs of
its own, which qemu-i386 would make crawl for many minutes. Where the host
runs no 32-bit code they fail at once, and the 32-bit half is made apart:
Wine's own 32-bit modules linked in now, its registry half completed by the
first 32-bit program to run there (`run`, or ready_for)."""

import fcntl
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

# Wine's own 32-bit modules, which a win64 prefix's syswow64 holds, and the
# set-up that wineboot follows (Debian's wine32 and wine packages).
I386_MODULES = Path("/usr/lib/i386-linux-gnu/wine/i386-windows")
WINE_INF = Path("/usr/share/wine/wine.inf")
WINE64 = Path(__file__).resolve().parent / "wine64"
# No .NET or HTML engine installers, no menu entries, and no crash debugger:
# under qemu-i386 it has been seen to hang over a program that crashed
# during a prefix's set-up, and the set-up with it.
OVERRIDES = "mscoree,mshtml=;winedbg.exe,winemenubuilder.exe=d"
I386, AMD64 = 0x14C, 0x8664  # the PE header's machine field


def winearch():
    return os.environ.get("WINEARCH", "win32")


def environment(prefix, **extra):
    """The environment of Wine programs in prefix."""
    env = dict(os.environ, WINEPREFIX=str(prefix), WINEARCH=winearch(), WINEDLLOVERRIDES=OVERRIDES)
    env.setdefault("WINEDEBUG", "-all")
    if winearch() == "win64":
        env["PATH"] = f"{WINE64}{os.pathsep}{env['PATH']}"
    return dict(env, **extra)


def start(prefix, *args, env=None, before=(), **options):
    """Starts the Wine program args in prefix, with env added to its
    environment; before is a command that args run under."""
    return subprocess.Popen([*before, "wine", *args], env=environment(prefix, **(env or {})), **options)


def machine(program):
    """The machine a Windows executable is for: I386, AMD64 or another."""
    with open(program, "rb") as file:
        head = file.read(4096)
    pe = int.from_bytes(head[0x3C:0x40], "little")
    if head[:2] != b"MZ" or head[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{program} is not a Windows program")
    return int.from_bytes(head[pe + 4:pe + 6], "little")


def unix_pids(prefix, exe=None):
    """Linux ids of the processes of this Wine prefix running a program named
    exe, or any program. Wine shows a Windows process's own path as its argv[0]."""
    found = []
    for entry in Path("/proc").iterdir():
        try:
            argv0 = (entry / "cmdline").read_bytes().split(b"\0")[0].decode(errors="replace")
            environ = (entry / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        named = exe is None or argv0.lower().endswith("\\" + exe.lower())
        if named and f"WINEPREFIX={prefix}".encode() in environ:
            found.append(int(entry.name))
    return found


def zpath(path):
    """A Unix path as Windows programs in a prefix see it, through Z:."""
    return "Z:" + str(path).replace("/", "\\")


def wait(command, env, what, limit, **options):
    """Runs command and gives its exit code, saying every minute that it is
    still going; kills it and raises TimeoutError after limit seconds."""
    began, said = time.time(), 0
    process = subprocess.Popen(command, env=env, start_new_session=True, **options)
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


def prepare(prefix, limit=600):
    """Sets prefix up, unless it was already, by this Wine and this file, and
    waits until Wine is done with it. wineboot's exit code is not that: on a
    busy machine it has given up (53) while the set-up went on for minutes.
    The server ends when it is over. Wine's messages go to PREFIX.log."""
    ready, log = prefix / ".ready", Path(f"{prefix}.log")
    key = subprocess.run(["wine", "--version"], env=environment(prefix), capture_output=True, text=True,
                         check=True).stdout + winearch() + hashlib.sha1(Path(__file__).read_bytes()).hexdigest()
    if ready.exists() and ready.read_text() == key:
        return
    shutil.rmtree(prefix, ignore_errors=True)
    env = environment(prefix)
    with open(log, "w") as messages:
        wait(["wineboot", "-i"], env, "wineboot -i", limit, stdout=messages, stderr=messages)
        wait(["wineserver", "-w"], env, "wineboot -i", limit)
        if winearch() == "win64":
            link_32bit_modules(prefix)
        # With no window manager on the display, Wine waits 2 s for one at
        # every hidden or closed window; unmanaged windows skip that wait.
        if wait(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"], env,
                "reg add", limit, stdout=messages, stderr=messages) != 0:
            raise RuntimeError(f"the new Wine prefix {prefix} does not work; Wine's messages are in {log}")
    wait(["wineserver", "-w"], env, "prefix set-up", limit)
    ready.write_text(key)


def link_32bit_modules(prefix):
    """Where the host runs no 32-bit code, wineboot's 32-bit half fails at
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
    and its test programs never create."""
    to_do, log = prefix / ".32bit-registry-to-do", Path(f"{prefix}.log")
    if not to_do.exists():
        return
    inf = prefix / "wow64-registry.inf"
    text = WINE_INF.read_text(encoding="utf-8", errors="surrogateescape")
    section = re.search(r"^\[Wow64Install\]\n(.*?)^\[", text, re.M | re.S)
    kept = re.sub(r"^(RegisterDlls|WineFakeDlls)=.*\n", "", section.group(1), flags=re.M)
    inf.write_text(text[:section.start(1)] + kept + text[section.end(1):], encoding="utf-8", errors="surrogateescape")
    env = environment(prefix)
    with open(log, "a") as messages:
        if wait(["wine", r"C:\windows\syswow64\rundll32.exe", "setupapi,InstallHinfSection", "Wow64Install", "128",
                 zpath(inf)], env, "32-bit registry set-up", limit, stdout=messages, stderr=messages) != 0:
            raise RuntimeError(f"the 32-bit half of the Wine prefix {prefix} could not be set up; "
                               f"Wine's messages are in {log}")
    wait(["wineserver", "-w"], env, "32-bit registry set-up", limit)
    to_do.unlink()


def ready_for(prefix, program=None):
    """Prepares prefix, and completes its 32-bit half when program is a
    32-bit one in a win64 prefix, which needs 32-bit programs to run, natively
    or emulated. One caller at a time."""
    prefix = Path(prefix)
    prefix.parent.mkdir(parents=True, exist_ok=True)
    with open(f"{prefix}.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        prepare(prefix)
        if winearch() == "win64" and program and Path(program).is_file() and machine(program) == I386:
            complete_32bit_half(prefix, 25 * 60)


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ("prepare", "run") or (sys.argv[1] == "run") != (len(sys.argv) > 3):
        sys.exit(__doc__)
    prefix, program = Path(sys.argv[2]).resolve(), sys.argv[3:]
    try:
        ready_for(prefix, program[0] if program else None)
    except (RuntimeError, TimeoutError, OSError, subprocess.CalledProcessError) as error:
        sys.exit(f"The Wine prefix {prefix} could not be made ready: {error}.")
    return subprocess.run(["wine", *program], env=environment(prefix)).returncode if program else 0


if __name__ == "__main__":
    sys.exit(main())
