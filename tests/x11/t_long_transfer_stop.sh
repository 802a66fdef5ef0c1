#!/usr/bin/env bash
# A full reload trickled just above the stall check (17 KB every 25 s) can be
# stopped from the login window that shows it: by Escape, and by its close
# box (the window manager's close). Each stop applies nothing (the table's
# bytes as before), stores no stamp, leaves no spool, and Tarvel answers at
# once: the login goes on to the home menu.
#
#   t_long_transfer_stop.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
command -v wmctrl >/dev/null || x11_skip "wmctrl is not installed (scripts/setup.sh installs it)"
start_x
start_wm openbox
start_service --records 2500 --trickle /Vantrix/internal/getUpdates.ASP=17408/25000
start_tarvel
cp "$(table_file)" "$X11_WORK/table-before"

# stop_reload HOW N: logs in, waits until the Nth update request has been
# running for two seconds, stops it HOW (a command) and checks the outcome.
stop_reload() {
    send_demo_login
    wait_for "test \"\$(request_count getUpdates)\" -ge $2" 10 || fail "the login asked for no update"
    sleep 2
    shot "reload-running-$2"
    local t0 t1
    t0=$(date +%s%N)
    eval "$1"
    # The answer to the stop is the login window gone; the home menu comes
    # after its own request (slower on a loaded machine, so judged apart).
    wait_for 'test -z "$(window_named "Tarvel Login")"' 5 || fail "no answer within 5 s after the stop ($1)"
    t1=$(date +%s%N)
    [ $(((t1 - t0) / 1000000)) -lt 3000 ] || fail "the stop took $(((t1 - t0) / 1000000)) ms ($1)"
    # The login goes on: the home menu is asked for (whether its window then
    # keeps the keyboard the window manager hands around is the menus' matter).
    wait_for "test \"\$(request_count getUserHomeMenu)\" -ge $2" 20 ||
        fail "the login did not go on to the home menu after the stop ($1)"
    shot "after-the-stop-$2"
    cmp -s "$(table_file)" "$X11_WORK/table-before" || fail "the stopped reload changed the table ($1)"
    [ "$(stored_stamp)" = "1/4/2000" ] || fail "the stopped reload stored the stamp $(stored_stamp)"
    wait_for 'test -z "$(spool_files)"' 3 || fail "the stopped reload left $(spool_files)"
}

stop_reload 'xdotool key Escape' 1
# A fresh Tarvel: the table is as old as before, so the next login asks for
# the whole table again.
x11_end_pid "$tarvel_pid"
start_tarvel
stop_reload 'wmctrl -i -c "$login"' 2
tarvel_alive || fail "Tarvel ended"
pass "Escape and the close box stopped the trickled reload; nothing was applied"
