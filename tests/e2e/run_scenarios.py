#!/usr/bin/env python3
"""End-to-end scenarios: the built launcher under Wine, each scenario in a
throw-away prefix with its own registry, runtime folders and application
folder (see scripts/helpers/sandbox.py), copied from --base, which is prepared first
(scripts/helpers/wine_prefix.py). Run under an X display (xvfb-run -a).
WINEARCH=win32 runs the shipped program as on 32-bit Windows. WINEARCH=win64
runs it as on 64-bit Windows (WOW64), where it reads the registry's 32-bit
view, or runs the 64-bit twin. --emulated tells it that 32-bit programs run
under qemu-i386 here: scripts/helpers/qemu-i386 run is wrapped around it."""

import argparse
import concurrent.futures
import filecmp
import os
import shutil
import signal
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts" / "helpers"))
from sandbox import APP, CLASS_PATH, PATH_JAVA, SOURCE, SUPPORT, Sandbox, read_json_lines, runs_as_wow64
from wine_prefix import ready_for

TITLE = "Tarvex Advance SMS Server"
NO_RUNTIME = ("You have not Installed Java Runtime Environment on your computer.\r\n"
              "Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
              "Please refer installtion guide of Tarvex SMS Server 4 Huawei 3G/HSDPA for further help")
TOO_OLD = "Java Runtime Environment version 1.5 or higher version is not avaiable"
SEARCH_FAILED = "Error While Searching JVM on Your Machine"
COPY_FAILED = "Error While Copying JAR File"
START_FAILED = "Run-time error '53':\r\n\r\nFile not found"
BAD_NAME = "Run-time error '52':\r\n\r\nBad file name or number"
SOURCE_NOT_PROTECTED = (
    r"The support files in C:\tarvex\GsmModemJar were not installed: users other than administrators can "
    "change that folder, a folder above it or a file in it. An administrator should run this command once, then "
    "start the program again:\r\n\r\n"
    r'icacls C:\tarvex /inheritance:r /grant:r "*S-1-5-32-544:(OI)(CI)F" "*S-1-5-18:(OI)(CI)F" '
    r'"*S-1-5-32-545:(OI)(CI)RX"')
SOURCE_IS_LINK = (
    r"The support files in C:\tarvex\GsmModemJar were not installed: that folder, a folder above it or a file "
    "in it is a link. An administrator should put the real folder or file in its place, then start the program "
    "again.")
DESTINATION_IS_LINK = (
    "The support files were not installed: a folder on the way to the Java runtime's bin or lib folder is a "
    "link. An administrator should put the real folder in its place, then start the program again.")
PRIVATE = "/InstallSerialSupport:"  # the argument of the launcher's elevated run

MAIN_CLASS = "JavaSwingClasses.MainFrame"


# Under emulation only the 32-bit programs run slower: the launcher takes
# minutes to start, then decodes its picture, which counts towards the two
# seconds, in 0.8 s when alone and in up to 2.1 s beside three others
# (measured), so it may show its window for only a moment. It hid the window
# 2.0 to 2.4 s after making it, and ended 30.0 s after the runtime started,
# as natively.
EMULATED_HIDDEN_AFTER_MADE, EMULATED_SLACK = (1.5, 6.0), 5


class Check:
    """Collects what a scenario expected and saw where the two differ."""

    def __init__(self, emulated=False):
        self.failures, self.emulated = [], emulated

    def equal(self, what, expected, seen):
        if expected != seen:
            self.failures.append(f"{what}: expected {expected!r}, seen {seen!r}")

    def within(self, what, low, high, seen):
        if seen is None or not low <= seen <= high:
            seen = "nothing" if seen is None else f"{seen:.1f} s"
            self.failures.append(f"{what}: expected {low}-{high} s, seen {seen}")

    def boxes(self, run, texts):
        self.equal("message boxes", texts, [box["text"] for box in run.boxes])
        self.equal("message box titles", [TITLE] * len(run.boxes), [box["title"] for box in run.boxes])
        # A box seen in the same poll as the hide may carry a slightly earlier time.
        if run.boxes and (run.hidden is None or run.boxes[0]["t"] / 1000 < run.hidden - 0.1):
            self.failures.append("start-up window: expected hidden before the first message box, seen still shown")

    def started(self, run, home):
        """Exactly one program started: home's java.exe (`java` on the search path
        for home None), with the application's arguments, hidden; none for home False."""
        self.equal("programs started", [] if home is False else [f"{home}\\bin\\java.exe" if home else PATH_JAVA],
                   [r["module"] for r in run.records])
        if home is not False and len(run.records) == 1:
            record, program = run.records[0], f"{home}\\bin\\java.exe" if home else "java"
            entries = [f"{APP}\\{entry}" for entry in CLASS_PATH]
            self.equal("command line", (f'"{program}"' if home else program) + " -classpath " +
                       ";".join(f'"{entry}"' for entry in entries) + " " + MAIN_CLASS, record["command_line"])
            self.equal("arguments", [program, "-classpath", ";".join(entries), MAIN_CLASS], record["argv"])
            self.equal("working folder", APP, record["cwd"])
            self.equal("STARTF_USESHOWWINDOW and show command", (1, 0), (record["flags"] & 1, record["show_window"]))
            self.equal("visible console window", False, record["console"] and record["console_visible"])

    def ended(self, run, exit_code, after, low, high):
        """The exit code, and when the launcher ended counted from when the
        start-up window was `after` ("shown" or "hidden")."""
        self.equal("launcher exit code", exit_code, run.exit_code)
        what, since = f"the start-up window was {after}", run.shown if after == "shown" else run.hidden
        if self.emulated and after == "hidden" and run.records:
            # An elevated run before the runtime's start takes an emulated
            # minute more; the watch counts from that start.
            what, since = "the runtime started", run.records[0]["t"] / 1000
        high += EMULATED_SLACK if self.emulated else 0
        self.within(f"launcher end, after {what}", low, high,
                    None if since is None or run.exit_code is None else run.ended - since)

    def window(self, run):
        first = next((e for e in run.window if e["visible"]), None)
        self.equal("start-up window client size", (487, 492), first and (first["width"], first["height"]))
        if self.emulated:  # hidden is set only once the window was shown
            made = run.window[0]["t"] / 1000 if run.window else None
            self.within("start-up window hidden, after made", *EMULATED_HIDDEN_AFTER_MADE,
                        run.hidden - made if run.hidden and made else None)
        else:
            self.within("start-up window hidden, after shown", 1.5, 4.0,
                        run.hidden - run.shown if run.hidden and run.shown else None)

    def support_files(self, box, home, copied=(), own=()):
        """Names in copied hold the source's copy, in own the runtime's own file; the rest are absent. No
        copy in the making is left in the runtime's folder."""
        for name, folder in SUPPORT.items():
            target = f"{home}\\{folder}\\{name}"
            if box.unix(SOURCE).joinpath(name).stat().st_size > 1 << 20:  # compared as bytes
                self.equal(f"{target} the same as its source", name in copied, box.unix(target).is_file() and
                           filecmp.cmp(box.unix(target), box.unix(SOURCE).joinpath(name), shallow=False))
                continue
            expected = f"{name} from {SOURCE}" if name in copied else f"own {name}" if name in own else None
            self.equal(f"contents of {target}", expected, box.read(target))
        self.equal(f"copies left in the making in {home}", [], sorted(p.name for p in box.unix(home).glob("*.partial")))


def large_comm_jar(box):
    """A Comm.jar of 1 GiB in the source folder, each MiB of it different."""
    block = os.urandom(1 << 20)
    with open(box.unix(SOURCE + r"\Comm.jar"), "wb") as jar:
        for mib in range(1024):
            jar.write(mib.to_bytes(4, "little") + block[4:])
    return 1 << 30


def killed_mid_copy_leaves_nothing_and_the_next_run_copies_whole(box, check):
    """As Task Manager's "End task" does, while 64 MiB or more of a 1 GiB
    Comm.jar is written: no part of it is left, and the next run copies it."""
    jre6 = box.java_home("jre6")
    box.add_runtime("1.6", jre6)
    whole = large_comm_jar(box)
    seen, kill = box.when_written(jre6, 64 << 20, signal.SIGKILL)
    box.run(during=kill)
    check.equal("copy under way when the launcher was killed", True, 64 << 20 <= seen.get("size", 0) < whole)
    deadline = time.time() + 20 * box.patience  # Wine closes a killed program's handles as it notices
    while list(box.unix(jre6).glob("*.partial")) and time.time() < deadline:
        time.sleep(0.1)
    check.equal("lib\\ext after the kill", [], sorted(p.name for p in box.unix(jre6 + r"\lib\ext").iterdir()))
    check.support_files(box, jre6)
    run = box.run()
    check.boxes(run, [])
    check.started(run, jre6)
    check.support_files(box, jre6, copied=SUPPORT)


def second_launcher_waits_for_the_first_to_install(box, check):
    """A user double-clicks again while the first launcher copies a 1 GiB
    Comm.jar, and the first is frozen meanwhile: the second waits its turn,
    then finds the files in place; both Javas find Comm.jar whole."""
    jre6 = box.java_home("jre6")
    box.add_runtime("1.6", jre6)
    whole = large_comm_jar(box)
    seen, freeze = box.when_written(jre6, 64 << 20, signal.SIGSTOP)
    second = {}

    def during():
        freeze()
        if seen and not second:
            second["launcher"] = box.launch(log="second-launcher.log")
            time.sleep(10 * box.patience)  # time to show its window, hide it and wait its turn
            second["running"] = second["launcher"].poll() is None
            second["javas"] = len(read_json_lines(box.folder / "java.jsonl"))
            second["resumed"] = time.time()
            for pid in seen["pids"]:
                os.kill(pid, signal.SIGCONT)
    run = box.run(during=during, timeout=180)
    check.equal("copy under way when the first launcher was frozen", True, 64 << 20 <= seen.get("size", 0) < whole)
    check.equal("second launcher waiting, and no Java started, when the first went on", (True, 0),
                (second.get("running"), second.get("javas")))
    check.boxes(run, [])
    check.equal("Javas started, with the Comm.jar each found", [(f"{jre6}\\bin\\java.exe", whole)] * 2,
                [(record["module"], record["ext"].get("Comm.jar")) for record in run.records])
    check.equal("second launcher's exit code", 0, second["launcher"].poll() if second else None)
    check.support_files(box, jre6, copied=SUPPORT)


def untidy_pc_runtime_uninstalled_and_a_folder_at_a_files_name(box, check):
    """The first runtime's uninstaller left its registry key behind, and the
    runtime listed next has a folder where jdc.jar belongs: that one is used,
    and its copy fails there, after the files before it."""
    gone, jre7 = box.java_home("jre6"), box.java_home("jre7")
    box.add_runtime("1.6", gone, folders=(), java=False)
    box.add_runtime("1.7", jre7)
    box.unix(jre7 + r"\lib\ext\jdc.jar").mkdir()
    run = box.run()
    check.boxes(run, ["File already exists", COPY_FAILED])
    check.started(run, jre7)
    check.ended(run, 0, "hidden", 29, 35)
    check.support_files(box, jre7, copied=["Comm.jar", "javax.comm.properties", "Win32com.dll"])
    check.equal("folder of the runtime that is gone", False, box.unix(gone).exists())


def runtime_owns(box, home, names):
    for name in names:
        box.write(f"{home}\\{SUPPORT[name]}\\{name}", f"own {name}")


# Scenarios. Each sets up its sandbox, runs the launcher once, and checks.

def picks_first_new_enough_runtime_and_completes_it(box, check):
    old_jre, jre6, newer_jre = (box.java_home(name) for name in ("j2re1.4.2_19", "jre6", "jre1.6.0_20"))
    box.add_runtime("1.4.2_19", old_jre)
    box.add_runtime("1.6", jre6)
    box.add_runtime("1.6.0_20", newer_jre)
    runtime_owns(box, jre6, ["Comm.jar"])
    run = box.run()
    check.window(run)
    check.boxes(run, [])
    check.started(run, jre6)
    check.ended(run, 0, "hidden", 29, 35)
    check.support_files(box, jre6, copied=["javax.comm.properties", "Win32com.dll", "jdc.jar"], own=["Comm.jar"])
    check.support_files(box, old_jre)
    check.support_files(box, newer_jre)


def reads_only_its_own_registry_view(box, check):
    """On 64-bit Windows: a 64-bit runtime, registered where only 64-bit
    programs look, is never seen, though listed first."""
    jre6 = box.java_home("jre6")
    other = r"C:\Program Files\Java\jre1.5.0_22"
    box.add_runtime("1.5", other, view="64-bit")
    box.add_runtime("1.6", jre6)
    run = box.run()
    check.boxes(run, [])
    check.started(run, jre6)
    check.ended(run, 0, "hidden", 29, 35)
    check.support_files(box, jre6, copied=SUPPORT)
    check.support_files(box, other)


def watch_waits_for_a_long_run_after_path_not_found(box, check):
    jre6 = box.java_home("jre6")
    box.add_runtime("1.6", jre6, folders=["bin"])
    run = box.run(java_sleep_ms=40000)
    check.boxes(run, ["Path not found", COPY_FAILED])
    check.started(run, jre6)
    check.ended(run, 0, "hidden", 59, 66)  # still running at the first tick, gone by the second
    check.support_files(box, jre6)


def no_runtime_or_none_new_enough(box, check):
    run = box.run()  # no runtime's key at all
    check.boxes(run, [NO_RUNTIME])
    check.started(run, False)
    check.ended(run, 1, "hidden", 0, 4)
    old_jre = box.java_home("j2re1.4.2_19")
    box.add_runtime("1.3.1_20", r"C:\Program Files\Java\j2re1.3.1_20")
    box.add_runtime("1.4.2_19", old_jre)
    run = box.run()
    check.boxes(run, [TOO_OLD])
    check.started(run, False)
    check.ended(run, 1, "hidden", 0, 4)
    check.support_files(box, old_jre)


def version_not_a_number_falls_back_to_java_on_path(box, check):
    old_jre, jre6 = (box.java_home(name) for name in ("j2re1.4.2_19", "jre6"))
    box.add_runtime("1.4.2_19", old_jre)
    box.add_runtime("Beta", jre6)  # listed next, case-insensitively; "Bet" is no number
    run = box.run(java_exit=3)
    check.window(run)
    check.boxes(run, ["Type mismatch", SEARCH_FAILED])
    check.started(run, None)
    check.ended(run, 0, "hidden", 29, 35)  # a process gone counts as ended, whatever its code
    check.support_files(box, jre6)


def start_failure_is_reported_and_ends_the_launcher(box, check):
    jre6 = box.java_home("jre6")
    box.add_runtime("1.6", jre6, java=False)
    runtime_owns(box, jre6, SUPPORT)
    run = box.run()
    check.boxes(run, [START_FAILED])
    check.started(run, False)  # C:\Program.exe included
    check.ended(run, 1, "hidden", 0, 4)
    check.support_files(box, jre6, own=SUPPORT)


def run_with_unwritable_bin(box, home, **options):
    """A run with home's bin folder refusing new files: its mode says so,
    and the sandbox's Wine programs, root's too, have no right to override it."""
    folder = box.unix(home + r"\bin")
    folder.chmod(0o555)
    try:
        return box.run(**options)
    finally:
        folder.chmod(0o755)


def unwritable_runtime_asks_once_then_reports_and_starts_java(box, check):
    jre6 = box.java_home("jre6")
    box.add_runtime("1.6", jre6)
    run = run_with_unwritable_bin(box, jre6, wine_debug="trace+exec")  # Wine's trace names each `runas`
    requests = (box.folder / "wine-debug.log").read_text(errors="replace").count('verb=L"runas"')
    check.equal("elevation requests", 1, requests)
    check.boxes(run, ["Permission denied", COPY_FAILED])
    check.equal("windows shown", 1, sum(e["visible"] for e in run.window))  # the start-up window, and no other
    check.started(run, jre6)
    check.ended(run, 0, "hidden", 29, 35)
    check.support_files(box, jre6, copied=["Comm.jar", "javax.comm.properties"])


def private_mode_completes_only_the_chosen_runtime_from_a_protected_source(box, check):
    """The elevated run started directly, as Wine would start it."""
    jre6 = box.java_home("jre6")
    relative, dotted, unregistered = box.folder / "jre6", jre6 + r"\..\jre7", r"C:\Program Files\Java\jre8"
    for sub in ("bin", "lib/ext"):
        (relative / sub).mkdir(parents=True)
        box.unix(f"{unregistered}\\{sub}").mkdir(parents=True)
    box.add_runtime("1.6", jre6, java=False)
    box.add_runtime("1.7", dotted, java=False)
    box.register_runtimes()
    source = box.unix(SOURCE)
    # 5: malformed, at once; 1002: not the runtime the launcher chooses;
    # 1003: a source folder that users may write to, as Wine shows o+w.
    for args, exit_code in (([PRIVATE + "jre6"], 5), ([PRIVATE + jre6, "more"], 5), ([PRIVATE + dotted], 1002),
                            ([PRIVATE + unregistered], 1002), ([PRIVATE + jre6], 1003), ([PRIVATE + jre6], 0)):
        source.chmod(0o777 if exit_code == 1003 else 0o755)
        # Wine hands Unix only the exit code's low byte.
        check.equal(f"exit code of the run with {args}", exit_code & 0xFF, box.run_alone(*args))
        if exit_code == 1003:
            check.support_files(box, jre6)  # nothing copied from it
    check.equal("files in the relative folder", [], [p for p in relative.rglob("*") if p.is_file()])
    check.support_files(box, dotted)
    check.support_files(box, unregistered)
    check.support_files(box, jre6, copied=SUPPORT)


def source_others_can_change_is_never_copied(box, check):
    """Every run here holds a full administrator token, so nothing is refused
    for lack of rights: the source's own protection is all that stops it."""
    jre6 = box.java_home("jre6")
    box.add_runtime("1.6", jre6)
    box.unix(SOURCE).chmod(0o777)  # what Wine shows as everyone's right to write
    run = box.run()
    check.boxes(run, [SOURCE_NOT_PROTECTED, COPY_FAILED])
    check.started(run, jre6)
    check.ended(run, 0, "hidden", 29, 35)
    check.support_files(box, jre6)


def relink(box, path, elsewhere):
    """Moves the folder at path to elsewhere and puts a Unix symlink to it in its place."""
    target = box.unix(elsewhere)
    target.parent.mkdir(parents=True, exist_ok=True)
    box.unix(path).rename(target)
    box.unix(path).symlink_to(target, target_is_directory=True)


def linked_source_folder_is_refused(box, check):
    jre6 = box.java_home("jre6")
    box.add_runtime("1.6", jre6)
    relink(box, SOURCE, r"C:\users\Public\GsmModemJar")
    run = box.run()
    check.boxes(run, [SOURCE_IS_LINK, COPY_FAILED])
    check.started(run, jre6)
    check.support_files(box, jre6)


def linked_runtime_folder_is_refused(box, check):
    jre6 = box.java_home("jre6")
    box.add_runtime("1.6", jre6)
    relink(box, jre6 + r"\lib", r"C:\users\Public\lib")
    run = box.run()
    check.boxes(run, [DESTINATION_IS_LINK, COPY_FAILED])
    check.started(run, jre6)
    check.support_files(box, jre6)


def quote_in_java_home_starts_nothing(box, check):
    home = r'C:\Program Files\Java\jre"6'
    box.add_runtime("1.6", home)
    run = box.run()
    # Nor is such a folder copied into, nor elevation asked for it.
    check.boxes(run, ["Bad file name or number", COPY_FAILED, BAD_NAME])
    check.started(run, False)  # C:\Program.exe included
    check.ended(run, 1, "hidden", 0, 4)


def closing_the_window_early_ends_quietly(box, check):
    jre6 = box.java_home("jre6")
    box.add_runtime("1.6", jre6)
    run = box.run(close_at_ms=1000)
    check.boxes(run, [])
    check.started(run, False)
    check.ended(run, 0, "shown", 0.8, 3)
    check.support_files(box, jre6)


# Longest first, so that the long watch overlaps the rest.
SCENARIOS = [watch_waits_for_a_long_run_after_path_not_found, second_launcher_waits_for_the_first_to_install,
             killed_mid_copy_leaves_nothing_and_the_next_run_copies_whole, picks_first_new_enough_runtime_and_completes_it,
             unwritable_runtime_asks_once_then_reports_and_starts_java, version_not_a_number_falls_back_to_java_on_path,
             private_mode_completes_only_the_chosen_runtime_from_a_protected_source,
             untidy_pc_runtime_uninstalled_and_a_folder_at_a_files_name, source_others_can_change_is_never_copied,
             linked_source_folder_is_refused, linked_runtime_folder_is_refused, quote_in_java_home_starts_nothing,
             no_runtime_or_none_new_enough, start_failure_is_reported_and_ends_the_launcher,
             closing_the_window_early_ends_quietly, reads_only_its_own_registry_view]
# Only where there are two views: a 32-bit launcher in a win64 prefix.
WOW64_ONLY = [reads_only_its_own_registry_view]
# What --emulated runs unless told otherwise, in minutes: the main scenario,
# the elevated copy, an error with its box, and the registry's views.
EMULATED = [picks_first_new_enough_runtime_and_completes_it, unwritable_runtime_asks_once_then_reports_and_starts_java,
            no_runtime_or_none_new_enough, reads_only_its_own_registry_view]


# What the launcher shows when Wine fails to start a program whose new
# process died before it ran (ERROR_INTERNAL_ERROR, 1359). Seen once in CI,
# on a loaded machine, for a stand-in that starts at once everywhere else;
# Windows gives no such answer for a program it can start.
WINE_START_FAILED = "Run-time error '-2147023537'"


def run_scenario(scenario, args):
    """A scenario's name, failures and time. Run again, once, when Wine
    failed to start a program, and said so on the output."""
    began = time.time()
    failures = try_scenario(scenario, args)
    if any(WINE_START_FAILED in failure for failure in failures):
        log = args.work / scenario.__name__ / "wine-debug.log"
        tail = log.read_text(errors="replace").splitlines()[-3:] if log.exists() else []
        print(f"AGAIN {scenario.__name__}: Wine failed to start a program; its last messages: {tail}", flush=True)
        failures = try_scenario(scenario, args)
    return scenario.__name__, failures, time.time() - began


def try_scenario(scenario, args):
    check, box, folder = Check(args.emulated), None, args.work / scenario.__name__
    try:
        box = Sandbox(folder, args.base, args.launcher, args.stand_in, args.watcher, emulated=args.emulated)
        scenario(box, check)
    except Exception as error:  # a sandbox that breaks fails its scenario, not the suite
        check.failures.append(f"scenario could not run: {error!r}")
    finally:
        if box:
            box.stop_wine()
        shutil.rmtree(folder / "prefix", ignore_errors=True)  # 600 MB; the records stay
    if check.failures:
        check.failures.append(f"Wine's messages are in {folder}/*.log")
    return check.failures


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    absolute = lambda path: Path(path).resolve()  # Wine wants them absolute
    for option in ("--launcher", "--stand-in", "--watcher", "--work", "--base"):
        parser.add_argument(option, required=True, type=absolute)
    parser.add_argument("--jobs", type=int, default=5)
    parser.add_argument("--only", nargs="*", help="names of the scenarios to run")
    parser.add_argument("--all-but-emulated", action="store_true",
                        help="every scenario but those that --emulated runs by default")
    parser.add_argument("--emulated", action="store_true",
                        help="32-bit programs run under qemu-i386 here: longer waits, no check of the window's two "
                             "seconds, and unless --only says otherwise, four scenarios")
    args = parser.parse_args()
    for program in (args.launcher, args.stand_in, args.watcher):
        if not program.is_file():
            parser.error(f"{program} does not exist")
    args.work.mkdir(parents=True, exist_ok=True)
    ready_for(args.base, args.launcher)
    wow64 = runs_as_wow64(args.launcher)
    chosen = [s.__name__ for s in EMULATED] if args.emulated and args.only is None else args.only
    chosen = [s for s in SCENARIOS if (chosen is None or s.__name__ in chosen) and (wow64 or s not in WOW64_ONLY)
              and not (args.all_but_emulated and s in EMULATED)]
    pool = concurrent.futures.ThreadPoolExecutor(args.jobs)
    tasks = [pool.submit(run_scenario, s, args) for s in chosen]
    passed = failed = 0
    for task in concurrent.futures.as_completed(tasks):
        name, failures, seconds = task.result()
        print(f"{'FAIL' if failures else 'PASS'} {name} ({seconds:.1f} s)", flush=True)
        for failure in failures:
            print("    " + failure, flush=True)
        passed, failed = passed + (not failures), failed + bool(failures)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    raise SystemExit(main())
