#!/usr/bin/env bash
# Enlist drops the clicks given while a blocking request runs, as it drops
# keys: the account page's Next starts the user-name check, which the service
# holds back for three seconds; the impatient user clicks Next twice more and
# Cancel once meanwhile. Once the check is through, page 2 shows and nothing
# else happens: no "You must enter your first name." from a replayed Next, no
# "Cancel Sign Up" question from a replayed Cancel.
#
#   t_enlist_clicks_during_request.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops none
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_x
start_wm openbox
start_service --delay /internal/checkUserName.asp=3000
start_enlist /addnew
wizard=$(wait_enlist_wizard) || fail "Enlist's wizard did not show"
sleep 0.5
shot account-page

# The account page: user name, password twice, email (each box clicked
# into), then Next.
enlist_click "$wizard" 336 113
type_text newuser1
enlist_click "$wizard" 336 137
type_text secret1
enlist_click "$wizard" 336 161
type_text secret1
enlist_click "$wizard" 368 193
type_text n@example.org
enlist_click "$wizard" 328 315
wait_for 'test "$(request_count checkUserName)" -ge 1' 5 || fail "Next did not start the check"
sleep 0.5
enlist_click "$wizard" 328 315
sleep 0.2
enlist_click "$wizard" 328 315
sleep 0.2
enlist_click "$wizard" 408 315 # Cancel
shot clicks-given-while-waiting
wait_for 'test "$(request_count addUserStep1)" -ge 1' 8 || fail "the account step was not sent"
sleep 1.5 # time for any replayed click to act
shot after-the-request
kill -0 "$enlist_pid" 2>/dev/null || fail "Enlist ended"
extra=$(windows "$enlist_pid" | grep -v " Welcome to Tarvel$")
[ -z "$extra" ] || fail "clicks given during the request acted after it: $extra"
[ "$(request_count checkUserName)" -eq 1 ] || fail "the check was sent $(request_count checkUserName) times"
[ "$(request_count addUserStep1)" -eq 1 ] || fail "the account step was sent $(request_count addUserStep1) times"
pass "clicks given while Enlist waited for the server were dropped"
