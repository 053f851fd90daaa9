#!/usr/bin/env bash
# Runs Inno Setup's compiler (node_modules/innosetup, from npm ci) under Wine:
#
#   scripts/iscc.sh SCRIPT.iss [ISCC OPTION...]
#
# ISCC.exe is a 32-bit console program; it runs in a WoW64 prefix of its own
# (ISCC_PREFIX, default build/iscc-prefix), made on first use, so that a
# compile changes no prefix a test inspects. SCRIPT is a path of this
# machine; the options are ISCC's, with Windows paths (Z:\... for this
# machine's files). Exit status: ISCC's; 77 when this machine cannot execute
# 32-bit code; 78 when Wine gave no answer (no compiler banner): a harness
# failure, not the compiler's verdict.
set -uo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 1 ]; then
    echo "usage: $0 SCRIPT.iss [ISCC OPTION...]" >&2
    exit 2
fi
script=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
iscc=$repo/node_modules/innosetup/bin/ISCC.exe
if [ ! -f "$iscc" ]; then
    echo "iscc: $iscc is missing: run scripts/install-deps.sh (npm ci)" >&2
    exit 2
fi
if ! "$repo/scripts/can-run-32bit.sh"; then
    echo "iscc: not run: this machine cannot execute 32-bit code"
    exit 77
fi

export WINEPREFIX=${ISCC_PREFIX:-$repo/build/iscc-prefix}
# Wine's own errors go with the compiler's output: a run that gives no answer
# then says why.
export WINEARCH=win64 WINEDEBUG=-all,err+all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINESERVER=/usr/lib/wine/wineserver64 WINELOADER=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
    "$WINESERVER" -w
fi

windows() { printf 'Z:%s' "${1//\//\\}"; }
output=$(mktemp)
# The prefix's server ends with each compile, and the next one never meets
# it on its way out: -w waits until it is gone.
trap 'rm -f "$output"; "$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null' EXIT
/usr/lib/wine/wine64 "$(windows "$iscc")" "$@" "$(windows "$script")" > "$output" 2>&1 < /dev/null
status=$?
# ISCC writes its output as UTF-8; Wine's console adds carriage returns.
tr -d '\r' < "$output"
if ! grep -q "Inno Setup 6 Command-Line Compiler" "$output" && [ $status -ne 0 ]; then
    echo "iscc: Wine gave no answer from ISCC.exe (exit $status); running in the prefix then:" >&2
    for process in /proc/[0-9]*; do
        if tr '\0' '\n' < "$process/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "  ${process#/proc/} $(tr '\0' ' ' < "$process/cmdline" 2>/dev/null)" >&2
        fi
    done
    exit 78
fi
exit $status
