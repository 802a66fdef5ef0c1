#!/usr/bin/env bash
# The X server goes away (the session's display ends, the connection is
# lost) while the user is logged in and has opened a category: Tarvel still
# logs out as Close would, so the server receives the category log, and ends
# within a few seconds.
#
#   t_display_gone.sh BIN_DIR OUT_DIR
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop none
data="$X11_WORK/data-home/Tarvel/data"
gone() { ! kill -0 "$1" 2>/dev/null || grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat" 2>/dev/null; }

login_demo
open_level "$menu" 0 >/dev/null || exit 1
wait_for 'ls "$data"/c*.dat >/dev/null 2>&1' 5 || fail "opening a category logged nothing"
log=$(ls "$data"/c*.dat | head -n 1)
id=$(head -n 1 "$log" | tr -d '\r')
shot logged-in
# The X server is the first process the harness started.
kill -KILL "${X11_PIDS[0]}"
unset DISPLAY
wait_for 'gone "$tarvel_pid"' 6 || fail "Tarvel still ran 6 s after the X server went away"
requests 'SubmitCategoryLog.asp' | grep -q "UserID=1001&ID=$id" ||
    fail "the server received no category log: $(requests | tail -n 5 | tr '\n' ';')"
[ ! -e "$log" ] || fail "the category log the server took was kept"
pass "the display gone: the category log sent, Tarvel ended"
