# Sourced by the tests: help_options PROGRAM prints, one a line and sorted, every option name
# that PROGRAM --help lists. Qt writes each option's names two spaces in, "-r, --recognize
# <PICTURE>  ...", and the wrapped descriptions further in.
help_options()
{
    "$1" --help | sed -n 's/^  \(-[^ ].*\)$/\1/p' | sed 's/  .*//; s/ <[^>]*>//; s/, /\n/g' |
        sort -u
}
