#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking the report control need.
# Safe to run again: packages that are already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake pkg-config dpkg-dev libx11-dev libgtk-3-dev
  file help2man lintian debootstrap
  libdcmtk-dev dcmtk dicom3tools
  libtinyxml2-dev
  libcairo2-dev libpango1.0-dev fonts-dejavu-core fonts-wqy-microhei
  libhunspell-dev hunspell-en-us libpoppler-qt6-dev
  libturbojpeg0-dev libjpeg-turbo-progs libpng-dev
  libqrencode-dev zbar-tools
  libcups2-dev cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
  libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev
  xvfb xdotool imagemagick
  clang libclang-rt-14-dev valgrind
  libcurl4-openssl-dev nlohmann-json3-dev
  orthanc orthanc-dicomweb curl openssl iproute2 util-linux time
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
