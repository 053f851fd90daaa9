#!/usr/bin/env bash
# Writes the release package (make dist runs it through the win32 build):
#
#   scripts/dist.sh NAME VERSION OUT_DIR GUIDE SAMPLE FILE...
#
# OUT_DIR/NAME-VERSION.zip holds one folder NAME-VERSION with the files (the
# programs, the build-time check and both installer kits), the sample game
# the kits' examples install (SAMPLE's game files, without the records an
# installer writes nor the stand-ins of the two programs, as SampleGame/), the maker's guide (makers.md, with
# "Version VERSION" under its title) and SHA256SUMS of all of them (check it
# with sha256sum -c SHA256SUMS). Names are stored as UTF-8 and marked so.
#
# The zip is reproducible: the entries in a fixed order, each with the same
# time (SOURCE_DATE_EPOCH, else the time of the last commit), the same mode
# and no extra fields, whatever the files' own times, the umask or the time
# zone.
set -euo pipefail

if [ $# -lt 6 ]; then
    echo "usage: $0 NAME VERSION OUT_DIR GUIDE SAMPLE FILE..." >&2
    exit 2
fi
name=$1 version=$2 out=$3 guide=$4 sample=$5
shift 5

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$(dirname "$0")" log -1 --format=%ct 2>/dev/null) || {
        echo "dist: set SOURCE_DATE_EPOCH (not in a git checkout)" >&2
        exit 2
    }
fi
# A zip entry's time is an MS-DOS date, which begins in 1980.
if [ "$SOURCE_DATE_EPOCH" -lt 315532800 ]; then SOURCE_DATE_EPOCH=315532800; fi

stem=$name-$version
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/$stem"

names=()
for file in "$@"; do
    cp "$file" "$work/$stem/"
    names+=("$(basename "$file")")
done
# The guide carries no version of its own: it gets the release's under its
# title (the first line that starts with "# ").
awk -v line="Version $version" '
    { print }
    !done && /^# / { print ""; print line; done = 1 }
    END { if (!done) exit 1 }' "$guide" > "$work/$stem/makers.md" || {
    echo "dist: $guide has no title line (# ...)" >&2
    exit 1
}
names+=(makers.md)
mkdir "$work/$stem/SampleGame"
(cd "$sample" && tar --exclude=./InstallInfo --exclude=./Uninstaller.exe --exclude=./Prefclear.exe -cf - .) | (cd "$work/$stem/SampleGame" && tar -xf -)
while IFS= read -r file; do names+=("SampleGame/$file"); done \
    < <(cd "$work/$stem/SampleGame" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
(cd "$work/$stem" && sha256sum "${names[@]}" > SHA256SUMS)
names+=(SHA256SUMS)

mkdir -p "$out"
zip_path=$(cd "$out" && pwd)/$stem.zip
rm -f "$zip_path"
# Python's zipfile rather than zip: it marks names as UTF-8 (flag 11), so
# that SampleGame\data\画像 unpacks as such on Windows too. Each entry: the
# fixed time, mode 0644, deflated, no extra field; no folder entries.
(cd "$work" && python3 - "$zip_path" "$SOURCE_DATE_EPOCH" "${names[@]/#/$stem/}" <<'PY'
import sys, time, zipfile
path, epoch, names = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
stamp = time.gmtime(epoch)[:6]
with zipfile.ZipFile(path, "w") as package:
    for name in names:
        entry = zipfile.ZipInfo(name, stamp)
        entry.external_attr = 0o100644 << 16
        entry.compress_type = zipfile.ZIP_DEFLATED
        with open(name, "rb") as data:
            package.writestr(entry, data.read(), compresslevel=9)
PY
)
echo "dist: $zip_path"
(cd "$(dirname "$zip_path")" && sha256sum "$stem.zip")
