#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo use, and the
# ja_JP.UTF-8 locale that gives Wine its code page 932. Installs only what is
# missing, so a second run does nothing and needs no network.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ libgtest-dev libbenchmark-dev          # host build and unit tests
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32          # the two Windows builds (win32 thread model)
  osslsigncode openssl zip                                     # make sign, make dist and their tests
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64            # windres, objdump for the PE checks
  wine64 xvfb xdotool x11-apps imagemagick                     # end-to-end runs and screenshots
  locales fonts-ipafont-gothic                                 # Japanese locale and font for Wine
  python3 python3-pytest python3-jsonschema                    # the end-to-end harness, the JSON checks
  clang-14 libclang-rt-14-dev                                  # fuzzing
  nsis                                                         # make installer: the makers' NSIS kit
)

SUDO=()
if [ "$(id -u)" -ne 0 ]; then SUDO=(sudo); fi

# The shipped programs are 32-bit: Wine runs them with its 32-bit half, in a
# WoW64 prefix. It is installed even where the kernel cannot execute 32-bit
# code (scripts/can-run-32bit.sh); the tests then say so and run the x86_64
# twin instead.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "install-deps: adding the i386 architecture"
  "${SUDO[@]}" dpkg --add-architecture i386
fi
PACKAGES+=(wine32:i386)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${SUDO[@]}" apt-get update -qq
  "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine takes its ANSI code page from LANG; glibc must know the locale.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "install-deps: generating ja_JP.UTF-8"
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ja_JP.UTF-8 UTF-8' | "${SUDO[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${SUDO[@]}" locale-gen >/dev/null
fi

# Inno Setup's compiler for the makers' Inno Setup kit (installer/inno/):
# the npm package innosetup, pinned in package.json and package-lock.json,
# into node_modules/. npm ci installs exactly the locked version, and only
# when node_modules does not hold it yet.
if ! command -v npm >/dev/null 2>&1; then
  echo "install-deps: installing nodejs and npm"
  export DEBIAN_FRONTEND=noninteractive
  "${SUDO[@]}" apt-get update -qq
  "${SUDO[@]}" apt-get install -y -qq --no-install-recommends nodejs npm
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
locked=$(sed -n '/"node_modules\/innosetup"/,/}/s/.*"version": "\([^"]*\)".*/\1/p' "$repo/package-lock.json")
installed=$(sed -n 's/.*"version": "\([^"]*\)".*/\1/p' "$repo/node_modules/innosetup/package.json" 2>/dev/null || true)
if [ "$installed" != "$locked" ] || [ ! -f "$repo/node_modules/innosetup/bin/ISCC.exe" ]; then
  echo "install-deps: installing Inno Setup $locked (npm ci)"
  (cd "$repo" && npm ci --no-audit --no-fund --loglevel=error)
fi
