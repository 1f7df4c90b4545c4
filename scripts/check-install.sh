#!/usr/bin/env bash
# Uses a built tree as a host's developer would, then its Debian packages as a viewer's developer
# and an administrator would:
#  1. installs the build into a temporary prefix and builds and runs examples/host (and, when the
#     build has the Qt widget, examples/qt-host on Qt's offscreen platform) against it, through
#     find_package and through pkg-config;
#  2. makes the Debian packages (cpack), checks their files, dependencies, stripping and debug
#     symbols with dpkg-deb, and runs lintian on them: no error, and no warning that the README
#     does not name;
#  3. as root, in a clean Debian root made with debootstrap --variant=minbase (on this machine
#     when debootstrap cannot make one, or when SRCTRL_CHECK_ROOT=host): installs libsrctrl-dev
#     alone and builds and runs examples/host without Qt, then the Qt packages and
#     examples/qt-host, then srreport and srreport-gui; a Chinese finding printed there must come
#     back from pdftotext.
#   scripts/check-install.sh [BUILD_DIR]     (default build/, as scripts/test.sh leaves it)
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
build=$(realpath "${1:-build}")
image=$source/sample/sample-image.dcm
# The ABI version: in the SONAME and the runtime packages' names.
abi=$(grep -Po '^set\(SRCTRL_ABI_VERSION \K[0-9]+' "$source/CMakeLists.txt")
work=$(mktemp -d)
root=""                 # the clean root's folder; "" while this machine is the root
installed_here=()       # packages installed into this machine, removed at the end
# Unmounts the clean root's /proc and deletes the root, never through a mount that is still there.
drop_root() {
  [ -n "$root" ] || return 0
  if mountpoint -q "$root/proc"; then
    umount "$root/proc" || true
  fi
  if grep -q " $root/" /proc/mounts; then
    echo "check-install: $root still has mounts; left in place" >&2
    return 1
  fi
  rm -rf "$root"
  root=""
}
cleanup() {
  if [ ${#installed_here[@]} -gt 0 ]; then
    apt-get purge -y -qq "${installed_here[@]}" >/dev/null || true
  fi
  drop_root && rm -rf "$work"
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
# where a missing srreport-send would be a failure of the program (1). RUN runs the program
# where it is installed (in the clean root or here); REPORT is the report's path there.
check_send() {
  local status=0
  "$@" send "$report_there" --to PACS@127.0.0.1:1 --timeout 5 2>/dev/null || status=$?
  [ "$status" = 5 ] || fail "$* send to a closed port exited $status, not 5"
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
  dsrdump "$1.dcm" 2>/dev/null | grep -c 'No acute findings.' >/dev/null || fail "$1.dcm holds no finding"
}

# ... and, from examples/host, a one-page PDF.
check_output() {
  check_finding "$1"
  [ "$(pdfinfo "$1.pdf" | sed -n 's/^Pages: *//p')" = 1 ] || fail "$1.pdf is not a one-page PDF"
}

# The Qt part of an installed tree: ROOT (the prefix), LIBDIR (where libsrctrl.so lies).
check_qt_files() {
  local root=$1 libdir=$2 file
  for file in "$libdir/libsrctrl-qt.so.$abi" "$libdir/cmake/srctrl/srctrlQtTargets.cmake" \
      "$libdir/pkgconfig/srctrl-qt.pc" "$root/include/srctrl/qt/SrReportWidget.h" \
      "$root/bin/srreport-gui" "$root/share/applications/srreport-gui.desktop"; do
    [ -e "$file" ] || fail "${file#"$root"/} is missing from $root"
  done
}

# srreport-gui answers --help without a display: run as COMMAND... (Qt's offscreen platform).
check_gui_help() {
  local help
  help=$("$@" --help) || fail "$* --help failed"
  [[ $help == *"Usage: "*srreport-gui* ]] || fail "$* --help printed '$help'"
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

# --- 1. An installed tree in a temporary prefix --------------------------------------------------

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(library_dir "$prefix")
[ "${libdir#"$prefix"/}" = "$(grep -Po '^CMAKE_INSTALL_LIBDIR:PATH=\K.*' "$build/CMakeCache.txt")" ] ||
  fail "libsrctrl.so is in $libdir"

cmake -S examples/host -B "$work/cmake-host" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-host" >/dev/null
"$work/cmake-host/report-host" "$image" "$work/cmake.dcm" "$work/cmake.pdf"
check_output "$work/cmake"

# pkg-config gives the host the include folder and the library, and nothing private.
export PKG_CONFIG_PATH=$libdir/pkgconfig
flags=$(resolved_flags srctrl)
[ "$flags" = "-I$prefix/include -L$libdir -lsrctrl" ] || fail "pkg-config srctrl gives '$flags'"
compile_with srctrl examples/host/main.cpp "$work/pkg-config-host"
LD_LIBRARY_PATH=$libdir "$work/pkg-config-host" "$image" "$work/pkg-config.dcm" "$work/pkg-config.pdf"
check_output "$work/pkg-config"
unset PKG_CONFIG_PATH

# srreport runs from the installed tree and finds the installed skins, and its send subcommand
# finds srreport-send among the helper programs.
report_there=$work/srreport.dcm
"$prefix/bin/srreport" new --image "$image" --finding "No acute findings." -o "$report_there" >/dev/null
check_finding "$work/srreport"
check_send "$prefix/bin/srreport"

# A host without Qt: the library links no Qt, and find_package(srctrl) without the component
# looks for none (Qt's absence simulated here by turning off find_package(Qt6); the clean root
# below has no Qt at all); a Qt host is then refused, saying why.
needed=$(readelf -d "$libdir/libsrctrl.so.$abi")
[[ $needed != *libQt6* ]] || fail "libsrctrl.so.$abi links Qt"
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

  check_qt_files "$prefix" "$libdir"
  cmake -S examples/qt-host -B "$work/cmake-qt-host" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$work/cmake-qt-host" >/dev/null
  QT_QPA_PLATFORM=offscreen "$work/cmake-qt-host/report-qt-host" --check "$image" "$work/cmake-qt.dcm"
  check_finding "$work/cmake-qt"

  export PKG_CONFIG_PATH=$libdir/pkgconfig
  flags=$(resolved_flags srctrl-qt)
  for want in "-I$prefix/include" "-L$libdir" -lsrctrl-qt -lsrctrl -lQt6Widgets; do
    [[ " $flags " == *" $want "* ]] || fail "pkg-config srctrl-qt gives '$flags', without $want"
  done
  compile_with srctrl-qt examples/qt-host/main.cpp "$work/pkg-config-qt-host"
  LD_LIBRARY_PATH=$libdir QT_QPA_PLATFORM=offscreen "$work/pkg-config-qt-host" --check "$image" \
    "$work/pkg-config-qt.dcm"
  check_finding "$work/pkg-config-qt"
  unset PKG_CONFIG_PATH

  check_gui_help env QT_QPA_PLATFORM=offscreen "$prefix/bin/srreport-gui"
else
  echo "check-install: the build has no Qt widget (SRCTRL_BUILD_QT is off); its checks are skipped" >&2
fi

# --- 2. The Debian packages ----------------------------------------------------------------------

packages=$work/packages
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$packages" >"$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$work/cpack.log")"
rm -rf "$packages/_CPack_Packages"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
version=$(grep -Po '^CMAKE_PROJECT_VERSION:STATIC=\K.*' "$build/CMakeCache.txt")
names=(libsrctrl$abi libsrctrl-dev srreport)
if [ "$with_qt" = yes ]; then
  names+=(libsrctrl-qt$abi libsrctrl-qt-dev srreport-gui)
fi
deb() { echo "$packages/$1_${version}_$(dpkg --print-architecture).$2"; }
field() { dpkg-deb -f "$(deb "$1" deb)" "$2"; }
control() { dpkg-deb --ctrl-tarfile "$(deb "$1" deb)" | tar -xO "./$2" 2>/dev/null || true; }
for name in "${names[@]}"; do
  [ -f "$(deb "$name" deb)" ] || fail "no package $name among: $(ls "$packages")"
  mkdir -p "$work/tree/$name"
  dpkg-deb -x "$(deb "$name" deb)" "$work/tree/$name"
done

# The runtime's dependencies: libcups2 (loaded on demand) once, a CJK font, DCMTK; its shlibs
# let hosts run with every later release, and libc's ldconfig trigger replaces maintainer scripts.
depends=$(field libsrctrl$abi Depends)
[ "$(grep -o 'libcups2' <<<"$depends" | wc -l)" = 1 ] || fail "libsrctrl$abi depends on '$depends': libcups2 not once"
[[ $depends == *fonts-wqy-microhei* && $depends == *libdcmtk* ]] || fail "libsrctrl$abi depends on '$depends'"
[ "$(control libsrctrl$abi shlibs)" = "libsrctrl $abi libsrctrl$abi (>= $version)" ] ||
  fail "libsrctrl$abi's shlibs: $(control libsrctrl$abi shlibs)"
[ "$(control libsrctrl$abi triggers)" = "activate-noawait ldconfig" ] && [ -z "$(control libsrctrl$abi postinst)" ] ||
  fail "libsrctrl$abi does not activate the ldconfig trigger alone"
[ -e "$work/tree/libsrctrl$abi/usr/lib/$multiarch/libsrctrl.so.$abi" ] &&
  [ -e "$work/tree/libsrctrl-dev/usr/lib/$multiarch/pkgconfig/srctrl.pc" ] ||
  fail "the library or srctrl.pc is not in usr/lib/$multiarch"
[ -e "$work/tree/srreport/usr/share/man/man1/srreport.1.gz" ] || fail "srreport has no manual page"
if [ "$with_qt" = yes ]; then
  [ -e "$work/tree/srreport-gui/usr/share/man/man1/srreport-gui.1.gz" ] || fail "srreport-gui has no manual page"
  icon=$(sed -n 's/^Icon=//p' "$work/tree/srreport-gui/usr/share/applications/srreport-gui.desktop")
  [ -n "$icon" ] && compgen -G "$work/tree/srreport-gui/usr/share/icons/hicolor/*/apps/$icon.*" >/dev/null ||
    fail "srreport-gui's desktop entry names no icon it ships"
fi

# Every program and library is stripped, and its debug symbols are in its -dbgsym package under
# its build ID.
while read -r elf; do
  name=${elf#"$work/tree/"}
  name=${name%%/*}
  [[ $(file -b "$elf") == *", stripped"* ]] || fail "${elf#"$work/tree/"} is not stripped"
  id=$(readelf -n "$elf" | grep -Po 'Build ID: \K\w+')
  dpkg-deb -c "$(deb "$name-dbgsym" ddeb)" | grep -c "usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" >/dev/null ||
    fail "$name-dbgsym has no debug symbols for ${elf#"$work/tree/"}"
done < <(find "$work/tree" -type f \( -name '*.so.*' -o -perm -u+x \) -exec sh -c 'file -b "$1" | grep -q ^ELF' _ {} \; -print)

# lintian: no error; a warning only where the README names it (its tag in backticks).
lintian --display-level '>=warning' "$packages"/*.deb "$packages"/*.ddeb >"$work/lintian.txt" 2>/dev/null || true
if grep '^E: ' "$work/lintian.txt" >&2; then
  fail "lintian found errors"
fi
for tag in $(sed -n 's/^W: [^:]*: \([a-z0-9-]*\).*/\1/p' "$work/lintian.txt" | sort -u); do
  grep -q "\`$tag\`" README.md || fail "lintian warns '$tag', which the README does not name: $(cat "$work/lintian.txt")"
done
echo "check-install: ${#names[@]} packages and their -dbgsym built; lintian: 0 errors," \
  "$(grep -c '^W: ' "$work/lintian.txt" || true) warnings"

# --- 3. The packages installed in a clean root ---------------------------------------------------

if [ "$(id -u)" -ne 0 ]; then
  echo "check-install: not root; the packages were made but not installed" >&2
  exit 0
fi

# A clean Debian root of this machine's release from its own package sources; fails quietly
# when debootstrap cannot make one here (no debootstrap, no network).
make_root() {
  local suite mirror
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
  [ -n "$mirror" ] || mirror=$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list 2>/dev/null)
  command -v debootstrap >/dev/null && [ -n "$suite" ] && [ -n "$mirror" ] || return 1
  mkdir "$work/root"
  root=$work/root
  debootstrap --variant=minbase --cache-dir=/var/cache/apt/archives "$suite" "$root" "$mirror" \
    >"$work/debootstrap.log" 2>&1 || return 1
  # The machine's own sources, so that the root has the package versions this build was made
  # against; its downloaded packages, linked, so that they are not fetched again.
  rm -f "$root/etc/apt/sources.list"
  cp -r /etc/apt/sources.list /etc/apt/sources.list.d "$root/etc/apt/" 2>/dev/null || true
  cp /etc/resolv.conf "$root/etc/"
  cp -al /var/cache/apt/archives/*.deb "$root/var/cache/apt/archives/" 2>/dev/null || true
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"
  mount -t proc proc "$root/proc"
  chroot "$root" apt-get update -qq >/dev/null
}

started=$SECONDS
if [ "${SRCTRL_CHECK_ROOT:-}" != host ] && make_root; then
  where="a clean $(. /etc/os-release && echo "$VERSION_CODENAME") root (debootstrap --variant=minbase)"
  inside=/srctrl-check
  there() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    XDG_RUNTIME_DIR=/tmp/runtime "$@"; }
else
  if [ -n "$root" ]; then
    echo "check-install: no clean root ($(tail -n 1 "$work/debootstrap.log" 2>/dev/null)); using this machine" >&2
    drop_root || fail "cannot remove the failed root $root"
  fi
  where="this machine"
  inside=$work/inside
  there() { "$@"; }
  for name in "${names[@]}"; do
    [ "$(dpkg-query -W -f='${Status}' "$name" 2>/dev/null || true)" != 'install ok installed' ] ||
      fail "$name is installed already; not replacing it"
  done
fi
here=$root$inside       # the same folder, seen from this machine
mkdir -p "$here/runtime" "$root/tmp/runtime"
chmod 700 "$root/tmp/runtime"
cp -r examples "$here/"
cp "$image" "$here/"
cp "$packages"/*.deb "$here/"

# Installs the packages NAME... from the folder, and what they depend on from Debian, in the
# root; apt refuses them if they depend on one of ours that is not among them or installed.
# In the clean root, says what they brought: how many packages, how many MiB installed.
install_there() {
  local files=() name before
  for name in "$@"; do
    files+=("$inside/$(basename "$(deb "$name" deb)")")
  done
  before=$(installed_there)
  there env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${files[@]}" \
    >"$work/apt.log" 2>&1 || fail "apt could not install $* in $where: $(tail -n 5 "$work/apt.log")"
  if [ -n "$root" ]; then
    awk -v b="$before" -v a="$(installed_there)" -v what="$*" 'BEGIN { split(b, x); split(a, y);
      printf "check-install: %s brought %d packages, %d MiB\n", what, y[1] - x[1], (y[2] - x[2]) / 1024 }'
  else
    installed_here+=("$@")
  fi
}
# The packages installed in the root, and their installed size in KiB.
installed_there() {
  there dpkg-query -W -f='${db:Status-Abbrev} ${Installed-Size}\n' | awk '$1 == "ii" { n++; s += $2 } END { print n, s }'
}

# The development package (and the library it names), with a compiler: no Qt comes with them.
there env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends g++ make cmake pkg-config \
  >"$work/apt.log" 2>&1 || fail "apt could not install a compiler in $where: $(tail -n 5 "$work/apt.log")"
install_there libsrctrl$abi libsrctrl-dev
qt_there=$(there dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' 'libqt6*' 2>/dev/null | awk '$1 == "ii" { print $2 }' || true)
[ -z "$root" ] || [ -z "$qt_there" ] || fail "installing libsrctrl-dev brought Qt: $qt_there"
[[ $(there ldconfig -p) == *libsrctrl.so.$abi* ]] || fail "the loader's cache does not know libsrctrl.so.$abi in $where"
no_qt=()
[ -n "$root" ] || no_qt=(-DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON --no-warn-unused-cli)
there cmake -S "$inside/examples/host" -B "$inside/deb-host" "${no_qt[@]}" >/dev/null
there cmake --build "$inside/deb-host" >/dev/null
there "$inside/deb-host/report-host" "$inside/sample-image.dcm" "$inside/deb.dcm" "$inside/deb.pdf" >/dev/null
check_output "$here/deb"
there sh -c "c++ -std=c++17 $inside/examples/host/main.cpp \$(pkg-config --cflags --libs srctrl) -o $inside/pc-host"
there "$inside/pc-host" "$inside/sample-image.dcm" "$inside/deb-pc.dcm" "$inside/deb-pc.pdf" >/dev/null
check_output "$here/deb-pc"

if [ "$with_qt" = yes ]; then
  install_there libsrctrl-qt$abi libsrctrl-qt-dev
  there cmake -S "$inside/examples/qt-host" -B "$inside/deb-qt-host" >/dev/null
  there cmake --build "$inside/deb-qt-host" >/dev/null
  there env QT_QPA_PLATFORM=offscreen "$inside/deb-qt-host/report-qt-host" --check "$inside/sample-image.dcm" \
    "$inside/deb-qt.dcm" >/dev/null
  check_finding "$here/deb-qt"
  there pkg-config --exists srctrl-qt || fail "pkg-config finds no srctrl-qt in $where"
fi

# The tools. A Chinese finding on the Chinese template is printed as text: its characters come
# back from the PDF (without a CJK font they are empty boxes, and only the digits come back).
install_there srreport
report_there=$inside/zh.dcm
there srreport new --image "$inside/sample-image.dcm" --template /usr/share/srctrl/skin/srctrl/template_zh_CN.xml \
  --finding "右肺上叶结节 8 mm" -o "$report_there" --pdf "$inside/zh.pdf" >/dev/null
printed=$(pdftotext "$here/zh.pdf" -)
for text in 右肺上叶结节 医学影像诊断报告; do
  [[ $printed == *"$text"* ]] || fail "the report printed in $where lacks '$text': $printed"
done
check_send there srreport
if [ "$with_qt" = yes ]; then
  install_there srreport-gui
  check_gui_help there env QT_QPA_PLATFORM=offscreen srreport-gui
fi
echo "check-install: installed tree, pkg-config and the Debian packages serve a host (Qt widget: $with_qt);" \
  "packages checked in $where in $((SECONDS - started)) s"
