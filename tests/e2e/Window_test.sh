#!/usr/bin/env bash
# The interactive program on a virtual X display: it opens its window with the caption and the
# restored settings, and "Закрыть" (chosen from the "Файл" menu with the keyboard) writes
# Settings.xml and Default.lst into the program folder. Every wait polls against a deadline.
# Without the X tools the test cannot run: under CI that is a failure, elsewhere a skip
# (exit 77, which CTest reports as skipped).
set -euo pipefail
program=$1
source "${BASH_SOURCE[0]%/*}/require_tools.sh"
require_tools xvfb-run xdotool

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The program keeps its files beside itself when that folder is writable: a copy in a
# temporary folder keeps the build folder clean.
cp "$program" "$work/qxquendro"
# The window's module goes with the program, as it sits beside it in the build folder.
cp "$(dirname "$program")/qxquendro-window.so" "$work/"
mkdir -p "$work/data"
touch "$work/data/one.txt" "$work/data/two.txt"
printf '<Settings><FilesFolder>%s</FilesFolder><CurMask>*.txt</CurMask></Settings>' \
    "$work/data" >"$work/Settings.xml"

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
# --sync waits until a visible window has the caption; timeout bounds the wait.
id=$(timeout 30 xdotool search --sync --onlyvisible --name '^QX Quendro 1\.0$' | head -n1) ||
    fail "no window with the caption \"QX Quendro 1.0\" within 30 s"
xdotool windowfocus --sync "$id" || fail "the window did not take the keyboard focus"
# Alt reaches the menu bar, Down opens "Файл", Up wraps round to its last entry, "Закрыть".
xdotool key alt Down Up Return
for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the window did not close within 30 s"
wait "$pid" || fail "the program ended with status $?"
SESSION
chmod +x "$work/session.sh"

rm -f "$work/Default.lst"
xvfb-run -a -s "-screen 0 1280x1024x24" "$work/session.sh" "$work"

[ -f "$work/Default.lst" ] || { echo "Default.lst was not written"; exit 1; }
for element in "<FilesFolder>$work/data</FilesFolder>" '<CurMask>*.txt</CurMask>' \
    '<Left>409</Left>' "<Folders>$work/data"; do
    grep -qF "$element" "$work/Settings.xml" ||
        { echo "Settings.xml lacks $element"; cat "$work/Settings.xml"; exit 1; }
done
echo "ok"
