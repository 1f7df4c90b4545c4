#!/usr/bin/env bash
# Uses a built tree as a host's developer would: installs it into a temporary prefix and builds
# and runs examples/host against it, once through find_package and once through pkg-config;
# then makes the Debian package, installs it into this machine with apt (as root; no chroot or
# container is made here), builds and runs the example against /usr, and removes the package.
#   scripts/check-install.sh [BUILD_DIR]     (default build/, as scripts/test.sh leaves it)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
image=$PWD/sample/sample-image.dcm
work=$(mktemp -d)
package_installed=no
cleanup() {
  if [ "$package_installed" = yes ]; then
    apt-get purge -y -qq srctrl >/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# A report the example wrote: a Basic Text SR document with the finding, and a one-page PDF.
check_output() {
  local name=$1
  # grep reads all of dsrdump's output: an early exit would fail the pipe under pipefail.
  dsrdump "$work/$name.dcm" 2>/dev/null | grep -c 'No acute findings.' >/dev/null ||
    { echo "check-install: $name.dcm holds no finding" >&2; exit 1; }
  [ "$(pdfinfo "$work/$name.pdf" | sed -n 's/^Pages: *//p')" = 1 ] ||
    { echo "check-install: $name.pdf is not a one-page PDF" >&2; exit 1; }
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libsrctrl.so' | head -n 1)")

cmake -S examples/host -B "$work/cmake-host" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-host" >/dev/null
"$work/cmake-host/report-host" "$image" "$work/cmake.dcm" "$work/cmake.pdf"
check_output cmake

# pkg-config gives the host the include folder and the library, and nothing private.
export PKG_CONFIG_PATH=$libdir/pkgconfig
flags=$(pkg-config --cflags --libs srctrl)
resolved=()
for flag in $flags; do
  case $flag in
    -I*|-L*) resolved+=("${flag:0:2}$(realpath "${flag:2}")") ;;
    *) resolved+=("$flag") ;;
  esac
done
[ "${resolved[*]}" = "-I$prefix/include -L$libdir -lsrctrl" ] ||
  { echo "check-install: pkg-config srctrl gives '$flags'" >&2; exit 1; }
c++ -std=c++17 examples/host/main.cpp $flags -o "$work/pkg-config-host"
LD_LIBRARY_PATH=$libdir "$work/pkg-config-host" "$image" "$work/pkg-config.dcm" "$work/pkg-config.pdf"
check_output pkg-config
unset PKG_CONFIG_PATH

# srreport runs from the installed tree and finds the installed skins.
"$prefix/bin/srreport" new --image "$image" --finding "No acute findings." -o "$work/srreport.dcm" >/dev/null
dsrdump "$work/srreport.dcm" 2>/dev/null | grep -c 'No acute findings.' >/dev/null

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(ls "$work"/srctrl_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends" | grep -q libdcmtk ||
  { echo "check-install: the package depends on '$depends', not on DCMTK" >&2; exit 1; }
echo "check-install: $(basename "$deb") depends on: $depends"

if [ "$(id -u)" -ne 0 ]; then
  echo "check-install: not root; the Debian package was made but not installed" >&2
  exit 0
fi
if dpkg-query -W -f='${Status}' srctrl 2>/dev/null | grep -q 'install ok installed'; then
  echo "check-install: a srctrl package is installed already; not replacing it" >&2
  exit 1
fi
apt-get install -y -qq "$deb" >/dev/null
package_installed=yes
cmake -S examples/host -B "$work/deb-host" >/dev/null
cmake --build "$work/deb-host" >/dev/null
"$work/deb-host/report-host" "$image" "$work/deb.dcm" "$work/deb.pdf"
check_output deb
pkg-config --exists srctrl
srreport new --image "$image" --finding "No acute findings." -o "$work/deb-srreport.dcm" >/dev/null
echo "check-install: installed tree, pkg-config and Debian package all serve a host"
