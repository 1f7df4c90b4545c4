# Writes the dump (as dcmdump prints it, for dump2dcm) of a Comprehensive SR document with a
# large content tree: kind=wide gives n TEXT findings under a Findings section, kind=deep n
# Findings sections one inside the next around one finding.
#   awk -v kind=wide -v n=100000 -f bench/large-tree.awk > wide.txt && dump2dcm wide.txt wide.dcm
# DCMTK writes (and reads) by recursion: a deep one needs `ulimit -s unlimited`.
function item(type, code, meaning) {
  print "(fffe,e000) na (Item with undefined length)"
  print "(0040,a010) CS [CONTAINS]"
  print "(0040,a040) CS [" type "]"
  print "(0040,a043) SQ (Sequence with undefined length)"
  print "(fffe,e000) na (Item with undefined length)"
  print "(0008,0100) SH [" code "]"
  print "(0008,0102) SH [DCM]"
  print "(0008,0104) LO [" meaning "]"
  print "(fffe,e00d) na (ItemDelimitationItem)"
  print "(fffe,e0dd) na (SequenceDelimitationItem)"
}
function close_item() { print "(fffe,e00d) na (ItemDelimitationItem)" }
function open_content() { print "(0040,a730) SQ (Sequence with undefined length)" }
function close_content() { print "(fffe,e0dd) na (SequenceDelimitationItem)" }
function finding(text) {
  item("TEXT", "121071", "Finding")
  print "(0040,a160) UT [" text "]"
  close_item()
}
BEGIN {
  print "(0008,0016) UI =ComprehensiveSRStorage"
  print "(0008,0018) UI [1.2.826.0.1.3680043.10.2222." (kind == "deep" ? 1 : 2) "." n "]"
  print "(0008,0060) CS [SR]"
  print "(0010,0010) PN [Tree^Large]"
  print "(0020,000d) UI [1.2.826.0.1.3680043.10.2222.2]"
  print "(0040,a040) CS [CONTAINER]"
  print "(0040,a043) SQ (Sequence with undefined length)"
  print "(fffe,e000) na (Item with undefined length)"
  print "(0008,0100) SH [18748-4]"
  print "(0008,0102) SH [LN]"
  print "(0008,0104) LO [Diagnostic Imaging Report]"
  print "(fffe,e00d) na (ItemDelimitationItem)"
  print "(fffe,e0dd) na (SequenceDelimitationItem)"
  print "(0040,a050) CS [SEPARATE]"
  open_content()
  levels = kind == "deep" ? n : 1
  for (i = 0; i < levels; i++) {
    item("CONTAINER", "121070", "Findings")
    print "(0040,a050) CS [SEPARATE]"
    open_content()
  }
  for (i = 0; i < (kind == "deep" ? 1 : n); i++) finding("Finding number " i)
  for (i = 0; i < levels; i++) { close_content(); close_item() }
  close_content()
}
