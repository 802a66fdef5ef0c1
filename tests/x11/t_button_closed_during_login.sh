#!/usr/bin/env bash
# The window manager's close of the button while a login brings in a full
# reload is honoured once the login's work is done, as the program's Close:
# every window goes (no home menu is left without its button) and the
# process ends.
#
#   t_button_closed_during_login.sh BIN_DIR OUT_DIR [WM]
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
command -v wmctrl >/dev/null || x11_skip "wmctrl is not installed (scripts/setup.sh installs it)"
start_x
start_wm openbox
# About 270 KB at 64 KB a second: four seconds of reload.
start_service --records 2500 --trickle /Vantrix/internal/getUpdates.ASP=65536/1000
start_tarvel
send_demo_login
wait_for 'test "$(request_count getUpdates)" -ge 1' 10 || fail "the login asked for no update"
sleep 1
wmctrl -i -c "$button"
shot after-the-close
wait_for '! tarvel_alive' 20 || {
    shot still-running
    fail "Tarvel still runs after its button was closed: $(windows)"
}
pass "the button closed during the login ended the program with every window"
