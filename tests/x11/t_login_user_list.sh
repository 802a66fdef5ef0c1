#!/usr/bin/env bash
# On every desktop, Enter on a remembered name in the open user list of the
# login window only picks the name: no login is sent with the empty password
# and the window stays. The password typed next logs in as the picked name.
# (Offscreen, the key reaches the list itself; here, once the list has
# closed, it reaches the name box under it.)
#
#   t_login_user_list.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_x
start_wm openbox
start_service
mkdir -p "$X11_WORK/config/Tarvel"
printf '[Main]\nLastUpdated=1/4/2000\n[Login]\nUser0=newbie\nUser1=demo\n' \
    >"$X11_WORK/config/Tarvel/Tarvel.ini"
start_tarvel

open_login
move "$((lx + lw / 2))" "$((ly + 4))"
wait_for 'test "$(xdotool getactivewindow 2>/dev/null)" = "$login"' 5 ||
    fail "the login window did not take the keyboard"
# The focus is in the password box (names are remembered): back to the name
# box, open its list, the second name, Enter.
press_keys shift+Tab alt+Down
sleep 0.5
shot list-open
press_keys Down Return
sleep 1.5
test -n "$(window_named 'Tarvel Login')" || fail "Enter in the user list closed the login window"
test -z "$(menu_window)" || fail "Enter in the user list logged in"
test -z "$(window_named 'Login failed')" || fail "Enter in the user list sent a login without password"
[ "$(request_count loginUser)" = 0 ] || fail "Enter in the user list sent a login: $(requests loginUser)"
shot name-picked

press_keys Tab
type_text demo
press_keys Return
wait_for 'test -n "$(menu_window)"' || fail "the password and Enter did not log in as the picked name"
requests loginUser | grep -q 'UserName=demo&Password=demo' ||
    fail "the login did not go out for the picked name: $(requests loginUser)"
pass "Enter in the open user list picked the name; the login went out with its password"
