#!/usr/bin/env bash
# Writes comprehensive-sr.dcm, a small Comprehensive SR document as another system would write
# it (its own UIDs, a code in the content tree, ISO_IR 100 text), with DCMTK's dump2dcm.
set -euo pipefail
cd "$(dirname "$0")"
dump=$(mktemp)
trap 'rm -f "$dump"' EXIT
cat > "$dump" <<'DUMP'
(0008,0005) CS [ISO_IR 100]
(0008,0016) UI =ComprehensiveSRStorage
(0008,0018) UI [1.2.826.0.1.3680043.10.2222.1.1]
(0008,0020) DA [20250301]
(0008,0023) DA [20250302]
(0008,0030) TM [101500]
(0008,0033) TM [111500]
(0008,0050) SH [ACC-9]
(0008,0060) CS [SR]
(0008,0070) LO [Other Vendor]
(0008,0090) PN []
(0008,1111) SQ (Sequence with explicit length #=0)
(fffe,e0dd) na (SequenceDelimitationItem for re-encoding)
(0010,0010) PN [Weiß^Anna]
(0010,0020) LO [OV-17]
(0010,0030) DA [19600101]
(0010,0040) CS [F]
(0020,000d) UI [1.2.826.0.1.3680043.10.2222.2]
(0020,000e) UI [1.2.826.0.1.3680043.10.2222.3]
(0020,0010) SH [S-9]
(0020,0011) IS [3]
(0020,0013) IS [1]
(0040,a040) CS [CONTAINER]
(0040,a043) SQ (Sequence with explicit length #=1)
  (fffe,e000) na (Item with explicit length #=3)
    (0008,0100) SH [18748-4]
    (0008,0102) SH [LN]
    (0008,0104) LO [Diagnostic Imaging Report]
  (fffe,e00d) na (ItemDelimitationItem for re-encoding)
(fffe,e0dd) na (SequenceDelimitationItem for re-encoding)
(0040,a050) CS [SEPARATE]
(0040,a372) SQ (Sequence with explicit length #=0)
(fffe,e0dd) na (SequenceDelimitationItem for re-encoding)
(0040,a491) CS [COMPLETE]
(0040,a493) CS [UNVERIFIED]
(0040,a730) SQ (Sequence with explicit length #=1)
  (fffe,e000) na (Item with explicit length #=4)
    (0040,a010) CS [CONTAINS]
    (0040,a040) CS [TEXT]
    (0040,a043) SQ (Sequence with explicit length #=1)
      (fffe,e000) na (Item with explicit length #=3)
        (0008,0100) SH [121071]
        (0008,0102) SH [DCM]
        (0008,0104) LO [Finding]
      (fffe,e00d) na (ItemDelimitationItem for re-encoding)
    (fffe,e0dd) na (SequenceDelimitationItem for re-encoding)
    (0040,a160) UT [Größenkonstante Läsion, written elsewhere.]
  (fffe,e00d) na (ItemDelimitationItem for re-encoding)
(fffe,e0dd) na (SequenceDelimitationItem for re-encoding)
DUMP
# The dump is UTF-8; the document declares ISO_IR 100 as the other system does.
iconv -f UTF-8 -t ISO-8859-1 "$dump" > "$dump.latin1"
mv "$dump.latin1" "$dump"
dump2dcm -q +te "$dump" comprehensive-sr.dcm
