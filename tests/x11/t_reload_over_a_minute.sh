#!/usr/bin/env bash
# A full reload of the menu table that takes more than a minute (a steady
# server at 4 KB a second) still ends with the home menu: the reload's long
# transfer does not spend the minute that the login's small requests share,
# so the home menu's request goes out after it and the menu opens.
#
#   t_reload_over_a_minute.sh BIN_DIR OUT_DIR [WM]
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_x
start_wm openbox
# About 270 KB of "U" lines: some 66 seconds at this pace.
start_service --records 2500 --trickle /Vantrix/internal/getUpdates.ASP=4096/1000
start_tarvel
send_demo_login
wait_for 'test "$(request_count getUpdates)" -ge 1' 10 || fail "the login asked for no update"
wait_for 'test -n "$(menu_window)"' 120 || fail "no home menu after the slow reload"
menu=$(menu_window)
settled "$menu"
shot home-menu-after-a-slow-reload
[ "$(request_count getUserHomeMenu)" -ge 1 ] || fail "the home menu was never asked for"
[ "$(stored_stamp)" != "1/4/2000" ] || fail "the reload's stamp was not stored"
[ -z "$(spool_files)" ] || fail "the reload left $(spool_files)"
tarvel_alive || fail "Tarvel ended"
pass "the home menu opened after a full reload of more than a minute"
