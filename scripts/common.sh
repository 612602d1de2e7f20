# Shared by scripts/run and scripts/test: the Debian packages Tessaly needs, and the build.
# shellcheck shell=bash

TESSALY_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

TESSALY_PACKAGES=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-multimedia-dev qt6-qpa-plugins
    libqt6svg6 libgl-dev qt6-translations-l10n
    imagemagick libheif-examples xdg-utils
    fonts-noto-cjk
    xvfb xauth x11-utils xdotool
    at-spi2-core python3 python3-pyatspi dbus-x11
)
# What scripts/test checks the tree with besides the GCC build: the formatter, a second compiler,
# and what writes EXIF orientations into the photos the tests make.
# shellcheck disable=SC2034 # read by the scripts that source this file
TESSALY_TEST_TOOLS=(clang clang-format libimage-exiftool-perl)
# What checks the Debian package (scripts/package, scripts/test-package) besides the above.
# shellcheck disable=SC2034 # read by the scripts that source this file
TESSALY_PACKAGE_TOOLS=(file lintian desktop-file-utils appstream)

# Only for scripts/windows: the MinGW-w64 cross compilers, what unpacks Debian's sources and
# assembles libjpeg-turbo's SIMD code, the installer maker, Wine with its own fonts (Tahoma
# among them, as on Windows) to run the result, and zip.
TESSALY_WINDOWS_PACKAGES=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 dpkg-dev nasm
    nsis wine wine64 fonts-wine zip xz-utils
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

ensure_packages() {
    local missing=() package
    for package in "${TESSALY_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null; then
        local install="su -c 'apt-get update && apt-get install -y ${missing[*]}'"
        echo "安装软件包需要 root 权限：请运行 $install，然后再运行 $0（或直接 su -c '$0'）。" \
             "/ Installing packages needs root: run $install, then $0 again (or su -c '$0')." >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    # Several checkouts may install at once: wait for the package lock rather than fail.
    as_root apt-get -o DPkg::Lock::Timeout=600 update -qq
    as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
}

# configure_and_build BUILD_DIR [cmake options...]
configure_and_build() {
    local build_dir=$1
    shift
    # Objects are shared between checkouts of the tree (a second clone, CI's fresh one), so an
    # unchanged file is compiled once per machine.
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$TESSALY_ROOT")}
    export CCACHE_NOHASHDIR=true
    cmake -S "$TESSALY_ROOT" -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@"
    cmake --build "$build_dir" --parallel "$(nproc)"
}
