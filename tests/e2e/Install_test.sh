#!/usr/bin/env bash
# The program as a package installs it: `cmake --install` with a DESTDIR and the prefix /usr
# puts every file in its place, the desktop entry and the AppStream metadata validate, batch
# mode runs from the installed executable, and the installed window finds its help page and the
# shipped rule list in <prefix>/share/qxquendro/ while it keeps the user's files in the user's
# configuration folder. The window part passes with a note when the X tools are not installed.
set -euo pipefail
build=$1

fail() {
    echo "FAIL: $*"
    exit 1
}

work=$(mktemp -d)
# KEEP=1 keeps the temporary folder for a look after a failure.
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" ||
    { cat "$work/install.log"; fail "cmake --install failed"; }
usr=$root/usr

expected=(
    bin/qxquendro
    share/qxquendro/Help.htm
    share/qxquendro/Screenshot.png
    share/qxquendro/Default.lst
    share/applications/org.example.qxquendro.desktop
    share/metainfo/org.example.qxquendro.metainfo.xml
    share/icons/hicolor/scalable/apps/qxquendro.svg
    share/man/man1/qxquendro.1
)
for size in 16 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/qxquendro.png")
done
# The window's module, in the program's own folder under the library folder.
if grep -q '^QX_GUI:BOOL=ON$' "$build/CMakeCache.txt"; then
    libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
    expected+=("${libdir:-lib}/qxquendro/qxquendro-window.so")
fi
for file in "${expected[@]}"; do
    [ -s "$usr/$file" ] || fail "$file is not installed"
done
[ -x "$usr/bin/qxquendro" ] || fail "the program is not executable"
# Nothing else: a file installed by mistake shows here.
installed=$(cd "$usr" && find . -type f | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
[ "$installed" = "$wanted" ] || fail "installed files differ:
$(diff <(echo "$wanted") <(echo "$installed"))"

# The PNG icons have the size their folder names.
for size in 16 24 32 48 64 128 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/qxquendro.png
    read -r -a b < <(od -An -tu1 -j16 -N8 "$png")
    width=$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))
    height=$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))
    [ "$width,$height" = "$size,$size" ] || fail "$png is $width by $height, not $size by $size"
done

desktop-file-validate "$usr/share/applications/org.example.qxquendro.desktop" ||
    fail "desktop-file-validate"
grep -qx 'Exec=qxquendro' "$usr/share/applications/org.example.qxquendro.desktop" ||
    fail "the menu entry must start the window: two file arguments would start batch mode"
appstreamcli validate --no-net --pedantic "$usr/share/metainfo/org.example.qxquendro.metainfo.xml" \
    >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "appstreamcli validate"; }
# The manual page formats without a warning.
if command -v groff >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z "$usr/share/man/man1/qxquendro.1" 2>&1)
    [ -z "$warnings" ] || fail "manual page: $warnings"
fi

# Batch mode from the installed program: relative arguments from the current folder, a file
# list line relative to the list's own folder, and the shipped list's rules once checked.
mkdir -p "$work/job/texts"
printf 'Текст ,  с пробелами  .\r\n' | iconv -f UTF-8 -t WINDOWS-1251 >"$work/job/texts/a.txt"
printf 'texts/a.txt\n' >"$work/job/files.txt"
sed 's|</Replace>|</Replace> <Checked>1</Checked>|' "$usr/share/qxquendro/Default.lst" \
    >"$work/job/rules.lst"
(cd "$work/job" && env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" "$usr/bin/qxquendro" \
    files.txt rules.lst) || fail "batch mode ended with status $?"
got=$(iconv -f WINDOWS-1251 -t UTF-8 "$work/job/texts/a.txt")
[ "$got" = $'Текст, с пробелами.\r' ] || fail "batch mode wrote: $(printf '%q' "$got")"
[ ! -e "$work/home" ] || fail "batch mode wrote into the home folder"

# The window from the installed program.
for tool in xvfb-run xdotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "ok (window part skipped: $tool is not installed)"
        exit 0
    fi
done
if ! grep -q '^QX_GUI:BOOL=ON$' "$build/CMakeCache.txt"; then
    echo "ok (window part skipped: built without the window)"
    exit 0
fi
# "Справка" goes through xdg-open; this one writes down what it was asked to open.
mkdir -p "$work/tools"
cat >"$work/tools/xdg-open" <<OPEN
#!/bin/sh
printf '%s\n' "\$1" >>"$work/opened.txt"
OPEN
chmod +x "$work/tools/xdg-open"
cat >"$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -euo pipefail
work=$1
usr=$2
"$usr/bin/qxquendro" >"$work/out.log" 2>&1 &
pid=$!
id=
for _ in $(seq 1 150); do
    id=$(xdotool search --name '^QX Quendro 1\.0$' 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && break
    kill -0 "$pid" 2>/dev/null || { echo "the program ended before its window opened"; exit 1; }
    sleep 0.1
done
[ -n "$id" ] || { echo "no window"; kill "$pid"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$id")"
sleep 0.5
xdotool windowfocus --sync "$id" key F1
for _ in $(seq 1 50); do
    [ -s "$work/opened.txt" ] && break
    sleep 0.1
done
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
mkdir -p "$work/home"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$work/tools:$PATH" \
    HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$work/session.sh" "$work" "$usr" ||
    { cat "$work/out.log" 2>/dev/null; fail "the installed window"; }

grep -qx "file://$usr/share/qxquendro/Help.htm" "$work/opened.txt" ||
    fail "F1 opened: $(cat "$work/opened.txt" 2>/dev/null)"
config=$work/config/qxquendro
[ -f "$config/Settings.xml" ] || fail "Settings.xml is not in the user's folder"
# The first start began with the shipped list, and closing kept it as the user's own.
# (Compared without the blanks between elements, which carry no meaning.)
rules() { sed 's/> *</></g' "$1"; }
[ "$(rules "$config/Default.lst")" = "$(rules "$usr/share/qxquendro/Default.lst")" ] ||
    fail "the user's Default.lst is not the shipped list"
[ -z "$(find "$usr" -newer "$work/install.log" -type f)" ] ||
    fail "the program wrote into its installed tree"
echo "ok"
