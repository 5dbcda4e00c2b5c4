#!/usr/bin/env bash
# Peak memory (maximum resident set, GNU time) of the headless command's text and JSON reports
# on the comparison pages, with each method, and JSON's ratio to text.
#   bench/peak-memory.sh [UMNOGLAZ]      (default: the release build's program)
# UMNOGLAZ_ARGS replaces the options added to every run (default "--threads 1").
set -euo pipefail
cd "$(dirname "$0")/.."

[ -x /usr/bin/time ] || { echo "needs GNU time (/usr/bin/time, Debian package time)" >&2; exit 1; }
bin=build/release
umnoglaz="${1:-$bin/app/umnoglaz}"
if [ ! -x "$umnoglaz" ] || [ ! -x "$bin/bench/write_pages" ]; then
    scripts/build.sh release >/dev/null
fi

pages="$(mktemp -d)"
trap 'rm -rf "$pages"' EXIT
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$pages}"
"$bin/bench/write_pages" "$pages" >/dev/null

# Peak resident megabytes of one run, its output thrown away.
peak() {
    /usr/bin/time -f %M -o "$pages/kb" "$@" >/dev/null
    echo $(( $(cat "$pages/kb") / 1024 ))
}

printf '| page | method | peak MB: text | --json | ratio |\n|---|---|---|---|---|\n'
for page in "$pages"/*.bmp; do
    for method in turns learned; do
        # shellcheck disable=SC2086 # UMNOGLAZ_ARGS is split on purpose
        text="$(peak "$umnoglaz" --recognize "$page" --method "$method" ${UMNOGLAZ_ARGS:---threads 1})"
        # shellcheck disable=SC2086
        json="$(peak "$umnoglaz" --recognize "$page" --method "$method" --json ${UMNOGLAZ_ARGS:---threads 1})"
        awk -v p="$(basename "$page" .bmp)" -v m="$method" -v t="$text" -v j="$json" \
            'BEGIN { printf "| %s | %s | %d | %d | %.2f |\n", p, m, t, j, j / t }'
    done
done
