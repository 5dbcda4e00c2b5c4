#!/usr/bin/env bash
# Installs the Debian packages that are missing, for one of three uses:
#   run      building and running the program (the default; scripts/run.sh)
#   test     that, and what the tests, benchmarks, fuzz targets and the end-to-end test add
#            (scripts/test.sh)
#   package  building the program, its installed files and its Debian package, and checking
#            them (scripts/package.sh, packaging/check-install.sh)
#   only PACKAGE...
#            the packages named, for the scripts with needs of their own (training, the
#            evaluation pages, the peers)
# Safe to run again: it does nothing when everything is there.
set -euo pipefail

use="${1:-run}"
run_packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-qpa-plugins libgl-dev    # QtGui, QtWidgets, QtTest and the xcb/offscreen platforms
    libjpeg62-turbo-dev                       # JPEG decoding
    libopencv-dnn-dev                         # runs the trained digit network
    libopencv-imgproc-dev                     # the ink step's filters
    fonts-dejavu-core                         # the label and window font
)
test_packages=(
    libgtest-dev libbenchmark-dev             # tests and benchmarks
    clang libclang-rt-14-dev                  # fuzz targets (libFuzzer)
    xvfb xauth xdotool x11-apps imagemagick   # the end-to-end test under a real X server
    xclip                                     # ... reading the numbers it copies
    scdoc                                     # the manual page, checked against --help
)
package_packages=(
    scdoc librsvg2-bin                        # the manual page and the PNG icon
    desktop-file-utils appstream lintian      # checking the desktop entry, metainfo, package
    debootstrap                               # a clean Debian root to install the package in
)
case "$use" in
    run) packages=("${run_packages[@]}") ;;
    test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
    package) packages=("${run_packages[@]}" "${package_packages[@]}") ;;
    only) packages=("${@:2}") ;;
    *) echo "usage: scripts/setup.sh [run|test|package|only PACKAGE...]" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
