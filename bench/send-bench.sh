#!/usr/bin/env bash
# Sending 100 reports to a PACS, measured side by side with DCMTK's storescu and with curl in
# one run, against Debian's Orthanc (with its DICOMweb plugin) started for the run on loopback in
# a network namespace of its own:
#   1. C-STORE, every file in one association: `srreport send --to` against `storescu`;
#   2. STOW-RS, every file in one request: `srreport send --stow` against curl posting the same
#      multipart/related body, made from the files as it is sent.
# Orthanc overwrites what it has, so that every run stores every file. Each figure is the median
# wall time of several runs; the ratio is srreport's time over its peer's.
#   bench/send-bench.sh [BUILD_DIR] [RUNS]   (defaults: build, 7; run as root)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
runs=${2:-7}
srreport=$PWD/$build/bin/srreport
plugin=/usr/share/orthanc/plugins/libOrthancDicomWeb.so
[ -x "$srreport" ] || { echo "send-bench: build srreport first ($srreport)" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "send-bench: run as root (Orthanc gets a network namespace)" >&2; exit 1; }
for tool in Orthanc storescu curl unshare nsenter dcmodify; do
  command -v "$tool" >/dev/null || { echo "send-bench: $tool is needed (scripts/install-deps.sh)" >&2; exit 1; }
done
[ -r "$plugin" ] || { echo "send-bench: Orthanc's DICOMweb plugin is needed (orthanc-dicomweb)" >&2; exit 1; }

work=$(mktemp -d)
orthanc=
cleanup() {
  [ -n "$orthanc" ] && kill "$orthanc" 2>/dev/null && wait "$orthanc" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# 100 reports, each its own instance.
mkdir "$work/reports"
"$srreport" new --image sample/sample-image.dcm --finding "No acute findings. Lungs are clear." \
  --conclusion "Normal study." --author "Doe^John" --complete -o "$work/R.dcm"
for i in $(seq -w 1 100); do cp "$work/R.dcm" "$work/reports/R$i.dcm"; done
dcmodify -nb -q -gin "$work"/reports/*.dcm

dicom=4242
http=8042
cat >"$work/orthanc.json" <<JSON
{"Name": "send-bench", "StorageDirectory": "$work/storage", "IndexDirectory": "$work/storage",
 "DicomAet": "ORTHANC", "DicomPort": $dicom, "HttpPort": $http, "RemoteAccessAllowed": false,
 "AuthenticationEnabled": false, "OverwriteInstances": true, "Plugins": ["$plugin"],
 "DicomWeb": {"Enable": true, "Root": "/dicom-web/"}, "OrthancExplorerEnabled": false}
JSON
unshare --net sh -c "ip link set lo up && exec Orthanc $work/orthanc.json" >"$work/orthanc.log" 2>&1 &
orthanc=$!
inside="nsenter --net=/proc/$orthanc/ns/net --"
for _ in $(seq 1 100); do
  $inside curl -s --max-time 1 "http://127.0.0.1:$http/system" 2>/dev/null | grep -q ApiVersion && break
  sleep 0.2
done
url=http://127.0.0.1:$http/dicom-web/studies

# The body curl posts: the files as parts of multipart/related, written as they are sent.
boundary=send-bench-boundary-4f1c2a
body() {
  for f in "$work"/reports/*.dcm; do
    printf -- '--%s\r\nContent-Type: application/dicom\r\n\r\n' "$boundary"
    cat "$f"
    printf '\r\n'
  done
  printf -- '--%s--\r\n' "$boundary"
}
curl_stow() {
  body | $inside curl -sf -o /dev/null -X POST -H "Content-Type: multipart/related; type=\"application/dicom\"; boundary=$boundary" \
    -H "Accept: application/dicom+json" --data-binary @- "$url"
}

seconds() {
  local start end
  start=$(date +%s.%N)
  eval "$1" >/dev/null 2>&1 || { echo "send-bench: failed: $1" >&2; exit 1; }
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}
# Median seconds of a command line and of its peer, run in turns so that both see the same load.
pair() {
  local i ours=$work/ours peers=$work/peers middle=$(((runs + 1) / 2))
  : >"$ours"; : >"$peers"
  for ((i = 0; i < runs; i++)); do
    seconds "$1" >>"$ours"
    seconds "$2" >>"$peers"
  done
  echo "$(sort -g "$ours" | sed -n "${middle}p") $(sort -g "$peers" | sed -n "${middle}p")"
}
row() { awk -v n="$1" -v a="$2" -v b="$3" 'BEGIN { printf "%-52s %8.3f s %8.3f s %7.2fx\n", n, a, b, a / b }'; }

echo "Sending 100 reports ($runs runs each, median; ratio: srreport over its peer)"
printf '%-52s %10s %10s %8s\n' "" srreport peer ratio
read -r ours peer < <(pair "$inside $srreport send $work/reports/*.dcm --to ORTHANC@127.0.0.1:$dicom" \
  "$inside storescu -aec ORTHANC 127.0.0.1 $dicom $work/reports/*.dcm")
row "C-STORE, one association: send --to / storescu" "$ours" "$peer"
read -r ours peer < <(pair "$inside $srreport send $work/reports/*.dcm --stow $url" "curl_stow")
row "STOW-RS, one request: send --stow / curl" "$ours" "$peer"
