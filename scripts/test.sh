#!/usr/bin/env bash
# Installs what is missing for testing, builds and runs every test. Pass "asan" to test the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."

flavour="${1:-release}"
scripts/setup.sh test
scripts/build.sh "$flavour"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
ctest --test-dir "build/$flavour" --output-on-failure --parallel "$(nproc)"
