#!/usr/bin/env bash
# Exits 0 when Wine can run the shipped i686 programs here, 1 when it cannot:
# the machine must execute 32-bit x86 code, and Wine's 32-bit half
# (wine32:i386) must be installed.
#
# Some kernels (or the machines they run on) have no 32-bit compatibility
# mode; there Wine cannot start an i686 program at all. The probe is a
# 96-byte static i386 ELF whose only code is exit(42) through int 0x80: it
# needs no 32-bit library, so only the kernel's support is measured.
# wine32:i386 may be missing where a Debian mirror could not provide it
# (scripts/install-deps.sh goes on without it).
# With -v it also prints one line saying which way it went, and why.
set -u

# Inside the checkout where it can be written (a temporary folder may be
# mounted noexec, which would fail the probe for another reason), else in
# the temporary folder.
build="$(cd "$(dirname "$0")/.." && pwd)/build"
work=$( (mkdir -p "$build" && mktemp -d "$build/probe32.XXXXXX") 2>/dev/null ||
        mktemp -d "${TMPDIR:-/tmp}/probe32.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# ELF header (52 bytes), one PT_LOAD program header (32 bytes), then
#   mov ebx, 42 ; mov eax, 1 ; int 0x80
printf '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000' >"$work/probe"
printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$work/probe"
printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000' >>"$work/probe"
printf '\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010' >>"$work/probe"
printf '\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000' >>"$work/probe"
printf '\000\020\000\000\273\052\000\000\000\270\001\000\000\000\315\200' >>"$work/probe"
chmod +x "$work/probe"

"$work/probe" 2>/dev/null
if [ $? -ne 42 ]; then
    verdict="this machine cannot execute 32-bit code"
elif [ ! -x /usr/lib/wine/wine ]; then
    verdict="Wine's 32-bit half (wine32:i386) is not installed"
else
    verdict=""
fi
if [ "${1:-}" = "-v" ]; then
    if [ -n "$verdict" ]; then echo "$verdict"
    else echo "this machine executes 32-bit code, and Wine's 32-bit half is installed"; fi
fi
[ -z "$verdict" ]
