#!/usr/bin/env bash
# Starts a CUPS daemon (when none runs) with a queue SRCTRL_PDF on the cups-pdf backend, and
# SRCTRL_PDF_A4 and SRCTRL_PDF_LETTER whose default media are A4 and US Letter, for the tests that
# print to a real CUPS queue. Safe to run again.
set -euo pipefail

queue=SRCTRL_PDF
running() { lpstat -r 2>/dev/null | grep -q 'is running'; }
if ! running; then
  mkdir -p /run/cups
  /usr/sbin/cupsd
  for _ in $(seq 1 100); do
    running && break
    sleep 0.1
  done
fi
running || { echo "start-cups: the CUPS scheduler did not start" >&2; exit 1; }
add_queue() {  # name [lpadmin options…]
  local name=$1
  shift
  if ! lpstat -p "$name" >/dev/null 2>&1; then
    lpadmin -p "$name" -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd "$@"
  fi
  cupsenable "$name"
  cupsaccept "$name"
}
add_queue "$queue"
add_queue SRCTRL_PDF_A4 -o media-default=iso_a4_210x297mm -o PageSize=A4
add_queue SRCTRL_PDF_LETTER -o media-default=na_letter_8.5x11in -o PageSize=Letter
