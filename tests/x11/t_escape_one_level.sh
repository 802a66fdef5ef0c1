#!/usr/bin/env bash
# Escape closes exactly one level of a keyboard-opened cascade, and the level
# above keeps the keyboard, whatever the window manager does with the focus
# of the window that went (xfwm4 handed it to another program now and then,
# and the whole cascade closed). Tried a few times, with another program's
# window on the desktop.
#
#   t_escape_one_level.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops none
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox
start_other_program 200x200+600+100
login_demo

level_count() { menu_levels | wc -l; }
# The window with the keyboard (without a window manager nobody keeps
# _NET_ACTIVE_WINDOW: the X server's focus then).
keyboard_window() { xdotool getactivewindow 2>/dev/null || xdotool getwindowfocus 2>/dev/null; }

for try in 1 2 3; do
    if [ -z "$(menu_window)" ]; then
        click_button
        wait_for 'test -n "$(menu_window)"' || fail "the button did not open the home menu (try $try)"
        sleep 0.6 # the slide
    fi
    # The pointer rests on the empty desktop, away from every row.
    move 900 600
    press_keys Down Down Right
    wait_for 'test "$(level_count)" -ge 1' 5 || fail "Down, Down, Right opened no submenu (try $try)"
    first=$(new_level)
    settled "$first"
    # Down to a row with a level of its own (Movies), then Right.
    for _ in 1 2 3 4 5 6 7 8; do
        press_keys Down Right
        wait_for 'test "$(level_count)" -ge 2' 1 && break
    done
    test "$(level_count)" -ge 2 || fail "no second level opened from the keyboard (try $try)"
    second=$(new_level "$first")
    settled "$second"
    [ "$try" = 1 ] && shot two-levels

    press_keys Escape
    wait_for 'test "$(level_count)" = 1' 3 ||
        fail "the first Escape left $(level_count) levels (try $try), not one"
    sleep 0.5
    test -n "$(menu_window)" || fail "the first Escape closed the home menu too (try $try)"
    mapped "$first" || fail "the first Escape closed the level above (try $try)"
    wait_for 'test "$(keyboard_window)" = "$first"' 3 ||
        fail "the level above lost the keyboard to window $(keyboard_window) (try $try)"

    # The level above still answers the keyboard: its Escape closes it alone.
    press_keys Escape
    wait_for 'test "$(level_count)" = 0' 3 || fail "the second Escape did not close the last level (try $try)"
    test -n "$(menu_window)" || fail "the second Escape closed the home menu (try $try)"
    [ "$try" = 1 ] && shot one-escape-a-level
    click 900 600
    wait_for 'test -z "$(menu_window)"' 3 || fail "a click on the desktop left the home menu open (try $try)"
done

pass "Escape closed one level at a time and the level above kept the keyboard"
