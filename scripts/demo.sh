#!/usr/bin/env bash
# The main job on the bundled sample study: installs what is missing, builds srreport, starts a
# report for the sample image, fills in and verifies it, writes it as a DICOM SR document,
# prints it to PDF, renders its page and writes the printed report as an Encapsulated PDF.
#   scripts/demo.sh [OUT_DIR]   (default: demo-output/)
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-demo-output}
./scripts/install-deps.sh
cmake -S . -B build -DSRCTRL_BUILD_TESTS=ON >/dev/null
cmake --build build -j "$(nproc)" --target srreport >/dev/null
mkdir -p "$out"

srreport=build/bin/srreport
"$srreport" new --image sample/sample-image.dcm \
  --finding "Chest CT without contrast. No pulmonary nodules. No pleural effusion." \
  --conclusion "No acute cardiopulmonary findings." \
  --author "Doe^John" --verify --verifier "Roe^Anna" --organization "srctrl sample clinic" \
  -o "$out/report.dcm" --pdf "$out/report.pdf" --png "$out/report.png"
"$srreport" export-pdf "$out/report.dcm" -o "$out/report-pdf.dcm"
"$srreport" show "$out/report.dcm"

echo "SR document:          $out/report.dcm"
echo "printed report (PDF): $out/report.pdf"
echo "page (PNG):           $out/report.png"
echo "Encapsulated PDF:     $out/report-pdf.dcm"
