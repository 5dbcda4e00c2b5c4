#!/usr/bin/env bash
# Builds the fuzz flavour when needed and runs each fuzz target for a short time (FUZZ_SECONDS,
# 60 by default) over its committed corpus. New inputs go to a scratch folder, so the committed
# corpus only changes by hand. A crash stops the script with the fuzzer's report.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
scripts/build.sh fuzz

for target in bmp_reader load_bmp load_jpeg recognize_all load_and_read glyphs; do
    scratch="$(mktemp -d)"
    echo "fuzz_$target: ${seconds}s over fuzz/corpus/$target"
    # Fuzz builds charge everything against a small memory budget (24 MiB); the RSS limit
    # leaves room for the sanitizers' own memory.
    if ! build/fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -rss_limit_mb=2560 \
        -timeout=30 -max_len=65536 -print_final_stats=1 -artifact_prefix="$scratch/" \
        "$scratch" "fuzz/corpus/$target" >"$scratch/log" 2>&1; then
        tail -n 60 "$scratch/log" >&2
        echo "fuzz_$target failed; its inputs are in $scratch" >&2
        exit 1
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$scratch/log" || true
    rm -rf "$scratch"
done
