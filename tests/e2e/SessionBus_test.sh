#!/usr/bin/env bash
# The two corrections as methods on the session bus, called with the very commands the README
# gives for a desktop's shortcut settings: CorrectClipboard corrects the clipboard,
# CorrectSelection the focused text field. Two selection calls at once run one after the other:
# the second waits for the first, and both answer true.
set -euo pipefail
program=$1
text_field=$2
source "${BASH_SOURCE[0]%/*}/require_tools.sh"
require_tools dbus-run-session gdbus xvfb-run xauth xdotool xclip
source "${BASH_SOURCE[0]%/*}/desktop_session.sh"
QX_SESSION_BUS=1 on_display "$0" "$@"

work=$(mktemp -d)
trap 'stop_background; rm -rf "$work"' EXIT
# "x" -> "xy" changes every text it sees: it shows how often, and in which order, the
# selection corrections ran.
start_program "$work" x xy
call() {
    timeout 30 gdbus call --session --dest org.example.qxquendro \
        --object-path /org/example/qxquendro --method "org.example.qxquendro.Corrections.$1"
}
# The name is asked for once the window is up; the first call may come a little before.
owned() { gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner org.example.qxquendro | grep -q true; }
poll 20 owned || fail "nobody owns org.example.qxquendro on the session bus"

printf 'teh cat' | xclip -selection clipboard -i
[ "$(call CorrectClipboard)" = "(true,)" ] || fail "CorrectClipboard did not answer (true,)"
clipboard_is "the cat" || fail "CorrectClipboard left \"$(xclip -selection clipboard -o)\""

# Two calls at once: the first pastes "axy" over the selection; the second, which waited, finds
# nothing selected any more and pastes the page's text corrected once more, "axyy", at the caret.
start_text_field "ax"
printf 'kept text' | xclip -selection clipboard -i
poll 10 clipboard_is "kept text" || fail "xclip did not take the clipboard"
focus_text_field
call CorrectSelection >"$work/first.out" &
first=$!
call CorrectSelection >"$work/second.out" &
second=$!
wait "$first" || fail "the first CorrectSelection call failed"
wait "$second" || fail "the second CorrectSelection call failed"
[ "$(cat "$work/first.out")" = "(true,)" ] || fail "the first call answered $(cat "$work/first.out")"
[ "$(cat "$work/second.out")" = "(true,)" ] || fail "the second call answered $(cat "$work/second.out")"
poll 10 file_is "$work/field.txt" "axyaxyy" ||
    fail "the field holds \"$(cat "$work/field.txt")\" after both corrections"
poll 20 clipboard_is "kept text" ||
    fail "the clipboard holds \"$(xclip -selection clipboard -o)\", not the text from before"
program_alive || fail "the program ended"
echo "ok"
