#!/usr/bin/env bash
# A GUI monkey: random clicks (left, middle, right, double), wheel turns, typed text, keys and
# shortcuts, window resizes and file opens, sent with xdotool to srreport-gui on an X server of
# the test's own, for a while, from a fixed seed. The editor must never crash and the sanitizers
# (in their build) must report nothing; an editor that quits on its own is started again.
#   srreport-gui-monkey.sh SRREPORT-GUI DATA-FOLDER [SECONDS] [SEED]
# SECONDS defaults to $SRCTRL_MONKEY_SECONDS or 20, SEED to $SRCTRL_MONKEY_SEED or 1.
# Exits 77 (skipped) when Xvfb or xdotool is missing.
set -uo pipefail
export LC_ALL=C.UTF-8

gui=$(realpath "$1")
data=$2
seconds=${3:-${SRCTRL_MONKEY_SECONDS:-20}}
seed=${4:-${SRCTRL_MONKEY_SEED:-1}}
RANDOM=$seed
for tool in Xvfb xdotool timeout; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (packages xvfb, xdotool)"
    exit 77
  fi
done

work=$(mktemp -d /tmp/srreport-gui-monkey.XXXXXX)
xvfb_pid=
gui_pid=
cleanup() {
  [ -n "$gui_pid" ] && kill -KILL "$gui_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The sanitizers write their reports into files of their own, whoever else reads the output.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:log_path=$work/sanitizer"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-}:log_path=$work/sanitizer"
mkdir -m 700 "$work/home" "$work/runtime"
cp "$data/ct-image.dcm" "$data/sr/"*.dcm "$work/home/" 2>/dev/null
printf 'not DICOM at all\n' >"$work/home/notes.dcm"
files=("$work/home/"*.dcm)

fail() {
  echo "FAIL: $*" >&2
  tail -n 40 "$work/gui.log" >&2 2>/dev/null
  cat "$work"/sanitizer* >&2 2>/dev/null
  exit 1
}

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do grep -q '^[0-9]' "$work/display" && break; sleep 0.2; done
grep -q '^[0-9]' "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

x() {
  timeout 10 xdotool "$@" 2>/dev/null
}

start() {
  (cd "$work/home" && HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_STATE_HOME="$work/home/state" \
    QT_QPA_PLATFORM=xcb QT_IM_MODULE= exec "$gui" "${files[0]}") >>"$work/gui.log" 2>&1 &
  gui_pid=$!
  x search --sync --onlyvisible --name 'DICOM SR report editor' >/dev/null || true
}

# Whether the editor still runs; an editor that quit cleanly is started again, one that died of
# a signal or a sanitizer's report fails the run.
check() {
  if ls "$work"/sanitizer* >/dev/null 2>&1; then
    fail "a sanitizer reported after $actions actions (seed $seed)"
  fi
  kill -0 "$gui_pid" 2>/dev/null && return
  wait "$gui_pid"
  local status=$?
  [ "$status" -gt 128 ] && fail "srreport-gui died of signal $((status - 128)) after $actions actions (seed $seed)"
  [ "$status" -ne 0 ] && fail "srreport-gui ended with status $status after $actions actions (seed $seed)"
  restarts=$((restarts + 1))
  start
}

keys=(Tab shift+Tab Return BackSpace Delete Left Right Up Down Home End Page_Up Page_Down Escape
  ctrl+a ctrl+c ctrl+v ctrl+x ctrl+z ctrl+y ctrl+shift+z ctrl+plus ctrl+minus ctrl+0 ctrl+Tab
  ctrl+Home ctrl+End shift+Left shift+Right shift+End ctrl+f ctrl+h ctrl+n ctrl+w ctrl+s ctrl+space
  F1 F2 F10 alt+e alt+f alt+r Menu)
words=(lesion "12 mm" stable nodule "Liver 3 cm" "\n" "  " 20240229 0 abc "a^b" "\\" "<>&")

actions=0
restarts=0
start
end=$((SECONDS + seconds))
while [ "$SECONDS" -lt "$end" ]; do
  window=$(x search --onlyvisible --name '.' | tail -n1)
  read -r w h < <(x getwindowgeometry --shell "$window" | awk -F= '/WIDTH/{w=$2} /HEIGHT/{h=$2} END{print w+0, h+0}')
  [ "${w:-0}" -gt 10 ] || { w=800; h=600; }
  px=$((RANDOM % w))
  py=$((RANDOM % h))
  case $((RANDOM % 13)) in
    0 | 1 | 2) x mousemove --window "$window" "$px" "$py" click 1 ;;
    3) x mousemove --window "$window" "$px" "$py" click --repeat 2 1 ;;
    4) x mousemove --window "$window" "$px" "$py" click $((2 + RANDOM % 2)) ;;
    5) x mousemove --window "$window" "$px" "$py" click --repeat $((1 + RANDOM % 5)) $((4 + RANDOM % 4)) ;;
    6 | 7) x type --delay 5 "${words[RANDOM % ${#words[@]}]}" ;;
    8 | 9) x key "${keys[RANDOM % ${#keys[@]}]}" ;;
    10) x windowsize "$window" $((200 + RANDOM % 1000)) $((150 + RANDOM % 800)) ;;
    12) x key Escape ;;  # leaves most dialogs and menus, so that the page gets most of the input
    11)
      # A file open: Ctrl+O, a path typed into the dialog (an SR, an image or junk), Return.
      x key ctrl+o
      sleep 0.3
      x type --delay 2 "${files[RANDOM % ${#files[@]}]}"
      x key Return
      ;;
  esac
  actions=$((actions + 1))
  check
done
echo "PASS: $actions actions, $restarts restarts, seed $seed, no crash and no sanitizer report"
