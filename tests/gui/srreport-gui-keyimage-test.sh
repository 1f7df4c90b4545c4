#!/usr/bin/env bash
# srreport-gui's key images as a person puts them in, on an X server of the test's own: Report ▸
# Add key image… with frame 2 of a multi-frame image, an image dragged onto the second image box
# over XDND from a window of the test's own (as from a file manager), and the first box emptied
# from its context menu. dcmdump reads the images' SOP Instance UIDs, dsrdump and dcmdump the
# saved report's IMAGE items and evidence (0040,A375); screenshots show the boxes filled.
#   srreport-gui-keyimage-test.sh SRREPORT-GUI DRAG-SOURCE MAKE-KEY-IMAGES.sh
set -euo pipefail

gui=$1
drag_source=$2
. "$(dirname "$0")/gui-support.sh"
require_tools Xvfb xdotool import convert dsrdump dcmdump dump2dcm dcmcjpeg dcmcrle dcmcjpls img2dcm python3 timeout
mkdir "$work/images"
"$3" "$work/images" || fail "the test images were not made"
frames=$(uid_of "$work/images/frames.dcm") mono=$(uid_of "$work/images/mono1.dcm")

start_x
start_gui "$work/images/ct16.dcm"   # a report of the images' study
find_window
within 30 page_box || fail "the report's page did not appear"
# Image box N (1, 2) of the default template spans design columns 40-392 and 402-754, rows
# 336-564: its inside, on the last screenshot, shows one colour while the box is empty.
box_colors() {
  convert "$work/shot.png" -crop "$((pw * 300 / 794))x$((ph * 200 / 1123))+$((px + pw * ($1 * 362 - 302) / 794))+$((py + ph * 350 / 1123))" \
    +repage -format '%k' info:
}
box_shows() { shoot && [ "$(box_colors "$1")" "$2" "$3" ]; }
box_shows 1 = 1 && box_shows 2 = 1 || fail "a new report's image boxes are not empty"

x windowfocus --sync "$window" && x key alt+r && sleep 0.5 && x key k || fail "no Report menu"
focus_dialog '^Add key image' "Report > Add key image"
x type --delay 20 "$work/images/frames.dcm" && x key Return
focus_dialog '^Choose a frame' "a multi-frame image"
x key ctrl+a && x type 2 && x key Return
within 10 box_shows 1 -gt 8 || fail "image box 1 shows no image after Add key image ($(box_colors 1) colours)"

"$drag_source" "$work/images/mono1.dcm" >"$work/drag.log" 2>&1 &
pids+=($!)
source_window=$(find_visible '^drag source') || fail "no drag source window"
x windowmove --sync "$source_window" 1000 100
x mousemove --window "$source_window" 50 50 mousedown 1 && sleep 0.5
x mousemove --window "$window" $((px + pw / 2)) $((py + ph / 2)) && sleep 0.3
x mousemove --window "$window" $((px + pw * 578 / 794)) $((py + ph * 450 / 1123)) && sleep 0.5 && x mouseup 1
within 10 grep -q '^dropped' "$work/drag.log" || fail "the editor did not take the dropped file: $(cat "$work/drag.log")"
within 10 box_shows 2 -gt 8 || fail "image box 2 shows no image after the drop ($(box_colors 2) colours)"

saved="$work/report.dcm"
x windowfocus --sync "$window" && x key ctrl+s
focus_dialog '^Save report' "Ctrl+S"
x type --delay 20 "$saved" && x key Return
within 20 test -s "$saved" || fail "no report was saved"
# Each key image: its IMAGE item (dsrdump) and its instance in the evidence of the study.
expect() {  # uid present(1/0) what
  local items evidence
  items=$(dsrdump +Pu "$saved" 2>/dev/null | grep -c "IMAGE:.*\"$1\"") || true
  evidence=$(dcmdump +p +P ReferencedSOPInstanceUID "$saved" 2>/dev/null | grep -c "^(0040,a375).*\[$1\]") || true
  [ "$items $evidence" = "$2 $2" ] || fail "$3: $items IMAGE items and $evidence evidence entries name $1, not $2"
}
expect "$frames" 1 "added from the menu"
expect "$mono" 1 "dropped onto box 2"
items=$(dsrdump +Pu "$saved" 2>&1)
[[ "$items" == *"\"$frames\",2)"* ]] || fail "frame 2 is not referenced: $items"

x mousemove --window "$window" $((px + pw * 216 / 794)) $((py + ph * 450 / 1123)) click 3 && sleep 0.5 && x key m
within 10 box_shows 1 = 1 || fail "image box 1 was not emptied from its context menu"
rm -f "$saved"
x key ctrl+s
within 20 test -s "$saved" || fail "the report was not saved again"
expect "$frames" 0 "removed"
expect "$mono" 1 "kept in box 2"
echo "PASS"
