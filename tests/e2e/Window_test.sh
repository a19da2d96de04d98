#!/usr/bin/env bash
# The interactive program on a virtual X display: it opens its window with the caption and the
# restored settings, and closing it with "Закрыть" writes Settings.xml and Default.lst into the
# program folder. Passes with a note when the X tools are not installed.
set -euo pipefail
program=$1
for tool in xvfb-run xdotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed"
        exit 0
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The program keeps its files beside itself when that folder is writable: a copy in a
# temporary folder keeps the build folder clean.
cp "$program" "$work/qxquendro"
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
id=
for _ in $(seq 1 150); do
    id=$(xdotool search --name '^QX Quendro 1\.0$' 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && break
    kill -0 "$pid" 2>/dev/null || { echo "the program ended before its window opened"; exit 1; }
    sleep 0.1
done
[ -n "$id" ] || { echo "no window with the caption \"QX Quendro 1.0\""; kill "$pid"; exit 1; }
# Let the window finish its first layout before clicking.
eval "$(xdotool getwindowgeometry --shell "$id")"
sleep 0.5
# "Закрыть" is the last button of the bottom band, at the bottom right corner.
xdotool mousemove --window "$id" $((WIDTH - 40)) $((HEIGHT - 20)) click 1
for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    echo "the window did not close"
    kill "$pid"
    exit 1
fi
wait "$pid"
SESSION
chmod +x "$work/session.sh"

rm -f "$work/Default.lst"
xvfb-run -a -s "-screen 0 1280x1024x24" "$work/session.sh" "$work"

[ -f "$work/Default.lst" ] || { echo "Default.lst was not written"; exit 1; }
grep -q '<FilesFolder>'"$work/data"'</FilesFolder>' "$work/Settings.xml" ||
    { echo "Settings.xml lost the folder"; cat "$work/Settings.xml"; exit 1; }
grep -q '<Left>409</Left>' "$work/Settings.xml" ||
    { echo "Settings.xml lacks the window position"; cat "$work/Settings.xml"; exit 1; }
echo "ok"
