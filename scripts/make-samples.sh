#!/usr/bin/env bash
# Redraws the sample pictures in samples/ with the project's own drawing code.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh release
build/release/samples/make_samples samples
