#!/usr/bin/env bash
# Checks the report scripts/run printed, kept in the file REPORT: the runtime
# it registered was chosen, given the four support files and started with the
# application's command line; no message was shown; the launcher ended with
# 0; and the screenshot of its start-up window is there and not blank.
#   tests/e2e/check_try_it.sh REPORT
set -euo pipefail
report=${1:?usage: check_try_it.sh REPORT}
fail() { echo "try-it report FAILED: $*" >&2; exit 1; }
field() { sed -n "s/^$1: *//p" "$report"; }

home=$(field "Runtime registered" | sed 's/.* -> //')
[ -n "$home" ] || fail "no runtime registered"
java="$home\\bin\\java.exe"
[ "$(field "Runtime chosen")" = "$java" ] || fail "runtime chosen: expected $java, seen $(field "Runtime chosen")"
installed=$(sed -n '/^Files installed:/,/^Command received:/{/^Command/!p}' "$report" | grep -c -F "$home\\" || true)
[ "$installed" -eq 4 ] || fail "files installed: expected 4, seen $installed"
command=$(field "Command received")
[[ $command == "\"$java\" -classpath "*" JavaSwingClasses.MainFrame" ]] || fail "command received: ${command:-none}"
[ "$(field "Messages shown")" = none ] || fail "messages shown: $(field "Messages shown")"
[[ $(field "Launcher ended") == *", exit code 0" ]] || fail "launcher ended: $(field "Launcher ended")"
shot=$(field "Start-up window" | sed -n 's/^screenshot in //p')
[ -f "$shot" ] || fail "no screenshot of the start-up window"
colours=$(identify -format %k "$shot")
[ "$colours" -gt 1 ] || fail "the screenshot $shot is blank"
echo "try-it report: $java chosen, 4 files installed, the application's command, no message, exit code 0, screenshot with $colours colours"
