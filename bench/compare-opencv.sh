#!/usr/bin/env bash
# Times umnoglaz's headless command against the usual OpenCV program (bench/opencv) as whole
# processes on the same pages, alternately in the same run, and prints a table of medians,
# ratios and peak memory. Needs OpenCV and GNU time; installs them when missing.
#   bench/compare-opencv.sh [RUNS]        (default 7 runs of each program per page)
# UMNOGLAZ_ARGS adds options to every umnoglaz run, e.g. UMNOGLAZ_ARGS="--threads 1".
set -euo pipefail
cd "$(dirname "$0")/.."

runs="${1:-7}"
need=()
dpkg-query -W -f='${Status}' libopencv-dev 2>/dev/null | grep -q "install ok installed" ||
    need+=(libopencv-dev)
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q && $sudo apt-get install -y -q --no-install-recommends "${need[@]}"
fi
scripts/setup.sh test
scripts/build.sh release >/dev/null
bin=build/release
umnoglaz="$(find "$bin" -name umnoglaz -type f -perm -u+x | head -n 1)"
if [ ! -x "$bin/bench/opencv_outlines" ]; then
    echo "bench/opencv_outlines was not built: OpenCV was not found by CMake" >&2
    exit 1
fi

pages="$(mktemp -d)"
trap 'rm -rf "$pages"' EXIT
"$bin/bench/write_pages" "$pages" >/dev/null
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$pages}"

# One run: prints "milliseconds peak-kilobytes".
measure() {
    local memory start end
    memory="$(mktemp)"
    start=$EPOCHREALTIME
    /usr/bin/time -f %M -o "$memory" "$@" >/dev/null
    end=$EPOCHREALTIME
    echo "$(( (${end/./} - ${start/./}) / 1000 )) $(cat "$memory")"
    rm -f "$memory"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# shellcheck disable=SC2086 # UMNOGLAZ_ARGS is split on purpose
printf '| page | umnoglaz --json | OpenCV program | ratio | peak MB: text | --json | OpenCV |\n'
printf '|---|---|---|---|---|---|---|\n'
for page in "$pages"/*.bmp; do
    name="$(basename "$page" .bmp)"
    : >"$pages/u" ; : >"$pages/o"; : >"$pages/t"
    for _ in $(seq "$runs"); do
        measure "$umnoglaz" --recognize "$page" --json ${UMNOGLAZ_ARGS:-} >>"$pages/u"
        measure "$bin/bench/opencv_outlines" "$page" >>"$pages/o"
    done
    measure "$umnoglaz" --recognize "$page" ${UMNOGLAZ_ARGS:-} >>"$pages/t"
    u="$(cut -d' ' -f1 "$pages/u" | median)"
    o="$(cut -d' ' -f1 "$pages/o" | median)"
    ujson_mb="$(cut -d' ' -f2 "$pages/u" | sort -n | tail -n 1)"
    o_mb="$(cut -d' ' -f2 "$pages/o" | sort -n | tail -n 1)"
    t_mb="$(cut -d' ' -f2 "$pages/t")"
    awk -v n="$name" -v u="$u" -v o="$o" -v t="$t_mb" -v j="$ujson_mb" -v m="$o_mb" 'BEGIN {
        printf "| %s | %d ms | %d ms | %.2f | %d | %d | %d |\n", n, u, o, u / o, t / 1024, j / 1024, m / 1024 }'
done
