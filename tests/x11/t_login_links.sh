#!/usr/bin/env bash
# On every desktop, the two "Click here" links of the login window answer a
# mouse click: the first starts Enlist with "/addnew", the second has the
# browser open the service's forgotten-password page; each closes the login
# window. (The window took the pointer grab again on the press, so the
# release never reached the link.)
#
#   t_login_links.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox

open_login
click $(login_link_point 0)
wait_for 'enlist_calls | grep -q -- "/addnew"' 5 ||
    fail "the new-account link did not start Enlist (started: $(enlist_calls | tr '\n' ' '))"
wait_for 'test -z "$(window_named "Tarvel Login")"' 5 || fail "the new-account link left the login window open"
shot enlist-started

open_login
click $(login_link_point 1)
wait_for 'opened | grep -q "^http://$host/Tarvel/Lookup.asp$"' 5 ||
    fail "the forgotten-password link opened no page (opened: $(opened | tr '\n' ' '))"
wait_for 'test -z "$(window_named "Tarvel Login")"' 5 ||
    fail "the forgotten-password link left the login window open"
shot lookup-opened

pass "both login links answer the mouse: Enlist /addnew and the page $(opened | grep Lookup)"
