#!/bin/bash
# Runs the Windows build of the contract tests under Wine and exits with
# their status.
#
#   scripts/run-contract-tests-wine.sh path/to/contract_tests.exe [gtest options...]
#
# Each run gets a fresh 64-bit Wine prefix in a temporary folder (HOME
# inside it too), removed afterwards. Set CONTRACT_TESTS_WINEPREFIX to reuse
# a prefix of your own instead (it is created when missing and kept).
# CONTRACT_TESTS_TIMEOUT bounds the run in seconds (default 300).
set -u

if [ $# -lt 1 ] || [ ! -f "$1" ]; then
    echo "usage: $0 path/to/contract_tests.exe [gtest options...]" >&2
    exit 2
fi
exe=$(readlink -f "$1")
shift

wine=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
limit=${CONTRACT_TESTS_TIMEOUT:-300}

if [ -n "${CONTRACT_TESTS_WINEPREFIX:-}" ]; then
    work=""
    export WINEPREFIX=$CONTRACT_TESTS_WINEPREFIX
    mkdir -p "$WINEPREFIX"
    export HOME="$WINEPREFIX/home"
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/contract-wine.XXXXXX")
    export WINEPREFIX="$work/prefix"
    export HOME="$work/home"
fi
mkdir -p "$HOME"
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
# The programs' text is code page 932: run with a Japanese locale when the
# host has one, so the ANSI code page is 932 (the Shift-JIS cases skip
# themselves otherwise).
if locale -a 2>/dev/null | grep -qiE '^ja_JP\.utf-?8$'; then
    export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
fi
# A console program: no display needed, and none of anybody else's touched.
unset DISPLAY WAYLAND_DISPLAY

cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
    if [ -n "$work" ]; then rm -rf "$work"; fi
}
trap cleanup EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    if ! timeout --kill-after=10 "$limit" "$wine" wineboot -i >/dev/null 2>&1; then
        echo "$0: initialising the Wine prefix failed or timed out" >&2
        exit 3
    fi
    timeout 60 "$WINESERVER" -w
fi

timeout --kill-after=10 "$limit" "$wine" "$exe" "$@"
status=$?
if [ $status -eq 124 ]; then echo "$0: contract tests timed out after ${limit}s" >&2; fi
exit $status
