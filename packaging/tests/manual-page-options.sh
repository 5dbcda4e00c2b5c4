#!/usr/bin/env bash
# The manual page has an entry for every option that the program's --help lists, and none for
# an option that it no longer has.
#   manual-page-options.sh PROGRAM PAGE        PAGE: the roff that scdoc wrote
set -euo pipefail
source "$(dirname "$0")/help-options.sh"
program="$1" page="$2"

# The entries of the OPTIONS section are the lines that start with a bold option, such as
# "\fB-r\fR, \fB--recognize\fR \fIPICTURE\fR"; every bold option on such a line is documented.
documented="$(sed -n '/^\.SH "\{0,1\}OPTIONS/,/^\.SH /p' "$page" | grep '^\\fB-' |
    grep -o '\\fB-[^\\]*\\fR' | sed 's/^\\fB//; s/\\fR$//' | sort -u)" || true
listed="$(help_options "$program")"
[ -n "$listed" ] || { echo "$program --help lists no options" >&2; exit 1; }

missing="$(comm -23 <(echo "$listed") <(echo "$documented"))"
stale="$(comm -13 <(echo "$listed") <(echo "$documented"))"
[ -z "$missing" ] || echo "in --help but not in the manual page:" $missing >&2
[ -z "$stale" ] || echo "in the manual page but not in --help:" $stale >&2
[ -z "$missing$stale" ] || exit 1
echo "$(echo "$listed" | wc -l) options from --help, each with its entry in the manual page"
