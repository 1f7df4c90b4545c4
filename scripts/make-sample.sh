#!/usr/bin/env bash
# Makes the sample study: a small synthetic picture (a disc and a ramp, drawn here) turned into
# a DICOM Secondary Capture image with DCMTK's img2dcm, with fixed patient and study
# attributes, so that srreport has a study to report on with no data of the user's.
#   scripts/make-sample.sh [OUT.dcm]   (default: sample/sample-image.dcm)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-sample/sample-image.dcm}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 128 x 128 grey levels: a ramp from left to right with a bright disc in the middle.
awk 'BEGIN {
  n = 128; print "P2"; print n, n; print 255
  for (y = 0; y < n; y++) {
    line = ""
    for (x = 0; x < n; x++) {
      v = int(x * 160 / n)
      if ((x - 64) ^ 2 + (y - 64) ^ 2 < 30 ^ 2) v = 230
      line = line v " "
    }
    print line
  }
}' >"$work/picture.pgm"
cjpeg -grayscale -quality 90 "$work/picture.pgm" >"$work/picture.jpg"

# Fixed UIDs (under the UUID arc 2.25) keep the sample the same each time it is made.
img2dcm -q -i JPEG "$work/picture.jpg" "$work/image.dcm" \
  -k "PatientName=Sample^Patient" -k "PatientID=SRCTRL-0001" -k "PatientBirthDate=19700101" \
  -k "PatientSex=F" -k "StudyDate=20260105" -k "StudyTime=093000" -k "StudyID=1" \
  -k "AccessionNumber=ACC0001" -k "ReferringPhysicianName=Referrer^Rita" \
  -k "StudyDescription=Synthetic sample study" -k "SeriesNumber=1" -k "InstanceNumber=1" \
  -k "Modality=OT" -k "Laterality=" -k "Manufacturer=srctrl" \
  -k "StudyInstanceUID=2.25.176543211234567890123456789012345678901" \
  -k "SeriesInstanceUID=2.25.176543211234567890123456789012345678902" \
  -k "SOPInstanceUID=2.25.176543211234567890123456789012345678903"
dcmodify -q -nb -i "InstitutionName=srctrl sample clinic" "$work/image.dcm"
mv "$work/image.dcm" "$out"
echo "$out"
