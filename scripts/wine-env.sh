# Source this for a shell with the end-to-end tests' Wine environment, to try
# the programs by hand:
#
#   source scripts/wine-env.sh [folder]   # default: out/wine (inside the checkout)
#   wine_init                             # a fresh 64-bit prefix (once, ~15 s)
#   wine_display                          # an Xvfb display for the message boxes
#   "$WINE" 'C:\path\Uninstaller.exe'     # or: "$WINE" cmd /c 'C:\path\run.bat'
#   wine_trace_boxes                      # then WINEDEBUG=+relay shows each MessageBoxA
#   wine_end                              # ends the prefix's processes and the display
#
# Everything stays inside the folder: the prefix, and HOME, so that Wine's
# Documents and Desktop links never point into the real home.

_wine_env_folder=$(realpath -m "${1:-$(dirname "${BASH_SOURCE[0]}")/../out/wine}")
export WINE=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
export WINELOADER=$WINE
export WINEPREFIX=$_wine_env_folder/prefix
export WINEARCH=win64
export HOME=$_wine_env_folder/home
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8      # ANSI code page 932
export WINEDLLOVERRIDES="mscoree,mshtml="        # no Mono or Gecko prompts
export WINEDEBUG=-all
mkdir -p "$HOME"

wine_init() {
  "$WINE" wineboot --init >/dev/null 2>&1 && "$WINESERVER" -w
}

wine_display() {
  local number
  exec {_wine_env_fd}< <(exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
  _wine_env_xvfb=$!
  read -r -t 15 number <&"$_wine_env_fd" || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=:$number
  echo "DISPLAY=$DISPLAY"
}

wine_trace_boxes() {
  "$WINE" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ \
    /d 'user32.MessageBoxA;shell32.ShellExecuteA' /f >/dev/null
}

wine_end() {
  "$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null
  if [ -n "${_wine_env_xvfb:-}" ]; then
    kill "$_wine_env_xvfb" 2>/dev/null || true
    exec {_wine_env_fd}<&-
    unset DISPLAY _wine_env_fd _wine_env_xvfb
  fi
}
