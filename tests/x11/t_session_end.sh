#!/usr/bin/env bash
# The desktop session ends (SIGTERM, as a session manager and `kill` send it)
# while the user is logged in and has opened a category: Tarvel logs out as
# Close would, so the server receives the category log, and leaves its menu
# table whole, within a few seconds. A server that accepts the connection and
# never answers does not keep it either.
#
#   t_session_end.sh BIN_DIR OUT_DIR [WM]
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox
data="$X11_WORK/data-home/Tarvel/data"

# gone PID: the process has ended (reaped or a zombie).
gone() { ! kill -0 "$1" 2>/dev/null || grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat" 2>/dev/null; }

# The table's header names its records and their length: a table cut short
# or left with a half-written record is not whole.
table_whole() {
    local file="$data/MenuItems.dat" count header length size
    count=$(od -An -tu4 -j4 -N4 "$file" | tr -d ' ')
    header=$(od -An -tu2 -j8 -N2 "$file" | tr -d ' ')
    length=$(od -An -tu2 -j10 -N2 "$file" | tr -d ' ')
    size=$(stat -c %s "$file")
    [ "$size" -eq $((header + count * length)) ] || [ "$size" -eq $((header + count * length + 1)) ]
}

# Logged in, a category opened: its id waits in the category log.
login_demo
open_level "$menu" 0 >/dev/null || exit 1
wait_for 'ls "$data"/c*.dat >/dev/null 2>&1' 5 || fail "opening a category logged nothing"
log=$(ls "$data"/c*.dat | head -n 1)
id=$(head -n 1 "$log" | tr -d '\r')
shot logged-in
kill -TERM "$tarvel_pid"
wait_for 'gone "$tarvel_pid"' 6 || fail "Tarvel still ran 6 s after SIGTERM"
requests 'SubmitCategoryLog.asp' | grep -q "UserID=1001&ID=$id" ||
    fail "the server received no category log: $(requests | tail -n 5 | tr '\n' ';')"
[ ! -e "$log" ] || fail "the category log the server took was kept"
table_whole || fail "the menu table is not whole after the session's end"

# Again, with the server stopped as it would hang: the end is still bounded.
start_tarvel
login_demo
open_level "$menu" 0 >/dev/null || exit 1
wait_for 'ls "$data"/c*.dat >/dev/null 2>&1' 5 || fail "opening a category logged nothing"
kill -STOP "$service_pid"
started=$(date +%s%N)
kill -TERM "$tarvel_pid"
wait_for 'gone "$tarvel_pid"' 8
ended=$?
kill -CONT "$service_pid"
[ "$ended" -eq 0 ] || fail "a server that never answers kept Tarvel 8 s after SIGTERM"
echo "ended $(((($(date +%s%N) - started)) / 1000000)) ms after SIGTERM with the server stopped"
table_whole || fail "the menu table is not whole after the session's end"
pass "SIGTERM logs out as Close does: category log sent, table whole, within the bound"
