#!/usr/bin/env bash
# Writes the small DICOM files that the character set and VR tests read, with DCMTK's dump2dcm.
# Each holds a patient's name and a study description in one way of encoding text; the bytes are
# written here exactly as another system would have written them. Run from anywhere.
set -euo pipefail
cd "$(dirname "$0")"

# $1 file, $2 Specific Character Set ("" for none), $3 patient's name bytes, $4 description
# bytes, $5 optional Modality dump line.
serial=0
image() {
  serial=$((serial + 1))
  local dump
  dump=$(mktemp)
  {
    echo '(0008,0016) UI =CTImageStorage'
    echo "(0008,0018) UI [1.2.826.0.1.3680043.10.1111.1.$serial]"
    [ -n "$2" ] && echo "(0008,0005) CS [$2]"
    echo "${5:-(0008,0060) CS [CT]}"
    printf '(0008,1030) LO [%b]\n' "$4"
    printf '(0010,0010) PN [%b]\n' "$3"
    echo '(0010,0020) LO [ID-1]'
    echo '(0020,000d) UI [1.2.826.0.1.3680043.10.1111.2]'
    echo '(0020,000e) UI [1.2.826.0.1.3680043.10.1111.3]'
  } > "$dump"
  dump2dcm -q +te "$dump" "$1"
  rm -f "$dump"
}

image latin1.dcm 'ISO_IR 100' 'M\xfcller^J\xfcrgen' 'Gr\xf6\xdfe'
image undeclared.dcm '' 'M\xfcller^J\xfcrgen' 'Gr\xf6\xdfe'
image unknown-term.dcm 'ISO_IR 999' 'M\xfcller^J\xfcrgen' 'Gr\xf6\xdfe'
image iso2022-jp.dcm '\ISO 2022 IR 87' 'Yamada^Tarou=\x1b$B;3ED\x1b(B^\x1b$BB@O:\x1b(B' '\x1b$BF,It\x1b(B CT'
image gb18030.dcm 'GB18030' '\xcd\xf5^\xd0\xa1\xb6\xab' '\xd0\xd8\xb2\xbf CT'
image utf8.dcm 'ISO_IR 192' '\xc3\x85ngstr\xc3\xb6m^Zo\xc3\xab' '\xe8\x83\xb8\xe9\x83\xa8 CT'
# Modality ("CT") written with VR UN, as a converter that kept implicit values writes them into an
# explicit transfer syntax.
image un-text.dcm '' 'Doe^Jane' 'Head' '(0008,0060) UN 43\54'
