#!/usr/bin/env bash
# What can be proven of the built program without running it, on any Linux
# host (binutils for mingw-w64, file, icoutils):
#   tests/e2e/static_checks.sh path/to/TarvexAdvanceSMSServer.exe
# One line a check; exits non-zero if any fails.
set -uo pipefail

exe=${1:?usage: static_checks.sh TarvexAdvanceSMSServer.exe}
[ -f "$exe" ] || { echo "static checks: $exe does not exist" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
passed=0
check() {  # check WHAT EXPECTED SEEN
  if [ "$2" == "$3" ]; then
    echo "PASS $1: $3"
    passed=$((passed + 1))
  else
    echo "FAIL $1: expected $2, seen ${3:-nothing}"
    failed=$((failed + 1))
  fi
}

# A 32-bit GUI program: no console window opens when a user double-clicks it.
kind=$(file -b "$exe")
check "PE32 GUI program for Intel 80386" yes "$([[ $kind == "PE32 executable (GUI) Intel 80386"* ]] && echo yes || echo "$kind")"
# It links only what it uses (bench/run says where the bytes go).
size=$(stat -c %s "$exe")
check "size ($size bytes)" "at most 204800" "$( ((size <= 204800)) && echo "at most 204800" || echo "$size")"
headers=$(i686-w64-mingw32-objdump -p "$exe")
check "subsystem" "00000002 (Windows GUI)" "$(sed -n 's/^Subsystem\s\+//p' <<<"$headers" | tr -s '\t ' ' ')"

# Every DLL it needs comes with Windows: it is linked statically, so it runs
# from a bare folder with no compiler's runtime beside it. It imports only
# what every run needs, all of them KnownDLLs, which Windows maps from the
# system folder whatever lies beside the program: the program elevates
# itself, and a DLL planted beside a copy of it would otherwise load with
# administrator rights. What only some runs need (shell32 for the elevated
# run) it loads then, by full path, and frees.
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | sort -f | tr '\n' ' ')
check "DLLs imported" "ADVAPI32.dll GDI32.dll KERNEL32.dll msvcrt.dll USER32.dll" "${imports% }"

# The DLLs those import in turn come from the system folder alone, on
# Windows 10 1607 and later: the load configuration's DependentLoadFlags
# (a 16-bit field 54 bytes in) is LOAD_LIBRARY_SEARCH_SYSTEM32.
read -r _ _ config_rva _ < <(grep "Load Configuration Directory" <<<"$headers")
config=$((0x${config_rva:-0}))
image=$((0x$(sed -n 's/^ImageBase\s\+//p' <<<"$headers")))
config_offset=
while read -r _ _ size vma _ offset _; do  # index, name, size, VMA, LMA, file offset, alignment
  start=$((0x$vma - image))
  if ((config != 0 && config >= start && config < start + 0x$size)); then
    config_offset=$((config - start + 0x$offset))
  fi
done < <(i686-w64-mingw32-objdump -h "$exe" | grep -E '^ +[0-9]+ ')
flags=$( [ -n "$config_offset" ] && od -An -tx2 -j $((config_offset + 54)) -N2 "$exe" | tr -d ' ')
check "dependent DLLs searched for in" "0800 (the system folder)" "${flags:+$flags (the system folder)}"

# Explorer shows the first icon group; one 32x32 image in 256 colours.
wrestool -x --type=14 "$exe" >"$work/app.ico" 2>/dev/null
check "icon" "--icon --index=1 --width=32 --height=32 --bit-depth=8 --palette-size=256" \
  "$(icotool -l "$work/app.ico" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"

# The start-up picture, read from its resource as the program reads it.
wrestool -x --raw --type=GIF "$exe" >"$work/splash.gif" 2>/dev/null
check "start-up picture" "GIF89a 484 x 493" \
  "$(head -c 6 "$work/splash.gif") $(od -An -tu2 -j6 -N4 "$work/splash.gif" 2>/dev/null | awk '{print $1 " x " $2}')"

# The version block: the fixed part's numbers, then the strings Explorer's
# Details tab shows.
wrestool -x --raw --type=16 "$exe" >"$work/version" 2>/dev/null
fixed=$(od -An -tx4 -v "$work/version" | tr -s ' ' '\n' | grep -A5 -x feef04bd | tail -n4 | tr '\n' ' ')
version() {  # the four parts of a version from its two 32-bit halves
  echo "$((0x$1 >> 16)).$((0x$1 & 0xffff)).$((0x$2 >> 16)).$((0x$2 & 0xffff))"
}
read -r file_ms file_ls product_ms product_ls <<<"$fixed"
check "file version number" 1.0.0.0 "$(version "${file_ms:-0}" "${file_ls:-0}")"
check "product version number" 1.0.0.0 "$(version "${product_ms:-0}" "${product_ls:-0}")"
# The UTF-16 strings come as name, value, name, value.
strings -n 1 -e l "$work/version" >"$work/strings"
for entry in "CompanyName=tarvex" "FileVersion=1.00" "InternalName=TarvexAdvanceSMSServer" \
  "OriginalFilename=TarvexAdvanceSMSServer.exe" "ProductName=Tarvex Advance SMS Server" "ProductVersion=1.00"; do
  name=${entry%%=*}
  check "version $name" "${entry#*=}" "$(grep -A1 -x "$name" "$work/strings" | sed -n 2p)"
done

echo "static checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
