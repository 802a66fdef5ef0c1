#!/usr/bin/env bash
# The tooltip of a category row stays when the pointer moves on to it from
# another category: the level of the category left behind closes, and that
# must not take the new row's tooltip with it.
#
#   t_tooltip_between_categories.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops none
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox
login_demo

l1=$(open_level "$menu" 0) || exit 1     # Arts & Entertainment
l2=$(open_level "$l1" 4 "$l1") || exit 1 # Movies
wait_for 'test -n "$(tooltip_window)"' 3 || fail "resting on Movies showed no tooltip"

# On to Museums, the next category: its level replaces Movies' level.
l3=$(open_level "$l1" 5 "$l1" "$l2") || exit 1
sleep 0.5
mapped "$l2" && fail "the level of Movies stayed open beside Museums'"
tip=$(tooltip_window)
[ -n "$tip" ] || fail "the tooltip vanished when the pointer moved from Movies to Museums"
geom "$tip"
tip_bottom=$((Y + HEIGHT))
museums_y=$(row_y "$l1" 5)
# Shown just above the highlighted row: Museums', not Movies' one row up.
[ "$tip_bottom" -gt "$((museums_y - 20))" ] && [ "$tip_bottom" -le "$((museums_y + 10))" ] ||
    fail "the tooltip is not Museums' (bottom at $tip_bottom, row at $museums_y)"
shot museums-tooltip
pass "the tooltip of the category moved to stays"
