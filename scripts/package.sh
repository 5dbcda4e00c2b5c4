#!/usr/bin/env bash
# Builds the Debian package build/package/umnoglaz_<version>_<arch>.deb and checks it: the
# program alone is built in build/package with Debian's compiler and linker flags, CPack's DEB
# generator packs what "cmake --install" installs, and then the desktop entry, the AppStream
# metainfo (as packed) and the package itself are validated. Installs what is missing first
# (scripts/setup.sh package). Prints the package's path last.
#
# Installing it in a clean Debian root is packaging/check-install.sh (as root).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh package

# Debian's hardening flags (stack protector, fortified functions, read-only relocations, bind
# now); the project's own Release flags come after them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
build=build/package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DUMNOGLAZ_PACKAGE=ON \
    -DUMNOGLAZ_BUILD_TESTS=OFF -DUMNOGLAZ_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/umnoglaz_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls "$build"/umnoglaz_*.deb)"

# The files as they are packed.
unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb --extract "$deb" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/umnoglaz.desktop"
appstreamcli validate --no-net --pedantic "$unpacked"/usr/share/metainfo/*.metainfo.xml
# Errors fail; warnings and notes are shown.
lintian --fail-on error --info "$deb"
echo "$deb"
