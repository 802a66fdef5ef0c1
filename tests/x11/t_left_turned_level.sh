#!/usr/bin/env bash
# A level that opens to the left at the screen edge, over an ancestor, is used
# with the mouse like any other: the pointer moved into it highlights its own
# rows (not the ancestor's hidden under it) and a click opens the row's site.
# Sample data: Arts & Entertainment > Movies > More Movies > Classic Movies,
# whose level no longer fits right of More Movies on a 1024-pixel screen.
# Leaves the shot "levels-one-turned-left".
#
#   t_left_turned_level.sh BIN_DIR OUT_DIR [WM]
# window managers: desktops none
set -uo pipefail
source "$(dirname "$0")/lib.sh"
x11_begin "$@"
start_desktop openbox
login_demo

l1=$(open_level "$menu" 0) || exit 1                        # Arts & Entertainment
l2=$(open_level "$l1" 4 "$l1") || exit 1                    # Movies
l3=$(open_level "$l2" 6 "$l1" "$l2") || exit 1              # More Movies
l4=$(open_level "$l3" 2 "$l1" "$l2" "$l3") || exit 1        # Classic Movies
geom "$l3"
l3x=$X
geom "$l4"
l4x=$X l4y=$Y l4w=$WIDTH
[ "$((l4x + l4w))" -le "$((l3x + 8))" ] || fail "Classic Movies did not open to the left: $(geometry "$l4")"

# Into the turned level at the height of the row it came from, then down to
# its third row ("Classic Movies Central").
hover_row "$l4" 2
sleep 0.8
for lvl in "$l1" "$l2" "$l3" "$l4"; do
    mapped "$lvl" || fail "level $lvl closed when the pointer moved into the level turned left"
done
shot levels-one-turned-left

click "$((l4x + l4w / 2))" "$(row_y "$l4" 2)"
wait_for 'opened | grep -q redirectMenuItem' 5 || fail "a click on a row of the turned level opened nothing"
wait_for 'test -z "$(menu_window)"' 3 || fail "the menus stayed open after the site was opened"
pass "the level turned left takes the mouse: its row opened $(opened | grep redirectMenuItem)"
