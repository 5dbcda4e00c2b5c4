#!/usr/bin/env bash
# The bash completion offers exactly the options that --help lists, the two methods after
# --method, and folders and picture files where a picture goes.
#   completion.sh PROGRAM COMPLETION
set -euo pipefail
source "$(dirname "$0")/help-options.sh"
program="$1" completion="$2"
source "$completion"

failures=0
fail() { echo "$*" >&2; failures=$((failures + 1)); }

offered="$(printf '%s\n' $_umnoglaz_options | sort -u)"
listed="$(help_options "$program")"
[ "$offered" = "$listed" ] ||
    fail "completion options differ from --help:" $(diff <(echo "$listed") <(echo "$offered") |
        grep '^[<>]')

# What completing the last word offers, sorted, on one line.
complete_words()
{
    COMP_WORDS=(umnoglaz "$@")
    COMP_CWORD=$#
    _umnoglaz
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' ' -
}

folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT
cd "$folder"
mkdir scans
touch a.bmp B.JPG c.jpeg d.png notes.txt

# words typed (the last one being completed) | what is offered
while IFS='|' read -r words expected; do
    eval "set -- $words"
    got="$(complete_words "$@")"
    [ "$got" = "$expected" ] || fail "umnoglaz $words: offered '$got', expected '$expected'"
done <<'ROWS'
--meth|--method
--method ''|learned turns
--method = l|learned
-r ''|B.JPG a.bmp c.jpeg scans
''|B.JPG a.bmp c.jpeg scans
--output-dir ''|scans
--threads ''|
-o n|notes.txt
ROWS
[ $failures -eq 0 ] && echo "completion matches --help and completes methods and pictures"
