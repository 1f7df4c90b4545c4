#!/usr/bin/env bash
# Whole-process benchmark of srreport against its peers, measured side by side in one run:
#   1. printing one report: `srreport print R.dcm --pdf` against `dsrdump R.dcm` (DCMTK's text
#      dump of the same document) and against `dsr2html` + `wkhtmltopdf` (DCMTK's HTML rendering
#      printed to PDF), when wkhtmltopdf is installed;
#   2. printing a report with a 1 MB finding, in short and in long paragraphs, against dsr2html +
#      wkhtmltopdf on the same document;
#   3. printing 100 reports: one `srreport print -j 2` against one srreport process per file;
#   4. opening a report and painting its page, `srreport render R.dcm -o page.png`, against
#      `dsrdump R.dcm`, for a report of 100 000 content items and one nested 10 000 levels deep
#      (both run with an unlimited stack, which dsrdump needs for the deep one);
#   5. starting up: `srreport --help` against `dsrdump --help`, and `srreport show R.dcm` against
#      `dsrdump R.dcm`.
# Each figure is the median wall time of several runs, with the peak resident memory of the run
# (for pipelines, of their largest process) from /usr/bin/time.
#   bench/srreport-bench.sh [BUILD_DIR] [RUNS]   (defaults: build, 7)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
runs=${2:-7}
srreport=$PWD/$build/bin/srreport
[ -x "$srreport" ] || { echo "srreport-bench: build srreport first ($srreport)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "srreport-bench: /usr/bin/time is needed (Debian package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
report=$work/R.dcm
"$srreport" new --image sample/sample-image.dcm --finding "No acute findings. Lungs are clear." \
  --conclusion "Normal study." --author "Doe^John" --complete -o "$report"

# Runs a shell command line once; prints "seconds peak-kilobytes" (the peak over its processes).
measure() {
  local log=$work/time.log
  : >"$log"
  local start end
  start=$(date +%s.%N)
  # Run in this shell, not a new one, so that no shell start-up is counted.
  TIME_LOG=$log
  eval "$1" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }') $(sort -n "$log" | tail -n 1)"
}
# The command line with every program run under /usr/bin/time, which appends its peak memory.
timed() { echo "/usr/bin/time -a -o \"\$TIME_LOG\" -f %M $1"; }

# Median seconds and median peak memory (MiB) of several runs of a command line.
median_of() {
  local line=$1 i samples=$work/samples
  for ((i = 0; i < runs; i++)); do measure "$line"; done >"$samples"
  local middle=$(((runs + 1) / 2))
  echo "$(cut -d' ' -f1 "$samples" | sort -g | sed -n "${middle}p")" \
    "$(cut -d' ' -f2 "$samples" | sort -n | sed -n "${middle}p" | awk '{ printf "%.1f", $1 / 1024 }')"
}

row() { awk -v n="$1" -v t="$2" -v m="$3" -v r="$4" 'BEGIN { printf "%-44s %9.4f s %8.1f MiB %8.2fx\n", n, t, m, t / r }'; }

echo "Starting up ($runs runs each, median; ratio: time against the dsrdump beside it)"
read -r t_help m_help < <(median_of "$(timed "$srreport --help")")
read -r t_dhelp m_dhelp < <(median_of "$(timed "dsrdump --help")")
read -r t_show m_show < <(median_of "$(timed "$srreport show $report")")
read -r t_dshow m_dshow < <(median_of "$(timed "dsrdump $report")")
row "srreport --help" "$t_help" "$m_help" "$t_dhelp"
row "dsrdump --help" "$t_dhelp" "$m_dhelp" "$t_dhelp"
row "srreport show R.dcm" "$t_show" "$m_show" "$t_dshow"
row "dsrdump R.dcm" "$t_dshow" "$m_dshow" "$t_dshow"

echo
echo "Printing one report ($runs runs each, median; ratio: time against srreport print)"
read -r t_print m_print < <(median_of "$(timed "$srreport print $report --pdf $work/out.pdf")")
read -r t_dump m_dump < <(median_of "$(timed "dsrdump $report")")
row "srreport print R.dcm --pdf out.pdf" "$t_print" "$m_print" "$t_print"
row "dsrdump R.dcm" "$t_dump" "$m_dump" "$t_print"
if command -v wkhtmltopdf >/dev/null; then
  read -r t_html m_html < <(median_of "$(timed "dsr2html $report $work/r.html") && QT_QPA_PLATFORM=offscreen $(timed "wkhtmltopdf -q $work/r.html $work/w.pdf")")
  row "dsr2html R.dcm + wkhtmltopdf" "$t_html" "$m_html" "$t_print"
else
  echo "(wkhtmltopdf is not installed: no dsr2html + wkhtmltopdf row)"
fi

echo
echo "Printing a report with a 1 MB finding (3 runs each, median; ratio: time against srreport print)"
saved_runs=$runs
runs=3
for words in 4 400; do
  # 1 MiB of words, a line break every $words words.
  awk -v w="$words" 'BEGIN { split("liver normal in size no focal lesion spleen kidneys unremarkable without ascites", t, " ");
    n = 0; for (i = 0; n < 1048576; i++) { s = t[i % 12 + 1] ((i + 1) % w == 0 ? "\n" : " "); printf "%s", s; n += length(s) } }' \
    >"$work/finding-$words.txt"
  long=$work/long-$words.dcm
  "$srreport" new --image sample/sample-image.dcm --finding "@$work/finding-$words.txt" -o "$long" >/dev/null
  read -r t_long m_long < <(median_of "$(timed "$srreport print $long --pdf $work/long.pdf")")
  row "srreport print (1 MB, $words words a paragraph)" "$t_long" "$m_long" "$t_long"
  if command -v wkhtmltopdf >/dev/null; then
    read -r t_lhtml m_lhtml < <(median_of "$(timed "dsr2html $long $work/l.html") && QT_QPA_PLATFORM=offscreen $(timed "wkhtmltopdf -q $work/l.html $work/lw.pdf")")
    row "dsr2html + wkhtmltopdf (the same)" "$t_lhtml" "$m_lhtml" "$t_long"
  fi
done
runs=$saved_runs

echo
echo "Printing 100 reports (3 runs each, median; ratio: time against -j 2)"
mkdir -p "$work/many" "$work/pdf"
for i in $(seq -w 1 100); do cp "$report" "$work/many/r$i.dcm"; done
runs=3
read -r t_batch m_batch < <(median_of "$(timed "$srreport print -j 2 $work/many/*.dcm --pdf-dir $work/pdf")")
read -r t_each m_each < <(median_of "for f in $work/many/*.dcm; do $(timed "$srreport print \$f --pdf $work/pdf/one.pdf"); done")
row "srreport print -j 2 (100 files)" "$t_batch" "$m_batch" "$t_batch"
row "one srreport print per file (100 processes)" "$t_each" "$m_each" "$t_batch"

echo
echo "Opening and painting a report of a large tree (3 runs each, median; ratio: time against dsrdump)"
runs=3
# DCMTK's dump2dcm writes both from a dump that awk makes; it recurses as deeply as the tree
# nests, as dsrdump does, hence the unlimited stack.
awk -v kind=wide -v n=100000 -f bench/large-tree.awk >"$work/wide.txt"
awk -v kind=deep -v n=10000 -f bench/large-tree.awk >"$work/deep.txt"
for tree in wide deep; do
  (ulimit -s unlimited; dump2dcm -q "$work/$tree.txt" "$work/$tree.dcm")
  read -r t_render m_render < <(median_of "(ulimit -s unlimited; $(timed "$srreport render $work/$tree.dcm -o $work/$tree.png"))")
  read -r t_tree m_tree < <(median_of "(ulimit -s unlimited; $(timed "dsrdump $work/$tree.dcm"))")
  label=$([ $tree = wide ] && echo "100 000 items" || echo "10 000 levels")
  row "srreport render ($label)" "$t_render" "$m_render" "$t_tree"
  row "dsrdump ($label)" "$t_tree" "$m_tree" "$t_tree"
done
