#!/usr/bin/env bash
# The system-wide hotkey on a virtual X display: with the program running, Ctrl+Shift+C
# corrects the text another program (xclip) holds on the clipboard. Every wait polls against a
# deadline. Without the X tools the test cannot run: under CI that is a failure, elsewhere a
# skip (exit 77, which CTest reports as skipped).
set -euo pipefail
program=$1
source "${BASH_SOURCE[0]%/*}/require_tools.sh"
require_tools xvfb-run xdotool xclip

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy in a temporary folder keeps its list and settings there.
cp "$program" "$work/qxquendro"
# The window's module goes with the program, as it sits beside it in the build folder.
cp "$(dirname "$program")/qxquendro-window.so" "$work/"
printf '%s\r\n' '<?xml version="1.0" encoding="windows-1251"?>' '<List xml:space="preserve">' \
    '  <Item> <Find>teh</Find> <Replace>the</Replace>  <Checked>1</Checked>  </Item>' \
    '</List>' >"$work/Default.lst"

cat >"$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -euo pipefail
work=$1
"$work/qxquendro" >"$work/out.log" 2>&1 &
pid=$!
fail() {
    echo "$1"
    kill "$pid" 2>/dev/null || true
    cat "$work/out.log"
    exit 1
}
# The keys are grabbed before the window is shown.
timeout 30 xdotool search --sync --onlyvisible --name '^QX Quendro' >/dev/null ||
    fail "no main window within 30 s"
# xclip keeps serving the clipboard in the background until another program takes it.
printf 'teh cat, teh dog' | xclip -selection clipboard -i
xdotool key ctrl+shift+c
text=
for _ in $(seq 1 200); do
    text=$(timeout 5 xclip -selection clipboard -o 2>/dev/null || true)
    [ "$text" = "the cat, the dog" ] && break
    sleep 0.1
done
[ "$text" = "the cat, the dog" ] || fail "the clipboard holds \"$text\" 20 s after Ctrl+Shift+C"
kill "$pid"
wait "$pid" 2>/dev/null || true
SESSION
chmod +x "$work/session.sh"
xvfb-run -a -s "-screen 0 1280x1024x24" "$work/session.sh" "$work"
echo "ok"
