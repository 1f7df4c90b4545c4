#!/usr/bin/env bash
# srreport-gui as a person uses it, on an X server of the test's own with real X input: the
# editor starts a report for an image, the user clicks into the page's Finding box, types English
# and Chinese, saves with Ctrl+S into a path typed into the save dialog, and resizes the window.
# dsrdump reads the saved document; screenshots show where the page is and that it was refitted.
#   srreport-gui-test.sh SRREPORT-GUI IMAGE.dcm
# Exits 77 (skipped) when Xvfb, xdotool, ImageMagick or dsrdump is missing.
set -euo pipefail
# The Chinese text is read character by character.
export LC_ALL=C.UTF-8

gui=$1
image=$2
skip=77
for tool in Xvfb xdotool import convert dsrdump timeout; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (packages xvfb, xdotool, imagemagick, dcmtk)"
    exit "$skip"
  fi
done

work=$(mktemp -d /tmp/srreport-gui-test.XXXXXX)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -s "$work/gui.log" ]; then
    echo "--- srreport-gui's output:" >&2
    cat "$work/gui.log" >&2
  fi
  exit 1
}

# Tries a check every 0.2 s for at most $1 seconds.
within() {
  local seconds=$1
  shift
  local tries=$((seconds * 5))
  while [ "$tries" -gt 0 ]; do
    "$@" && return 0
    sleep 0.2
    tries=$((tries - 1))
  done
  return 1
}

# The X server picks a free display itself and writes its number when it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
within 20 grep -q '^[0-9]' "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

# Qt reads typed text from the key symbols, so xdotool types Chinese without an input method by
# binding each character's symbol to a spare key for a moment; the locale makes the text UTF-8.
english="Liver lesion 12 mm, stable."
chinese="肝脏病变稳定"
mkdir -m 700 "$work/runtime"
LANG=C.UTF-8 QT_QPA_PLATFORM=xcb QT_IM_MODULE= XDG_RUNTIME_DIR="$work/runtime" \
  "$gui" "$image" >"$work/gui.log" 2>&1 &
gui_pid=$!
pids+=("$gui_pid")

x() {
  timeout 20 xdotool "$@"
}

window=$(x search --sync --onlyvisible --name 'DICOM SR report editor' | head -n1) || fail "no srreport-gui window appeared"
x windowsize --sync "$window" 900 1000 || fail "the window could not be sized"

# Rectangles as "W H X Y" of a window's screenshot: the control's gray page area, and the white
# page inside it. A black border keeps the trim from taking a white or gray edge for background.
shoot() {
  import -window "$window" "$work/shot.png" 2>/dev/null
}
box_of_color() {  # image color
  convert "$1" -alpha off -fill black +opaque "$2" -fill white -opaque "$2" -bordercolor black -border 1 \
    -format '%@' info: 2>/dev/null | tr 'x+' '  ' | awk '{print $1, $2, $3 - 1, $4 - 1}'
}
page_box() {
  shoot || return 1
  read -r aw ah ax ay < <(box_of_color "$work/shot.png" '#D8DCE0')
  convert "$work/shot.png" -crop "${aw}x${ah}+${ax}+${ay}" +repage "$work/area.png"
  read -r pw ph px py < <(box_of_color "$work/area.png" '#FFFFFF')
  px=$((ax + px))
  py=$((ay + py))
  [ "$pw" -gt 50 ] && [ "$ph" -gt 50 ]
}

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
dialog=$(x search --sync --onlyvisible --name '^Save report' | head -n1) || fail "Ctrl+S opened no save dialog"
saved="$work/report.dcm"
# Without a window manager nothing gives the new dialog the keyboard: the test does, and lets a
# slow build (the sanitizers) settle the dialog before it types.
x windowfocus --sync "$dialog" || fail "cannot focus the save dialog"
sleep 1
x type --delay 40 "$saved" && x key Return || fail "cannot type into the save dialog"
within 20 test -s "$saved" || fail "no file was saved at $saved"
within 10 sh -c "! xdotool search --onlyvisible --name '^Save report' >/dev/null" || fail "the save dialog stayed open"

finding=$(dsrdump +Pl +Pc "$saved" 2>/dev/null | grep -F '(121071,DCM,"Finding")') || fail "the saved report has no Finding: $(dsrdump +Pl +Pc "$saved" 2>&1)"
echo "saved: $finding"
case "$finding" in
  *"$english $chinese"*) ;;
  *) fail "the Finding is not the typed text \"$english $chinese\": $finding" ;;
esac

# A smaller window refits the page: it shrinks with the window and still shows whole.
x windowsize --sync "$window" 640 700 || fail "the window could not be resized"
resized() {
  page_box && [ "$pw $ph" != "$first" ]
}
within 20 resized || fail "the page kept its size ($first) when the window shrank"
check_fitted "after the resize"
echo "page ${pw}x${ph} after the resize"
[ "$ph" -lt $(( ${first#* } * 80 / 100 )) ] || fail "the page (${pw}x${ph}) did not shrink with the window"

kill -0 "$gui_pid" 2>/dev/null || fail "srreport-gui ended"
echo "PASS"
