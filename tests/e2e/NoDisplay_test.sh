#!/usr/bin/env bash
# Without any display the window cannot open: the program says so in one line and ends with a
# non-zero status instead of aborting, and corrects nothing.
set -euo pipefail
program=$1
status=0
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" one-argument 2>&1 >/dev/null) ||
    status=$?
[ "$status" -eq 1 ] || { echo "expected status 1, got $status: $err"; exit 1; }
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || { echo "expected one line, got: $err"; exit 1; }
case "$err" in *DISPLAY*) ;; *) echo "the line does not name DISPLAY: $err"; exit 1 ;; esac
echo ok
