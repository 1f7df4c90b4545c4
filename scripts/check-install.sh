#!/usr/bin/env bash
# Uses a built tree as a host's developer would: installs it into a temporary prefix and builds
# and runs examples/host against it, once through find_package and once through pkg-config, and,
# when the build has the Qt widget, examples/qt-host the same two ways on Qt's offscreen platform;
# then makes the Debian package, checks what it holds and depends on, installs it into this
# machine with apt (as root; no chroot or container is made here), builds and runs the examples
# against /usr, and removes the package.
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
# Qt wants a private runtime folder, which a CI job or a root shell may not have.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$work/runtime
  mkdir -m 700 "$XDG_RUNTIME_DIR"
fi

fail() {
  echo "check-install: $*" >&2
  exit 1
}

# SRREPORT send runs srreport-send: a peer that refuses the connection is a network error (5),
# where a missing srreport-send would be a failure of the program (1).
check_send() {
  local status=0
  "$1" send "$work/srreport.dcm" --to PACS@127.0.0.1:1 --timeout 5 2>/dev/null || status=$?
  [ "$status" = 5 ] || fail "$1 send to a closed port exited $status, not 5"
}

# The Qt widget and srreport-gui are built when Qt 6 Widgets was found (or asked for).
with_qt=no
if grep -Eqi '^SRCTRL_BUILD_QT:BOOL=(ON|TRUE|YES|Y|1)$' "$build/CMakeCache.txt"; then
  with_qt=yes
fi

# The folder of libsrctrl.so in an installed tree.
library_dir() {
  dirname "$(find "$1" -name 'libsrctrl.so' | head -n 1)"
}

# A report an example wrote: a Basic Text SR document with the finding.
check_finding() {
  # grep reads all of dsrdump's output: an early exit would fail the pipe under pipefail.
  dsrdump "$work/$1.dcm" 2>/dev/null | grep -c 'No acute findings.' >/dev/null ||
    fail "$1.dcm holds no finding"
}

# ... and, from examples/host, a one-page PDF.
check_output() {
  check_finding "$1"
  [ "$(pdfinfo "$work/$1.pdf" | sed -n 's/^Pages: *//p')" = 1 ] || fail "$1.pdf is not a one-page PDF"
}

# examples/qt-host, built as PROGRAM, writes NAME.dcm on Qt's offscreen platform.
run_qt_host() {
  QT_QPA_PLATFORM=offscreen "$1" --check "$image" "$work/$2.dcm"
  check_finding "$2"
}

# The Qt part of an installed tree: ROOT (the prefix), LIBDIR (where libsrctrl.so lies).
check_qt_files() {
  local root=$1 libdir=$2 file
  for file in "$libdir/libsrctrl-qt.so.0" "$libdir/cmake/srctrl/srctrlQtTargets.cmake" \
      "$libdir/pkgconfig/srctrl-qt.pc" "$root/include/srctrl/qt/SrReportWidget.h" \
      "$root/bin/srreport-gui" "$root/share/applications/srreport-gui.desktop"; do
    [ -e "$file" ] || fail "${file#"$root"/} is missing from $root"
  done
}

# srreport-gui BINARY runs and answers --help, without a display.
check_gui_help() {
  local help
  help=$(QT_QPA_PLATFORM=offscreen "$1" --help) || fail "$1 --help failed"
  [[ $help == *"Usage: "*srreport-gui* ]] || fail "$1 --help printed '$help'"
}

# pkg-config's flags for MODULE, with the folders made real paths.
resolved_flags() {
  local flag resolved=()
  for flag in $(pkg-config --cflags --libs "$1"); do
    case $flag in
      -I*|-L*) resolved+=("${flag:0:2}$(realpath "${flag:2}")") ;;
      *) resolved+=("$flag") ;;
    esac
  done
  echo "${resolved[*]}"
}

# Compiles SOURCE into PROGRAM with pkg-config's flags for MODULE, as a Makefile host would.
compile_with() {
  local words
  read -ra words <<<"$(pkg-config --cflags --libs "$1")"
  c++ -std=c++17 "$2" "${words[@]}" -o "$3"
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(library_dir "$prefix")

cmake -S examples/host -B "$work/cmake-host" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-host" >/dev/null
"$work/cmake-host/report-host" "$image" "$work/cmake.dcm" "$work/cmake.pdf"
check_output cmake

# pkg-config gives the host the include folder and the library, and nothing private.
export PKG_CONFIG_PATH=$libdir/pkgconfig
flags=$(resolved_flags srctrl)
[ "$flags" = "-I$prefix/include -L$libdir -lsrctrl" ] || fail "pkg-config srctrl gives '$flags'"
compile_with srctrl examples/host/main.cpp "$work/pkg-config-host"
LD_LIBRARY_PATH=$libdir "$work/pkg-config-host" "$image" "$work/pkg-config.dcm" "$work/pkg-config.pdf"
check_output pkg-config
unset PKG_CONFIG_PATH

# srreport runs from the installed tree and finds the installed skins, and its send subcommand
# finds srreport-send among the helper programs.
"$prefix/bin/srreport" new --image "$image" --finding "No acute findings." -o "$work/srreport.dcm" >/dev/null
check_finding srreport
check_send "$prefix/bin/srreport"

# A host without Qt: the library links no Qt, and find_package(srctrl) without the component
# looks for none. Qt is installed on this machine, so its absence is simulated by turning off
# find_package(Qt6); a Qt host then fails to configure, saying why.
needed=$(readelf -d "$libdir/libsrctrl.so.0")
[[ $needed != *libQt6* ]] || fail "libsrctrl.so.0 links Qt"
cmake -S examples/host -B "$work/no-qt-host" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON \
  --no-warn-unused-cli >/dev/null ||
  fail "find_package(srctrl) fails without Qt"

if [ "$with_qt" = yes ]; then
  if cmake -S examples/qt-host -B "$work/no-qt-qt-host" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON >"$work/no-qt-qt-host.log" 2>&1; then
    fail "find_package(srctrl COMPONENTS qt) succeeds without Qt"
  fi
  grep -c 'needs Qt 6 Widgets' "$work/no-qt-qt-host.log" >/dev/null ||
    fail "find_package(srctrl COMPONENTS qt) fails without Qt, but gives no reason"

  # The Qt widget serves a Qt host through find_package and through pkg-config.
  check_qt_files "$prefix" "$libdir"
  cmake -S examples/qt-host -B "$work/cmake-qt-host" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$work/cmake-qt-host" >/dev/null
  run_qt_host "$work/cmake-qt-host/report-qt-host" cmake-qt

  export PKG_CONFIG_PATH=$libdir/pkgconfig
  flags=$(resolved_flags srctrl-qt)
  for want in "-I$prefix/include" "-L$libdir" -lsrctrl-qt -lsrctrl -lQt6Widgets; do
    [[ " $flags " == *" $want "* ]] || fail "pkg-config srctrl-qt gives '$flags', without $want"
  done
  compile_with srctrl-qt examples/qt-host/main.cpp "$work/pkg-config-qt-host"
  LD_LIBRARY_PATH=$libdir run_qt_host "$work/pkg-config-qt-host" pkg-config-qt
  unset PKG_CONFIG_PATH

  check_gui_help "$prefix/bin/srreport-gui"
else
  echo "check-install: the build has no Qt widget (SRCTRL_BUILD_QT is off); its checks are skipped" >&2
fi

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(ls "$work"/srctrl_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libdcmtk* ]] || fail "the package depends on '$depends', not on DCMTK"
# libcups is loaded on demand, so the package names it itself.
[[ $depends == *libcups2* ]] || fail "the package depends on '$depends', not on libcups2"
if [ "$with_qt" = yes ]; then
  for qt_library in libqt6core6 libqt6gui6 libqt6widgets6; do
    [[ $depends == *"$qt_library"* ]] || fail "the package depends on '$depends', not on $qt_library"
  done
  dpkg-deb -x "$deb" "$work/deb-tree"
  check_qt_files "$work/deb-tree/usr" "$(library_dir "$work/deb-tree/usr")"
fi
echo "check-install: $(basename "$deb") depends on: $depends"

if [ "$(id -u)" -ne 0 ]; then
  echo "check-install: not root; the Debian package was made but not installed" >&2
  exit 0
fi
if dpkg-query -W -f='${Status}' srctrl 2>/dev/null | grep -q 'install ok installed'; then
  fail "a srctrl package is installed already; not replacing it"
fi
apt-get install -y -qq "$deb" >/dev/null
package_installed=yes
cmake -S examples/host -B "$work/deb-host" >/dev/null
cmake --build "$work/deb-host" >/dev/null
"$work/deb-host/report-host" "$image" "$work/deb.dcm" "$work/deb.pdf"
check_output deb
pkg-config --exists srctrl
srreport new --image "$image" --finding "No acute findings." -o "$work/deb-srreport.dcm" >/dev/null
check_finding deb-srreport
check_send srreport
if [ "$with_qt" = yes ]; then
  cmake -S examples/qt-host -B "$work/deb-qt-host" >/dev/null
  cmake --build "$work/deb-qt-host" >/dev/null
  run_qt_host "$work/deb-qt-host/report-qt-host" deb-qt
  pkg-config --exists srctrl-qt
  [ "$(command -v srreport-gui)" = /usr/bin/srreport-gui ] || fail "srreport-gui is not /usr/bin/srreport-gui"
  check_gui_help srreport-gui
fi
echo "check-install: installed tree, pkg-config and Debian package all serve a host (Qt widget: $with_qt)"
