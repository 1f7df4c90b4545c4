#!/usr/bin/env bash
# srreport-gui as a person uses it, on an X server of the test's own with real X input: the
# editor starts a report for an image, the user clicks into the page's Finding box, types English
# and Chinese, saves with Ctrl+S into a path typed into the save dialog, and resizes the window;
# then takes typing back with the keyboard, the Edit menu and the context menu, finds and
# replaces, types after clicking a display field, scrolls a page zoomed to 200 %, and has the
# editor killed (-9 and TERM) while typing, to find the typing again on the next start, also in
# a finding long enough that its typing reaches the document only when typing pauses.
# dsrdump reads the saved documents; screenshots show where the page is and what is in view.
#   srreport-gui-test.sh SRREPORT-GUI SRREPORT IMAGE.dcm
# Exits 77 (skipped) when Xvfb, xdotool, ImageMagick or dsrdump is missing.
set -euo pipefail

gui=$1
srreport=$2
image=$3
. "$(dirname "$0")/gui-support.sh"
require_tools Xvfb xdotool import convert dsrdump dcmdump timeout

# Help and the version need no display.
env -u DISPLAY -u WAYLAND_DISPLAY "$gui" --help 2>&1 | grep -q -- '--version' || fail "--help without a display"
env -u DISPLAY -u WAYLAND_DISPLAY "$gui" --version 2>&1 | grep -Eq '^srreport-gui [0-9]' || fail "--version without a display"

start_x

# Qt reads typed text from the key symbols, so xdotool types Chinese without an input method by
# binding each character's symbol to a spare key for a moment; the locale makes the text UTF-8.
english="Liver lesion 12 mm, stable."
chinese="肝脏病变稳定"
start_gui "$image"
find_window

# A fitted page shows whole, in the page's proportions (794 x 1123), filling most of its area
# along the side that limits it.
check_fitted() {
  local what=$1
  [ $((px + pw)) -le $((ax + aw)) ] && [ $((py + ph)) -le $((ay + ah)) ] || fail "$what: the page ${pw}x${ph} leaves its area ${aw}x${ah}"
  local aspect=$((pw * 1123 * 100 / (ph * 794)))
  [ "$aspect" -ge 96 ] && [ "$aspect" -le 104 ] || fail "$what: the page ${pw}x${ph} is not in the page's proportions"
  local fill=$((pw * 100 / aw))
  [ $((ph * 100 / ah)) -gt "$fill" ] && fill=$((ph * 100 / ah))
  [ "$fill" -ge 85 ] || fail "$what: the page ${pw}x${ph} fills only $fill% of its area ${aw}x${ah}"
}

within 30 page_box || fail "the report's page did not appear"
check_fitted "at start"
first="$pw $ph"
echo "page ${pw}x${ph} at ${px},${py} in an area ${aw}x${ah} at ${ax},${ay}"

# The default template's Finding box covers design rows 651 to 811 of the 1123 of its page.
x mousemove --window "$window" $((px + pw * 400 / 794)) $((py + ph * 720 / 1123)) click 1 || fail "cannot click"
x type --delay 40 "$english " || fail "cannot type"
# xdotool takes a binding back half its delay after the key; the editor, busy painting the page,
# must have read the new keymap by then, or it sees a key without a symbol.
while IFS= read -r char; do
  x type --delay 1000 "$char" || fail "cannot type Chinese"
done < <(printf '%s' "$chinese" | grep -o .)

x key ctrl+s || fail "cannot press Ctrl+S"
dialog=$(find_visible '^Save report') || fail "Ctrl+S opened no save dialog"
saved="$work/report.dcm"
# Without a window manager nothing gives the new dialog the keyboard: the test does, and lets a
# slow build (the sanitizers) settle the dialog before it types.
x windowfocus --sync "$dialog" || fail "cannot focus the save dialog"
sleep 1
x type --delay 40 "$saved" && x key Return || fail "cannot type into the save dialog"
within 20 test -s "$saved" || fail "no file was saved at $saved"
within 10 sh -c "! xdotool search --onlyvisible --name '^Save report' >/dev/null" || fail "the save dialog stayed open"

expect_finding() {  # file text what
  local got
  got=$(finding_of "$1")
  [ "$got" = "$2" ] || fail "$3: the Finding is \"$got\", not \"$2\" ($(dsrdump +Pl +Pc "$1" 2>&1 | tail -n 3))"
  echo "$3: $got"
}
expect_finding "$saved" "$english $chinese" "saved"

# Saves the report (it has a file now) and waits for the file to be written anew.
save_again() {
  rm -f "$saved"
  x windowfocus --sync "$window"
  x key ctrl+s || fail "cannot press Ctrl+S"
  within 20 test -s "$saved" || fail "Ctrl+S wrote no file"
}
finding_x=$((px + pw * 400 / 794))
finding_y=$((py + ph * 720 / 1123))

# Typing taken back word by word, with the keyboard and the Edit menu, and done again.
x mousemove --window "$window" "$finding_x" "$finding_y" click 1 key ctrl+a
x type --delay 40 "Liver lesion stable"
x key ctrl+z                    # stable
x key alt+e && sleep 0.5 && x key u || fail "cannot undo from the Edit menu"   # lesion
x key ctrl+y                    # lesion again
x type --delay 40 "grows"
save_again
expect_finding "$saved" "Liver lesion grows" "undone and redone"

# Find and replace in the field, every match as one step; the context menu takes it back whole.
x key ctrl+h
dialog=$(find_visible '^Find and Replace') || fail "Ctrl+H opened no find dialog"
x windowfocus --sync "$dialog" && sleep 0.5
x type --delay 40 "lesion" && x key Tab && x type --delay 40 "mass" && x key alt+a || fail "cannot replace"
sleep 0.5
x key Escape
save_again
expect_finding "$saved" "Liver mass grows" "replaced"
x mousemove --window "$window" "$finding_x" "$finding_y" click 3 && sleep 0.5 && x key u || fail "no context menu"
save_again
expect_finding "$saved" "Liver lesion grows" "undone from the context menu"

# A click on a display field (the patient's name) takes the focus: what is typed next goes nowhere.
x mousemove --window "$window" "$finding_x" "$finding_y" click 1 key ctrl+End
x type --delay 40 "."
x mousemove --window "$window" $((px + pw * 300 / 794)) $((py + ph * 154 / 1123)) click 1
x type --delay 40 "Q"
save_again
expect_finding "$saved" "Liver lesion grows." "typed after a click on a display field"
dcmdump +P PatientName "$saved" 2>/dev/null | grep -q 'Sample^Patient' || fail "the patient's name changed: $(dcmdump +P PatientName "$saved" 2>&1)"

# A smaller window refits the page: it shrinks with the window and still shows whole.
x windowsize --sync "$window" 640 700 || fail "the window could not be resized"
resized() {
  page_box && [ "$pw $ph" != "$first" ]
}
within 20 resized || fail "the page kept its size ($first) when the window shrank"
check_fitted "after the resize"
echo "page ${pw}x${ph} after the resize"
[ "$ph" -lt $(( ${first#* } * 80 / 100 )) ] || fail "the page (${pw}x${ph}) did not shrink with the window"

# Zoomed to 200 %, the page is larger than the window: the horizontal scroll bar, dragged to its
# end, brings the page's right part into view. The blue rule under the title runs to the page's
# right inset: cut by the window's edge at first, it ends inside the view at the end.
x windowsize --sync "$window" 900 1000
for step in 1 2 3 4; do
  x key alt+v && sleep 0.3 && x key i || fail "cannot zoom in from the View menu"
  sleep 0.3
done
rule_right() {  # the right end of the title rule in a screenshot, in window pixels
  shoot || return 1
  convert "$work/shot.png" -crop "900x600+0+60" +repage -alpha off -fill black +opaque '#1F5FA8' -fill white -opaque '#1F5FA8' \
    -bordercolor black -border 1 -format '%@' info: 2>/dev/null | tr 'x+' '  ' | awk '{print $1 + $3 - 1}'
}
before=$(rule_right) || fail "no screenshot"
bar_y=$(( $(xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p') - 30 ))
x mousemove --window "$window" 100 "$bar_y" mousedown 1 mousemove --window "$window" 500 "$bar_y" \
  mousemove --window "$window" 895 "$bar_y" mouseup 1
sleep 0.5
after=$(rule_right) || fail "no screenshot"
echo "title rule ends at x $before at first, at x $after scrolled"
[ "$before" -ge 850 ] || fail "at 200 % the page's right part is already in view ($before): no zoom?"
[ "$after" -lt 840 ] && [ "$after" -gt 500 ] || fail "the scroll bar did not bring the page's right edge into view ($after)"

# Killed (-9) while typing: the next start offers the report with what was typed until 5 s before.
kill_and_restore() {  # WHEN: kills the editor, starts it again and restores what it offers
  kill -9 "$gui_pid"
  wait "$gui_pid" 2>/dev/null || true
  start_gui
  recovery=$(find_visible '^Recover reports') || fail "no recovery offered after kill -9 $1"
  x windowfocus --sync "$recovery" && sleep 0.5 && x key Return
  find_window
  x windowfocus --sync "$window" && sleep 0.5
}
x key ctrl+q
within 10 sh -c "! kill -0 $gui_pid 2>/dev/null" || fail "srreport-gui did not quit"
start_gui "$image"
sleep 3
find_window
page_box || fail "no page in the second window"
x mousemove --window "$window" $((px + pw * 400 / 794)) $((py + ph * 720 / 1123)) click 1
x type --delay 40 "Typed before the kill"
sleep 6
kill_and_restore "after typing"
x key ctrl+s
dialog=$(find_visible '^Save report') || fail "the restored report opened no save dialog"
x windowfocus --sync "$dialog" && sleep 1 && x key Return
# Never saved before: the dialog proposed Family_Given_StudyDate in the folder used last.
proposed="$work/Sample_Patient_20260105.dcm"
within 20 test -s "$proposed" || fail "the restored report was not saved as $proposed: $(ls "$work")"
expect_finding "$proposed" "Typed before the kill" "restored after kill -9"

# SIGTERM (a logout) writes what is unsaved and ends the editor without asking.
x mousemove --window "$window" $((px + pw * 400 / 794)) $((py + ph * 720 / 1123)) click 1 key ctrl+End
x type --delay 40 " and after"
kill -TERM "$gui_pid"
within 10 sh -c "! kill -0 $gui_pid 2>/dev/null" || fail "srreport-gui did not end on SIGTERM"
kept=$(ls "$work"/state/srreport-gui/session-*/*.dcm 2>/dev/null | head -n1)
[ -n "$kept" ] || fail "SIGTERM left no recovery copy"
expect_finding "$kept" "Typed before the kill and after" "kept at SIGTERM"

# Killed (-9) while typing goes on, without a pause, at the end of a finding of over 64 K
# characters, which the document takes in only when typing pauses: the copies made while typing
# keep the typing beside the document, and the restored report has every character typed until
# 5 s before the kill.
rm -rf "$work/state/srreport-gui"
for line in $(seq 1 1300); do
  echo "Line $line of the finding: the liver is normal in size."
done >"$work/long.txt"
long="$work/long.dcm"
"$srreport" new --image "$image" -o "$long" --finding @"$work/long.txt" >/dev/null || fail "srreport new failed"
stored=$(uid_of "$long")
start_gui "$long"
find_window
within 30 page_box || fail "the long report's page did not appear"
x mousemove --window "$window" $((px + pw * 400 / 794)) $((py + ph * 720 / 1123)) click 1 key ctrl+End
typed="typed on without a pause until the kill, seventy characters or so long"
# xdotool waits half its delay after a key goes down and half after it comes up: a key each
# 0.1 s, never the 0.3 s pause after which the document takes typing in.
x type --delay 200 "$typed"
kill_and_restore "in a long finding"
rm -f "$long"
x key ctrl+s
within 20 test -s "$long" || fail "the restored long report was not saved to its file"
# What follows the finding's last line is what was typed, up to the last copy before the kill:
# typing lasted 7 s, so at least the first 2 s of it (20 characters).
got=$(dsrdump +Pl +Pc "$long" | grep -oE 'Line 1300 of the finding: the liver is normal in size\.(\\r\\n)?[^"]*' | sed -E 's/^.*size\.(\\r\\n)?//')
[ "${#got}" -ge 20 ] && [ "${typed#"$got"}" != "$typed" ] || fail "the restored long finding ends in \"$got\", not in what was typed: \"$typed\""
echo "restored after kill -9 in a long finding: ...$got"
# The file's instance was kept: the typing made its next version, which names it as predecessor.
[ "$(uid_of "$long")" != "$stored" ] || fail "the restored report was saved under the stored report's UID"
predecessors=$(dcmdump +p +P ReferencedSOPInstanceUID "$long" | grep '^(0040,a360)' | grep -o '\[[^]]*\]' | tr -d '[]' | tr '\n' ' ')
[ "$predecessors" = "$stored " ] || fail "the restored report's predecessors are \"$predecessors\", not the stored report $stored"
echo "PASS"
