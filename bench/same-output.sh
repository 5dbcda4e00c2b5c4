#!/usr/bin/env bash
# Runs two builds of the program on the same inputs and says whether every output is the same,
# byte for byte: the text and JSON reports, the --output pictures, the messages on stderr and the
# exit codes, with both methods and one and two threads. For changes that must not change
# behaviour.
#   bench/same-output.sh OLD-PROGRAM NEW-PROGRAM [PAGES-FOLDER]
# PAGES-FOLDER holds the comparison pages (write_pages writes them); without it only the samples
# and the failure cases are compared. Exit 0 when everything is the same, 1 otherwise.
set -uo pipefail
cd "$(dirname "$0")/.."

old="$(realpath "$1")"
new="$(realpath "$2")"
pages="${3:-}"
work="$(mktemp -d)"
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$work}"

inputs=(samples/pen-digits.bmp samples/font-digits.bmp samples/font-digits.jpg)
[ -n "$pages" ] && inputs+=("$pages"/*.bmp)
echo "not a picture" >"$work/text.bmp"
mkdir -p "$work/locked" && chmod a-w "$work/locked"

# One run of one program: its stdout, stderr and exit code, and the picture it wrote.
run() {
    local program="$1" tag="$2"
    shift 2
    local out="$work/$tag"
    # Both programs are called by one path, since the help text names the program as called.
    ln -sfn "$program" "$work/umnoglaz"
    "$work/umnoglaz" "$@" >"$out.out" 2>"$out.err"
    echo $? >"$out.code"
    # The picture, when the run wrote one, goes beside the rest under a name of its own.
    if [ -f "$work/picture.png" ]; then mv "$work/picture.png" "$out.png"; fi
    if [ -f "$work/picture.bmp" ]; then mv "$work/picture.bmp" "$out.bmp"; fi
}

cases=()
for input in "${inputs[@]}"; do
    for method in turns learned; do
        for threads in 1 2; do
            cases+=("--recognize $input --method $method --threads $threads")
            cases+=("--recognize $input --method $method --threads $threads --json")
        done
        cases+=("--recognize $input --method $method --output $work/picture.png")
    done
done
cases+=(
    "--recognize samples/pen-digits.bmp --output $work/picture.bmp"
    "--recognize $work/missing.bmp"
    "--recognize $work/missing.bmp --json"
    "--recognize $work/text.bmp"
    "--recognize $work/text.bmp --method learned --json"
    "--recognize samples/pen-digits.bmp --output $work/locked/picture.png"
    "--recognize samples/pen-digits.bmp --output samples/pen-digits.bmp"
    "--recognize samples samples/pen-digits.bmp --json"
    "--recognize samples --method learned"
    "--recognize"
    "--method learned"
    "--recognize samples/pen-digits.bmp --method none"
    "--recognize samples/pen-digits.bmp --min-confidence 0.5"
    "--recognize samples/pen-digits.bmp --threads 0"
    "--recognize samples/pen-digits.bmp --max-memory 1X"
    "--recognize samples/pen-digits.bmp --max-memory 100K"
    "--help"
    "--version"
)

differ=0
n=0
for c in "${cases[@]}"; do
    n=$((n + 1))
    # shellcheck disable=SC2086 # each case is split into its arguments on purpose
    run "$old" "old$n" $c
    # shellcheck disable=SC2086
    run "$new" "new$n" $c
    for kind in out err code png bmp; do
        [ -f "$work/old$n.$kind" ] || [ -f "$work/new$n.$kind" ] || continue
        if ! cmp -s "$work/old$n.$kind" "$work/new$n.$kind"; then
            echo "differs ($kind): $c"
            differ=1
        fi
    done
    rm -f "$work"/old$n.* "$work"/new$n.*
done
if [ $differ -eq 0 ]; then
    echo "all $n cases give the same bytes"
fi
exit $differ
