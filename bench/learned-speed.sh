#!/usr/bin/env bash
# Times the headless command with the learned method against the turns method, as whole
# processes on one thread, on the dense page of separate digits and on a dense page of
# seven-segment numbers, alternately in the same run, and prints the medians and their ratio.
#   bench/learned-speed.sh [RUNS]        (default 5 runs of each method per page)
set -euo pipefail
cd "$(dirname "$0")/.."

runs="${1:-5}"
bin=build/release
scripts/build.sh release >/dev/null
pages="$(mktemp -d)"
trap 'rm -rf "$pages"' EXIT
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$pages}"
"$bin/bench/write_pages" "$pages" >/dev/null
"$bin/bench/write_segment_page" "$pages/segments-4000x3000.bmp"

# One run: milliseconds.
measure() {
    local start end
    start=$EPOCHREALTIME
    "$@" >/dev/null
    end=$EPOCHREALTIME
    echo $(( (${end/./} - ${start/./}) / 1000 ))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '| page | turns | learned | ratio |\n|---|---|---|---|\n'
for name in digits-4000x3000 segments-4000x3000; do
    : >"$pages/t"; : >"$pages/l"
    for _ in $(seq "$runs"); do
        measure "$bin/app/umnoglaz" --recognize "$pages/$name.bmp" --threads 1 >>"$pages/t"
        measure "$bin/app/umnoglaz" --recognize "$pages/$name.bmp" --threads 1 --method learned >>"$pages/l"
    done
    t="$(median <"$pages/t")"; l="$(median <"$pages/l")"
    awk -v n="$name" -v t="$t" -v l="$l" 'BEGIN { printf "| %s | %d ms | %d ms | %.2f |\n", n, t, l, l / t }'
done
