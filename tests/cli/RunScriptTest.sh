#!/usr/bin/env bash
# scripts/run.sh given a relative picture path from another folder: the path is read from the
# folder it was given in. Runs the built program (UMNOGLAZ_PROGRAM) without a display, so that
# the script recognises the picture with the headless command.
#   RunScriptTest.sh REPOSITORY PROGRAM
set -euo pipefail
repository="$1"
program="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scans" "$work/elsewhere"
cp "$repository/samples/pen-digits.bmp" "$work/scans/page.bmp"

cd "$work/elsewhere"
output="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM UMNOGLAZ_PROGRAM="$program" \
    "$repository/scripts/run.sh" ../scans/page.bmp)"
echo "$output"
grep -q '^\.\./scans/page\.bmp: 666 x 112 pixels, 10 regions' <<<"$output"
