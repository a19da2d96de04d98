#!/usr/bin/env bash
# Ctrl+Shift+C while the clipboard holds only a picture: there is no text to read, so the text
# of the clipboard page (the last correction's result) is corrected and put on the clipboard in
# the picture's place, and the program goes on running.
set -euo pipefail
program=$1
source "${BASH_SOURCE[0]%/*}/require_tools.sh"
require_tools xvfb-run xauth xdotool xclip base64
source "${BASH_SOURCE[0]%/*}/desktop_session.sh"
on_display "$0" "$@"

work=$(mktemp -d)
trap 'stop_background; rm -rf "$work"' EXIT
start_program "$work"

printf 'teh cat' | xclip -selection clipboard -i
xdotool key ctrl+shift+c
poll 20 clipboard_is "the cat" || fail "Ctrl+Shift+C did not correct the text on the clipboard"

# A 2x2 PNG, offered as image/png only.
base64 -d >"$work/picture.png" <<<'iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAIAAAD91JpzAAAAEklEQVR4nGP4z8DAAMIg4j8DAB7wA/1vQZA5AAAAAElFTkSuQmCC'
xclip -selection clipboard -t image/png -i "$work/picture.png"
targets() { timeout 5 xclip -selection clipboard -o -t TARGETS 2>/dev/null || true; }
offers_only_picture() { targets | grep -qx image/png && ! targets | grep -qx UTF8_STRING; }
poll 10 offers_only_picture || fail "xclip did not offer the picture: $(targets)"

xdotool key ctrl+shift+c
offers_text() { targets | grep -qx UTF8_STRING; }
poll 20 offers_text || fail "the clipboard still offers only: $(targets)"
clipboard_is "the cat" || fail "the clipboard holds \"$(xclip -selection clipboard -o)\""
targets | grep -qx image/png && fail "the picture is still offered beside the text"
program_alive || fail "the program ended"
echo "ok"
