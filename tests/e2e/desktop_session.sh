# Sourced by the end-to-end tests that drive the window on a virtual X display. The test script
# runs itself again under xvfb-run (and, with QX_SESSION_BUS=1, inside its own session bus);
# every wait polls against a deadline.

# on_display "$0" "$@": re-runs the calling script on a fresh virtual display, once.
on_display() {
    [ -n "${QX_ON_DISPLAY:-}" ] && return 0
    local script=$1
    shift
    local runner=()
    [ "${QX_SESSION_BUS:-}" = 1 ] && runner=(dbus-run-session --)
    QX_ON_DISPLAY=1 exec "${runner[@]}" xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash "$script" "$@"
}

# poll SECONDS COMMAND...: true as soon as COMMAND succeeds, false after SECONDS.
poll() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.05
    done
}

background_pids=()
stop_background() {
    local pid
    for pid in "${background_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${background_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}

fail() {
    echo "FAILED: $1"
    [ -f "$work/out.log" ] && cat "$work/out.log"
    stop_background
    exit 1
}

# start_program WORK [FIND REPLACE]...: a copy of the program in WORK (its list and settings stay
# there) with the rule teh -> the and the given ones; waits for its window and sets $window.
start_program() {
    work=$1
    shift
    cp "$program" "$work/qxquendro"
    # The window's module goes with the program, as it sits beside it in the build folder.
    cp "$(dirname "$program")/qxquendro-window.so" "$work/"
    local items=('  <Item> <Find>teh</Find> <Replace>the</Replace>  <Checked>1</Checked>  </Item>')
    while [ $# -ge 2 ]; do
        items+=("  <Item> <Find>$1</Find> <Replace>$2</Replace>  <Checked>1</Checked>  </Item>")
        shift 2
    done
    printf '%s\r\n' '<?xml version="1.0" encoding="windows-1251"?>' '<List xml:space="preserve">' \
        "${items[@]}" '</List>' >"$work/Default.lst"
    "$work/qxquendro" >"$work/out.log" 2>&1 &
    program_pid=$!
    background_pids+=("$program_pid")
    # The keys are grabbed before the window is shown.
    window=$(timeout 30 xdotool search --sync --onlyvisible --name '^QX Quendro' | head -n1) ||
        fail "no main window within 30 s"
}

program_alive() { kill -0 "$program_pid" 2>/dev/null; }

clipboard_is() { [ "$(timeout 5 xclip -selection clipboard -o 2>/dev/null)" = "$1" ]; }

file_is() { [ -f "$1" ] && [ "$(cat "$1")" = "$2" ]; }

# start_text_field TEXT: the other program, its text in $work/field.txt; sets $field.
start_text_field() {
    rm -f "$work/field.txt"
    "$text_field" "$1" "$work/field.txt" >>"$work/out.log" 2>&1 &
    background_pids+=("$!")
    field=$(timeout 30 xdotool search --sync --onlyvisible --name '^TextField$' | head -n1) ||
        fail "no text field window within 30 s"
    poll 10 file_is "$work/field.txt" "$1" || fail "the text field did not start with \"$1\""
}

# focus_text_field: the keyboard goes to the text field, all of its text selected.
focus_text_field() {
    xdotool windowfocus --sync "$field" || fail "the text field did not take the focus"
    xdotool key ctrl+a
}
