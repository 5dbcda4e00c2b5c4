#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. Arguments go to the program.
# Without a display (no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM) the window cannot open:
# the headless command then recognises the picture given, or the bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh release
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] &&
    [[ "${1:-}" != -* ]]; then
    picture="${1:-samples/pen-digits.bmp}"
    echo "No display here, so no window: recognising $picture with the headless command instead."
    exec build/release/app/umnoglaz --recognize "$picture"
fi
exec build/release/app/umnoglaz "$@"
