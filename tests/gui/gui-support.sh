# What the srreport-gui tests share, sourced after `set -euo pipefail` with $gui set: an X server
# of their own (Xvfb -displayfd) with the editor's folders in a scratch folder, xdotool with
# bounded waits, and the page found in screenshots.
#   require_tools TOOL...    exits 77 (skipped) when one is missing
#   start_gui [FILE...]      starts the editor; gui_pid is its process
# Needs: Xvfb, xdotool, ImageMagick (import, convert).
# The Chinese text is read character by character.
export LC_ALL=C.UTF-8

require_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "skipped: $tool is not installed (packages xvfb, xdotool, imagemagick, dcmtk, poppler-utils)"
      exit 77
    fi
  done
}

work=$(mktemp -d /tmp/srreport-gui-test.XXXXXX)
mkdir -p "$work/home" "$work/state" "$work/config"
mkdir -m 700 "$work/runtime"
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
start_x() {
  # -noreset: the server stays as it is when its last client goes (an editor killed on purpose),
  # so that the next one never finds it resetting.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  within 20 grep -q '^[0-9]' "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(head -n1 "$work/display")"
}

# The editor's own folders (settings, recovery, dictionary, snippets) are the test's.
start_gui() {
  HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" LANG=C.UTF-8 QT_QPA_PLATFORM=xcb \
    QT_IM_MODULE= XDG_RUNTIME_DIR="$work/runtime" "$gui" "$@" >>"$work/gui.log" 2>&1 &
  gui_pid=$!
  pids+=("$gui_pid")
}

x() {
  timeout 20 xdotool "$@"
}

# The first visible window whose title matches, waiting at most 20 s. xdotool's search stops
# with an X error when a window closes while it looks (a dialog that just went away), so one
# failed look is only a reason to look again.
find_visible() {  # title-regex
  local found tries=100
  while [ "$tries" -gt 0 ]; do
    found=$(timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) || true
    if [ -n "$found" ]; then
      echo "$found"
      return 0
    fi
    sleep 0.2
    tries=$((tries - 1))
  done
  return 1
}

find_window() {
  window=$(find_visible 'DICOM SR report editor') || fail "no srreport-gui window appeared"
  x windowsize --sync "$window" 900 1000 || fail "the window could not be sized"
}

# A dialog by its title; without a window manager nothing gives it the keyboard: the test does,
# and lets a slow build (the sanitizers) settle it before it types.
focus_dialog() {  # title-regex what
  dialog=$(find_visible "$1") || fail "$2 opened no dialog \"$1\""
  x windowfocus --sync "$dialog" || fail "cannot focus the dialog \"$1\""
  sleep 1
}

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
# A point of the page, given in the default template's design pixels (794 x 1123).
click_page() {  # x y
  x mousemove --window "$window" $((px + pw * $1 / 794)) $((py + ph * $2 / 1123)) click 1
}

# The Finding of a saved document as dsrdump reads it: the text between its quotes.
uid_of() {  # FILE: its SOP Instance UID
  dcmdump +P SOPInstanceUID "$1" 2>/dev/null | sed -n '1s/^.*\[\(.*\)\].*$/\1/p'
}

finding_of() {
  dsrdump +Pl +Pc "$1" 2>/dev/null | grep -F '(121071,DCM,"Finding")' | sed -e 's/^.*"Finding")="//' -e 's/">$//' -e 's/"$//'
}
