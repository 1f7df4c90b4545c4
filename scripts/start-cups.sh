#!/usr/bin/env bash
# Starts a CUPS daemon (when none runs) with a queue SRCTRL_PDF on the cups-pdf backend, for the
# tests that print to a real CUPS queue. Safe to run again.
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
if ! lpstat -p "$queue" >/dev/null 2>&1; then
  lpadmin -p "$queue" -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
fi
cupsenable "$queue"
cupsaccept "$queue"
