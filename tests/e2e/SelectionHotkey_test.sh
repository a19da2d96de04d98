#!/usr/bin/env bash
# Ctrl+Shift+X with the program running and another program's text field focused: the field's
# selected text is replaced by its correction, and the clipboard holds again what it held
# before. The other program is a small Qt text field (a terminal would get no keys).
set -euo pipefail
program=$1
text_field=$2
source "${BASH_SOURCE[0]%/*}/require_tools.sh"
require_tools xvfb-run xauth xdotool xclip
source "${BASH_SOURCE[0]%/*}/desktop_session.sh"
on_display "$0" "$@"

work=$(mktemp -d)
trap 'stop_background; rm -rf "$work"' EXIT
start_program "$work"
start_text_field "teh cat, teh dog"
# xclip serves the clipboard from the background until another program takes it.
printf 'kept text' | xclip -selection clipboard -i
poll 10 clipboard_is "kept text" || fail "xclip did not take the clipboard"

focus_text_field
xdotool key ctrl+shift+x
# The field first: reading the clipboard meanwhile would look like the paste's own reading.
poll 20 file_is "$work/field.txt" "the cat, the dog" ||
    fail "the field holds \"$(cat "$work/field.txt")\" 20 s after Ctrl+Shift+X"
poll 20 clipboard_is "kept text" ||
    fail "the clipboard holds \"$(xclip -selection clipboard -o)\", not the text from before"
program_alive || fail "the program ended"
echo "ok"
