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
  nlohmann-json3-dev                                           # recordcheck's JSON and SARIF
  clang-14 libclang-rt-14-dev                                  # fuzzing
  nsis                                                         # make installer: the makers' NSIS kit
)

SUDO=()
if [ "$(id -u)" -ne 0 ]; then SUDO=(sudo); fi
export DEBIAN_FRONTEND=noninteractive

# The shipped programs are 32-bit: Wine runs them with its 32-bit half, in a
# WoW64 prefix. Only the i686 tiers need it, not the build: where it cannot
# be installed (or the kernel cannot execute 32-bit code), those tiers say
# "not run" with the reason (scripts/can-run-32bit.sh) and the x86_64 twin
# runs instead.
WINE32=wine32:i386
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "install-deps: adding the i386 architecture"
  "${SUDO[@]}" dpkg --add-architecture i386
fi

is_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'
}

# A mirror can be out of step with itself for a while (one index whose size
# differs from what its Release file says): apt-get update then fails on that
# index and still refreshes the others. Try a few times, then go on with the
# lists that did arrive; only a package that cannot be installed stops us.
update_package_lists() {
  local attempt
  for attempt in 1 2 3; do
    if "${SUDO[@]}" apt-get update -qq; then return 0; fi
    if [ "$attempt" -lt 3 ]; then
      echo "install-deps: apt-get update failed (try $attempt of 3); trying again in ${UPDATE_PAUSE:-10} s"
      sleep "${UPDATE_PAUSE:-10}"
    fi
  done
  echo "install-deps: apt-get update kept failing; going on with the package lists it could read"
}

install_packages() {
  "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "$@"
}

missing=()
for package in "${PACKAGES[@]}"; do
  is_installed "$package" || missing+=("$package")
done
is_installed "$WINE32" || want_wine32=yes

if [ "${#missing[@]}" -gt 0 ] || [ -n "${want_wine32:-}" ]; then
  update_package_lists
fi

if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  if ! install_packages "${missing[@]}"; then
    # Find out which of them cannot be had, one by one, to name them.
    failed=()
    for package in "${missing[@]}"; do
      is_installed "$package" || install_packages "$package" || failed+=("$package")
    done
    if [ "${#failed[@]}" -gt 0 ]; then
      echo "install-deps: cannot install ${failed[*]} (see apt-get's words above); the build and tests need them" >&2
      exit 1
    fi
  fi
fi

if [ -n "${want_wine32:-}" ]; then
  echo "install-deps: installing $WINE32"
  if ! install_packages "$WINE32"; then
    echo "install-deps: $WINE32 cannot be installed from this mirror now (see apt-get's words above);" \
         "going on without it: the i686 tiers will say \"not run\" and the x86_64 twin runs instead"
  fi
fi

# Wine takes its ANSI code page from LANG; glibc must know the locale.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "install-deps: generating ja_JP.UTF-8"
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ja_JP.UTF-8 UTF-8' | "${SUDO[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${SUDO[@]}" locale-gen >/dev/null
fi

# Inno Setup's compiler for the makers' Inno Setup kit (installer/inno/),
# and the SARIF multitool that validates recordcheck's SARIF (a .NET program
# of its own, run without ICU): npm packages pinned in package.json and
# package-lock.json, into node_modules/. npm ci installs exactly the locked
# versions, and only when node_modules does not hold them yet. Some machines
# carry a Node.js of their own that brings npm along (and conflicts with
# Debian's npm): use it.
if ! command -v npm >/dev/null 2>&1; then
  update_package_lists
  echo "install-deps: installing nodejs npm"
  install_packages nodejs npm || {
    echo "install-deps: cannot install nodejs npm (see apt-get's words above); the Inno Setup kit needs them" >&2
    exit 1
  }
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
# True when node_modules holds the locked version of package $1 and its file $2.
npm_package_ready() {
  local locked installed
  locked=$(sed -n "\\|\"node_modules/$1\"|,/}/s/.*\"version\": \"\\([^\"]*\\)\".*/\\1/p" "$repo/package-lock.json")
  installed=$(sed -n 's/^[[:space:]]*"version": "\([^"]*\)".*/\1/p' "$repo/node_modules/$1/package.json" 2>/dev/null |
              head -n 1 || true)
  [ -n "$locked" ] && [ "$installed" = "$locked" ] && [ -f "$repo/node_modules/$1/$2" ]
}
if ! npm_package_ready innosetup bin/ISCC.exe ||
   ! npm_package_ready @microsoft/sarif-multitool-linux Sarif.Multitool; then
  echo "install-deps: installing Inno Setup and the SARIF multitool (npm ci)"
  (cd "$repo" && npm ci --no-audit --no-fund --loglevel=error)
fi
