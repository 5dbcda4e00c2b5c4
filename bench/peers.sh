#!/usr/bin/env bash
# Measures Tesseract 5 and ssocr on the evaluation pages that write_eval_pages made, and prints
# the same kind of table as umnoglaz_numbers (bench/EVALUATION.md):
#
#   bench/peers.sh FOLDER [--psm N]... [--jobs N]
#
# Tesseract reads every page whole (digits and space only, page segmentation modes 6 and 11
# unless --psm is given); ssocr reads each seven-segment number cut out by its truth box.
# Installs tesseract-ocr and ssocr first when they are missing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

[ $# -ge 1 ] || { echo "usage: bench/peers.sh FOLDER [--psm N]... [--jobs N]" >&2; exit 2; }

"$here/../scripts/setup.sh" only tesseract-ocr tesseract-ocr-eng ssocr

echo "$(tesseract --version 2>&1 | head -1), $(ssocr --version 2>&1 | head -1 | sed 's/.*Version/ssocr/')"
exec python3 "$here/peers.py" "$@"
