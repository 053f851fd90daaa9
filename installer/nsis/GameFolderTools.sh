#!/bin/sh
# Build-time checks of GameFolderTools.nsh where makensis runs on Linux, WSL
# or macOS: does a name survive a round trip through Shift-JIS (code page 932)?
# A character that code page 932 lacks, or has only a look-alike for ("¥",
# "〜" U+301C, "é"), changes on the way and is refused.
#
#   GameFolderTools.sh text FILE       FILE holds one UTF-8 text
#   GameFolderTools.sh folder DIR OUT  every file name below DIR; the refused
#                                      ones are written to OUT, "; " between
#
# Exit status: 0 every name fits, 1 a name does not, 2 no iconv to check with.
set -u

command -v iconv >/dev/null 2>&1 || exit 2
# glibc maps a few look-alikes into code page 932 (U+301C to 0x8160), so the
# text must come back unchanged, not just convert.
roundtrip() {
    iconv -c -f UTF-8 -t CP932 "$1" 2>/dev/null | iconv -f CP932 -t UTF-8 2>/dev/null
}

case "${1:-}" in
text)
    [ "$(roundtrip "$2"; echo .)" = "$(cat "$2"; echo .)" ] || exit 1
    ;;
folder)
    names=$(mktemp) || exit 2
    trap 'rm -f "$names"' EXIT
    # The script names folders the Windows way.
    folder=$(printf '%s' "$2" | tr '\\' /)
    (cd "$folder" && find . -type f) | sed 's|^\./||' | LC_ALL=C sort > "$names"
    # Line by line, so each refused name is reported (-c keeps the lines in step).
    roundtrip "$names" | awk 'NR == FNR { back[FNR] = $0; next }
        $0 != back[FNR] { name = $0; gsub("/", "\\", name); printf "%s%s", (n++ ? "; " : ""), name }
        END { exit n > 0 }' - "$names" > "$3"
    ;;
*)
    echo "usage: $0 text FILE | folder DIR OUT" >&2
    exit 2
    ;;
esac
