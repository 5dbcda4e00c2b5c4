#!/usr/bin/env bash
# Installs what building and running need, builds the program and starts it from the folder it
# is called in, so that relative paths among the arguments mean what they say. Arguments go to
# the program. Without a display (no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM) the window
# cannot open: the headless command then recognises the picture given, or the bundled sample.
#
# UMNOGLAZ_PROGRAM=PATH runs that already built program instead, with no set-up or build (the
# tests use it).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

program="${UMNOGLAZ_PROGRAM:-}"
if [ -z "$program" ]; then
    "$root/scripts/setup.sh" run
    "$root/scripts/build.sh" release program
    program="$root/build/release/app/umnoglaz"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] &&
    [[ "${1:-}" != -* ]]; then
    picture="${1:-$root/samples/pen-digits.bmp}"
    echo "No display here, so no window: recognising $picture with the headless command instead."
    exec "$program" --recognize "$picture"
fi
exec "$program" "$@"
