#!/usr/bin/env bash
# The changelog's newest entry is for the version that the program prints.
#   changelog-version.sh PROGRAM CHANGELOG
set -euo pipefail
printed="$("$1" --version)"
entry="$(sed -n '1s/^umnoglaz (\([^)]*\)).*/\1/p' "$2")"
if [ "$printed" != "umnoglaz $entry" ]; then
    echo "$1 --version prints '$printed', the changelog's newest entry is for '$entry'" >&2
    exit 1
fi
echo "changelog and --version agree on $entry"
