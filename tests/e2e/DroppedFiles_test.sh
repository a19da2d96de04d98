#!/usr/bin/env bash
# Three files dragged from another program and dropped on the window, through the desktop's
# drag and drop: answered "No", they stay as they were; dropped again and answered "Yes", they
# are corrected, and the viewer of the performed replacements (Ctrl+D) names each file in the
# records of its replacements.
set -euo pipefail
program=$1
drag_files=$3
source "${BASH_SOURCE[0]%/*}/require_tools.sh"
require_tools xvfb-run xauth xdotool xclip
source "${BASH_SOURCE[0]%/*}/desktop_session.sh"
on_display "$0" "$@"

work=$(mktemp -d)
trap 'stop_background; rm -rf "$work"' EXIT
start_program "$work"
mkdir "$work/files"
for name in one two three; do printf 'teh %s' "$name" >"$work/files/$name.txt"; done
files=("$work/files/one.txt" "$work/files/two.txt" "$work/files/three.txt")

eval "$(xdotool getwindowgeometry --shell "$window")"
target_x=$((X + WIDTH / 2))
target_y=$((Y + HEIGHT / 2))

# drop_files: drags the three files from the helper onto the middle of the main window.
drop_files() {
    rm -f "$work/drag.state"
    "$drag_files" "$work/drag.state" "${files[@]}" >>"$work/out.log" 2>&1 &
    drag_pid=$!
    background_pids+=("$drag_pid")
    timeout 30 xdotool search --sync --onlyvisible --name '^DragFiles$' >/dev/null ||
        fail "no drag source window within 30 s"
    xdotool mousemove --sync 60 60 mousedown 1
    poll 10 file_is "$work/drag.state" dragging || fail "the drag did not start"
    # Every move is a motion event the drag answers; the window accepts once it sees the files.
    local step=0
    moved_in() {
        step=$((step + 1))
        xdotool mousemove $((target_x + step % 2)) "$target_y"
        file_is "$work/drag.state" accepted
    }
    poll 20 moved_in || fail "the window did not accept the dragged files"
    xdotool mouseup 1
}

# answer KEY: the question "Начать коррекцию в файлах?" gets KEY (Escape is No, Return is Yes).
answer() {
    local box
    box=$(timeout 30 xdotool search --sync --onlyvisible --name '^Подтверждение$' | head -n1) ||
        fail "no question after the drop"
    xdotool windowfocus --sync "$box" || fail "the question did not take the focus"
    xdotool key "$1"
    no_box() { ! xdotool search --onlyvisible --name '^Подтверждение$' >/dev/null; }
    poll 20 no_box || fail "the question stayed open after $1"
    poll 20 file_is "$work/drag.state" done || fail "the drag did not end after the drop"
    kill "$drag_pid"
    wait "$drag_pid" 2>/dev/null || true
}

unchanged() { for name in one two three; do file_is "$work/files/$name.txt" "teh $name" || return 1; done; }
corrected() { for name in one two three; do file_is "$work/files/$name.txt" "the $name" || return 1; done; }

drop_files
answer Escape
program_alive || fail "the program ended after No"
unchanged || fail "No changed a file: $(cat "${files[@]}")"

drop_files
answer Return
poll 20 corrected || fail "Yes left the files as: $(cat "${files[@]}")"

# The viewer: a click puts the focus into its list; the file column of each row, copied with
# Ctrl+C, names the file of that replacement.
xdotool windowfocus --sync "$window" key ctrl+d
viewer=$(timeout 30 xdotool search --sync --onlyvisible --name '^Произведенные замены' | head -n1) ||
    fail "Ctrl+D opened no viewer"
eval "$(xdotool getwindowgeometry --shell "$viewer")"
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
xdotool key ctrl+Home Right Right Right
for file in "${files[@]}"; do
    printf 'none' | xclip -selection clipboard -i
    poll 10 clipboard_is none || fail "xclip did not take the clipboard"
    xdotool key ctrl+c
    poll 10 clipboard_is "$file" ||
        fail "the record names \"$(xclip -selection clipboard -o)\" instead of $file"
    xdotool key Down
done
program_alive || fail "the program ended"
echo "ok"
