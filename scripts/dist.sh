#!/usr/bin/env bash
# Writes the release package (make dist runs it through the win32 build):
#
#   scripts/dist.sh NAME VERSION OUT_DIR GUIDE FILE...
#
# OUT_DIR/NAME-VERSION.zip holds one folder NAME-VERSION with the files (the
# programs and the NSIS kit), the maker's guide (makers.md, with "Version
# VERSION" under its title) and SHA256SUMS of those files (check it with
# sha256sum -c SHA256SUMS).
#
# The zip is reproducible: the entries in a fixed order, each with the same
# time (SOURCE_DATE_EPOCH, else the time of the last commit), the same mode
# and no extra fields, whatever the files' own times, the umask or the time
# zone.
set -euo pipefail

if [ $# -lt 5 ]; then
    echo "usage: $0 NAME VERSION OUT_DIR GUIDE FILE..." >&2
    exit 2
fi
name=$1 version=$2 out=$3 guide=$4
shift 4

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
(cd "$work/$stem" && sha256sum "${names[@]}" > SHA256SUMS)
names+=(SHA256SUMS)

chmod 0644 "$work/$stem"/*
TZ=UTC0 touch -d "@$SOURCE_DATE_EPOCH" "$work/$stem"/*
mkdir -p "$out"
zip_path=$(cd "$out" && pwd)/$stem.zip
rm -f "$zip_path"
# -X: no extra fields (owner, extended times); -D: no folder entries.
(cd "$work" && TZ=UTC0 zip -q -X -D "$zip_path" "${names[@]/#/$stem/}")
echo "dist: $zip_path"
(cd "$(dirname "$zip_path")" && sha256sum "$stem.zip")
