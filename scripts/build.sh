#!/usr/bin/env bash
# Configures and builds one flavour of the project into build/<flavour>.
#   release   optimised build (the default)
#   asan      AddressSanitizer + UndefinedBehaviorSanitizer, with debug information
#   fuzz      clang with libFuzzer targets
# "scripts/build.sh release program" builds the program alone, without the test programs and
# benchmarks (and so without their packages), as scripts/run.sh does.
set -euo pipefail
cd "$(dirname "$0")/.."

flavour="${1:-release}"
parts=(-DUMNOGLAZ_BUILD_TESTS=ON -DUMNOGLAZ_BUILD_BENCH=ON)
if [ "${2:-}" = program ]; then
    parts=(-DUMNOGLAZ_BUILD_TESTS=OFF -DUMNOGLAZ_BUILD_BENCH=OFF)
fi
case "$flavour" in
    release) options=("${parts[@]}" -DCMAKE_BUILD_TYPE=Release) ;;
    asan) options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DUMNOGLAZ_SANITIZE=ON -DUMNOGLAZ_BUILD_BENCH=OFF) ;;
    fuzz) options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DUMNOGLAZ_FUZZ=ON -DUMNOGLAZ_BUILD_TESTS=OFF
                   -DUMNOGLAZ_BUILD_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
    *) echo "unknown build flavour: $flavour" >&2; exit 2 ;;
esac

cmake -S . -B "build/$flavour" "${options[@]}" >/dev/null
cmake --build "build/$flavour" --parallel "$(nproc)"
