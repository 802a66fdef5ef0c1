#!/usr/bin/env bash
# Enlist's Cancel stops the download of the database installer: a plain
# start, a complete account logged in on the first page, and an installer
# that the service trickles (a minute's worth). Cancel, two seconds in, ends
# Enlist at once, leaves no db.exe and opens no fallback page.
#
#   t_enlist_installer_cancel.sh BIN_DIR OUT_DIR [WM]
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_x
start_wm openbox
start_service --trickle /tarvel/db.exe=1024/1000
start_enlist
wizard=$(wait_enlist_wizard) || fail "Enlist's wizard did not show"
sleep 0.5
xdotool windowactivate "$wizard" 2>/dev/null
sleep 0.3
type_text demo
xdotool key Tab
type_text demo
xdotool key Return
wait_for 'test "$(request_count "/tarvel/db.exe")" -ge 1' 10 || fail "the installer was not asked for"
sleep 2
shot downloading
t0=$(date +%s%N)
enlist_click "$wizard" 408 315 # Cancel
wait_for '! kill -0 "$enlist_pid" 2>/dev/null' 5 || fail "Enlist went on after Cancel"
t1=$(date +%s%N)
[ $(((t1 - t0) / 1000000)) -lt 3000 ] || fail "Enlist took $(((t1 - t0) / 1000000)) ms to stop"
data="$X11_WORK/data-home/Tarvel/data"
[ ! -e "$data/db.exe" ] || fail "a db.exe was left in the data folder"
[ -z "$(opened)" ] || fail "the fallback page was opened: $(opened)"
pass "Cancel stopped the installer's download and ended Enlist"
