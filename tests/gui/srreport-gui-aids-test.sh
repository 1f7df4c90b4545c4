#!/usr/bin/env bash
# srreport-gui's reporting aids as a person uses them, on an X server of the test's own: the
# print preview of a three-page report shows as many pages as the PDF printer writes, its first
# page as pdftoppm draws that PDF; Verify asks first, and cancelling it changes nothing; a
# completed report is reopened;
# a verified report's Amend opens a new tab whose document names the verified one as its
# predecessor (dcmdump reads the saved documents).
#   srreport-gui-aids-test.sh SRREPORT-GUI SRREPORT IMAGE.dcm
# Exits 77 (skipped) when Xvfb, xdotool, ImageMagick, DCMTK or poppler-utils is missing.
set -euo pipefail

gui=$1
srreport=$2
image=$3
. "$(dirname "$0")/gui-support.sh"
require_tools Xvfb xdotool import convert compare dcmdump pdftoppm pdfinfo timeout

# A report whose Finding flows over three printed pages.
for line in $(seq 1 120); do
  echo "Line $line of the finding: the lungs are clear, no pleural effusion."
done >"$work/finding.txt"
report="$work/report.dcm"
"$srreport" new --image "$image" -o "$report" --finding @"$work/finding.txt" >/dev/null || fail "srreport new failed"

start_x
start_gui "$report"
find_window
within 30 page_box || fail "the report's page did not appear"

# File > Print Preview on the PDF file printer, then Print from the preview.
pdf="$work/printed.pdf"
x windowfocus --sync "$window"
x key ctrl+shift+p
focus_dialog '^Preview report' "Ctrl+Shift+P"
x key End Return
focus_dialog '^Print to a PDF file' "the PDF file printer"
x type --delay 20 "$pdf" && x key Return
preview=$(find_visible '^Print Preview') || fail "no print preview appeared"
sleep 1
title=$(xdotool getwindowname "$preview")
import -window "$preview" "$work/preview.png"
x windowfocus --sync "$preview" && sleep 0.5 && x key alt+p
within 20 test -s "$pdf" || fail "Print in the preview wrote no PDF"
pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
echo "preview: \"$title\"; the printer wrote $pages pages"
[ "$pages" = 3 ] || fail "the report printed on $pages pages, not 3"
case "$title" in *"— 3 pages"*) ;; *) fail "the preview shows \"$title\", not 3 pages" ;; esac

# The first page in the preview (on grey, at 50 %: 48 dots an inch) against pdftoppm's drawing of
# the printed PDF: the page starts below the last grey row above its first white one.
read -r ww wh wx wy < <(box_of_color "$work/preview.png" '#FFFFFF')
top=$(convert "$work/preview.png" -crop "1x${wy}+$((wx + 5))+0" +repage -depth 8 txt:- | grep -i '#808080' | tail -n1 |
  cut -d, -f2 | cut -d: -f1)
bottom=$(convert "$work/preview.png" -crop "1x$((wh + wy))+$((wx + 5))+$((top + 1))" +repage -depth 8 txt:- |
  grep -v '^#' | grep -i '#808080' | sed -n 1p | cut -d, -f2 | cut -d: -f1)
pdftoppm -r 48 -f 1 -l 1 -png "$pdf" "$work/printed"
read -r rw rh < <(identify -format '%w %h\n' "$work"/printed*.png)
echo "first page: ${ww}x${bottom} in the preview, ${rw}x${rh} from pdftoppm"
[ "$ww" = "$rw" ] && [ $((rh - bottom)) -le 1 ] && [ $((bottom - rh)) -le 1 ] || fail "the preview's page is ${ww}x${bottom}, not ${rw}x${rh}"
# Poppler's two front ends round the page's height apart by a row: the rows both draw are compared.
convert "$work/preview.png" -crop "${ww}x${bottom}+${wx}+$((top + 1))" +repage "$work/shown.png"
convert "$work"/printed*.png -crop "${ww}x${bottom}+0+0" +repage "$work/drawn.png"
differing=$(compare -metric AE -fuzz 10% "$work/shown.png" "$work/drawn.png" null: 2>&1 || true)
echo "first page: $differing pixels differ"
[ "${differing%%.*}" -lt $((ww * bottom / 200)) ] || fail "the preview's first page is not the printed one: $differing pixels differ"

# Verify asks first, naming the patient and the verifier; cancelled, it leaves the report as it was.
x windowfocus --sync "$window"
click_page 400 1024 && x type --delay 30 "Smith^Anna"
click_page 400 1054 && x type --delay 30 "General Hospital"
save_report() {
  rm -f "$report"
  x windowfocus --sync "$window" && x key ctrl+s
  within 20 test -s "$report" || fail "Ctrl+S wrote no file $1"
}
save_report "with the verifier"
kept=$(uid_of "$report")
x key alt+r && sleep 0.5 && x key v
focus_dialog '^Verify report' "Report > Verify"
x key Escape
sleep 1
save_report "after a cancelled Verify"
dcmdump +P VerificationFlag "$report" | grep -q UNVERIFIED || fail "a cancelled Verify verified the report"
[ "$(uid_of "$report")" = "$kept" ] || fail "a cancelled Verify changed the document ($(uid_of "$report") after $kept)"

# Completed after the question, then reopened: the document's Completion Flag follows.
x key alt+r && sleep 0.5 && x key c
focus_dialog '^Complete report' "Report > Complete"
x key alt+c
sleep 1
save_report "after Complete"
dcmdump +P CompletionFlag "$report" | grep -q COMPLETE || fail "Complete did not complete the report"
x key alt+r && sleep 0.5 && x key r
sleep 0.5
save_report "after Reopen"
dcmdump +P CompletionFlag "$report" | grep -q PARTIAL || fail "Reopen left the report complete"

# Verified (the dialog's Verify button), then amended: the new tab's document names it.
x key alt+r && sleep 0.5 && x key v
focus_dialog '^Verify report' "Report > Verify"
x key alt+v
sleep 1
save_report "after Verify"
dcmdump +P VerificationFlag "$report" | grep -q VERIFIED || fail "Verify did not verify the report"
verified=$(uid_of "$report")
x key alt+r && sleep 0.5 && x key a
sleep 1
# Saved over the verified file, even past the dialog's own question, the amendment is refused
# and the signed report stays as it was.
signed=$(md5sum <"$report")
x key ctrl+s
focus_dialog '^Save report' "Ctrl+S on the amendment"
x key ctrl+a && x type --delay 20 "$report" && x key Return
sleep 1
x key alt+y
sleep 1
[ "$(md5sum <"$report")" = "$signed" ] || fail "the amendment was saved over the verified report"
within 10 sh -c "! xdotool search --onlyvisible --name '^Save report' >/dev/null" || fail "the save dialog stayed open"
x windowfocus --sync "$window"
x key ctrl+s
focus_dialog '^Save report' "Ctrl+S on the amendment"
amended="$work/amended.dcm"
x key ctrl+a && x type --delay 20 "$amended" && x key Return
within 20 test -s "$amended" || fail "the amendment was not saved"
dcmdump +P VerificationFlag "$amended" | grep -q UNVERIFIED || fail "the amendment is verified already"
predecessors=$(dcmdump +p +P ReferencedSOPInstanceUID "$amended" | grep '^(0040,a360)' || true)
grep -qF "$verified" <<<"$predecessors" || fail "the amendment does not name the verified report $verified: $predecessors"
[ "$(uid_of "$amended")" != "$verified" ] || fail "the amendment kept the verified report's UID"
echo "PASS"
