#!/usr/bin/env bash
# Makes the DICOM images that key-image tests put into a report's boxes, with DCMTK's tools:
#   ct16.dcm      64 x 64 CT, 16-bit signed MONOCHROME2, a window in the file
#   mono1.dcm     the same pixels as MONOCHROME1, 12 bits stored, no window
#   frames.dcm    3 frames of 8-bit MONOCHROME2, each with a band of its own height
#   jpeg.dcm      ct16 in JPEG lossless (dcmcjpeg), rle.dcm in RLE (dcmcrle), jpls.dcm in JPEG-LS
#   color.dcm     a JPEG baseline colour picture, YBR (img2dcm of an ImageMagick gradient)
#   make-key-images.sh OUTPUT-FOLDER
set -euo pipefail
out=$1
cd "$out"

# Pixels: a left-to-right ramp from -1000 to 1000 with a disc of 400 in the middle; for the
# frames, frame f has a ramp in its top (f + 1) * 20 rows.
python3 - <<'PY'
import struct
w = h = 64
ct = [400 if (x - 32) ** 2 + (y - 32) ** 2 < 100 else int(-1000 + 2000 * x / (w - 1)) for y in range(h) for x in range(w)]
open("ct16.raw", "wb").write(struct.pack("<%dh" % len(ct), *ct))
open("mono1.raw", "wb").write(struct.pack("<%dH" % len(ct), *[(v + 1024) for v in ct]))
frames = bytearray()
for f in range(3):
    frames += bytes((x * 4 + f * 80) % 256 if y < (f + 1) * 20 else 0 for y in range(h) for x in range(w))
open("frames.raw", "wb").write(bytes(frames))
PY

common() {  # SOP Instance UID, photometric, bits allocated, stored, signed
  cat <<DUMP
(0008,0016) UI =SecondaryCaptureImageStorage
(0008,0018) UI [$1]
(0008,0060) CS [OT]
(0010,0010) PN [Key^Image]
(0010,0020) LO [KEY-1]
(0020,000d) UI [2.25.31234567890]
(0020,000e) UI [2.25.31234567891]
(0028,0002) US 1
(0028,0004) CS [$2]
(0028,0010) US 64
(0028,0011) US 64
(0028,0100) US $3
(0028,0101) US $4
(0028,0102) US $(($4 - 1))
(0028,0103) US $5
DUMP
}
{ common 2.25.31234567892 MONOCHROME2 16 16 1
  printf '(0008,0016) UI =CTImageStorage\n(0028,1050) DS [40]\n(0028,1051) DS [400]\n(0028,1052) DS [0]\n(0028,1053) DS [1]\n'
  printf '(7fe0,0010) OW =ct16.raw\n'; } | grep -v SecondaryCapture >ct16.dump
{ common 2.25.31234567893 MONOCHROME1 16 12 0; printf '(7fe0,0010) OW =mono1.raw\n'; } >mono1.dump
{ common 2.25.31234567894 MONOCHROME2 8 8 0; printf "(0008,0016) UI =MultiframeGrayscaleByteSecondaryCaptureImageStorage\n"; printf '(0028,0008) IS [3]\n(7fe0,0010) OB =frames.raw\n'; } | grep -v '=SecondaryCaptureImageStorage' >frames.dump
for name in ct16 mono1 frames; do
  dump2dcm +rl "$name.dump" "$name.dcm" 2>/dev/null
done
dcmcjpeg ct16.dcm jpeg.dcm
dcmcrle ct16.dcm rle.dcm
dcmcjpls ct16.dcm jpls.dcm
convert -size 64x48 gradient:red-blue color.jpg
img2dcm -i JPEG color.jpg color.dcm
rm -f color.jpg
rm -f ./*.raw ./*.dump
