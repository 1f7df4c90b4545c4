#!/usr/bin/env bash
# The main job on the bundled sample study: installs what is missing, builds srreport, starts a
# report for the sample image with the image as its key image, fills in and verifies it, writes
# it as a DICOM SR document, prints it to PDF, renders its page, and writes the printed report as
# an Encapsulated PDF and the key image as a Key Object Selection document.
#   scripts/demo.sh [OUT_DIR]   (default: demo-output/)
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-demo-output}
./scripts/install-deps.sh
cmake -S . -B build -DSRCTRL_BUILD_TESTS=ON >/dev/null
cmake --build build -j "$(nproc)" --target srreport >/dev/null
mkdir -p "$out"
# A signed report is never written over: the demo's own files of an earlier run go first.
rm -f "$out/report.dcm" "$out/report.pdf" "$out/report.png" "$out/report-pdf.dcm" "$out/report-kos.dcm"

srreport=build/bin/srreport
"$srreport" new --image sample/sample-image.dcm \
  --finding "Chest CT without contrast. No pulmonary nodules. No pleural effusion." \
  --conclusion "No acute cardiopulmonary findings." \
  --author "Doe^John" --verify --verifier "Roe^Anna" --organization "srctrl sample clinic" \
  --key-image sample/sample-image.dcm --qr "https://viewer.example.org/study/SRCTRL-0001" \
  -o "$out/report.dcm" --pdf "$out/report.pdf" --png "$out/report.png"
"$srreport" export-pdf "$out/report.dcm" -o "$out/report-pdf.dcm"
"$srreport" export-kos "$out/report.dcm" -o "$out/report-kos.dcm"
"$srreport" show "$out/report.dcm"

echo "SR document:          $out/report.dcm"
echo "printed report (PDF): $out/report.pdf"
echo "page (PNG):           $out/report.png"
echo "Encapsulated PDF:     $out/report-pdf.dcm"
echo "Key Object Selection: $out/report-kos.dcm"
