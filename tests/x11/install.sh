#!/usr/bin/env bash
# The programs as a package installs them: `cmake --install` into a temporary
# prefix, checked for its layout (bin/tarvel only, Enlist in a folder of its
# own, desktop entries and the icon), made read-only, and the installed Tarvel
# run from it under Xvfb against the local service up to the home menu, with
# its data under a temporary XDG_DATA_HOME. Run as root, the program runs as
# the user nobody: root writes through permission bits.
#
#   install.sh BUILD_DIR OUT_DIR
set -uo pipefail

BUILD=${1:?usage: install.sh BUILD_DIR OUT_DIR}
OUT=${2:?usage: install.sh BUILD_DIR OUT_DIR}
source "$(dirname "$0")/lib.sh"
x11_begin "$BUILD/bin" "$OUT" none
command -v cmake >/dev/null 2>&1 || x11_skip "cmake is not installed (scripts/setup.sh installs it)"
# The user the program runs as must reach the prefix made in here.
WORK=$X11_WORK
chmod 755 "$WORK"

# --- the package build's install.
P="$WORK/prefix"
cmake --install "$BUILD" --prefix "$P" >"$WORK/install.log" 2>&1 ||
    fail "cmake --install failed: $(tail -n 5 "$WORK/install.log")"
[ "$(ls "$P/bin")" = tarvel ] || fail "bin/ holds more than tarvel: $(ls "$P/bin" | tr '\n' ' ')"
[ -x "$P/bin/tarvel" ] || fail "bin/tarvel does not start anything"
enlist=$(find "$P" -name Enlist -type f -perm -u+x)
[ -n "$enlist" ] || fail "Enlist was not installed"
apps="$P/share/applications"
grep -qx "Exec=\"$P/bin/tarvel\"" "$apps/tarvel.desktop" ||
    fail "tarvel.desktop does not start $P/bin/tarvel: $(grep Exec "$apps/tarvel.desktop")"
grep -qx "Exec=\"$enlist\"" "$apps/tarvel-enlist.desktop" ||
    fail "tarvel-enlist.desktop does not start $enlist"
for entry in "$apps"/*.desktop; do
    grep -qx 'Icon=tarvel' "$entry" || fail "$entry names no icon"
    if command -v desktop-file-validate >/dev/null 2>&1; then
        desktop-file-validate "$entry" || fail "$entry is not a valid desktop entry"
    fi
done
[ -f "$P/share/icons/hicolor/scalable/apps/tarvel.svg" ] && [ -f "$P/share/icons/hicolor/48x48/apps/tarvel.png" ] ||
    fail "the icon is not in the hicolor theme"

# --- read-only, and a user who cannot write there.
chmod -R a-w "$P"
USER_HOME="$WORK/user"
mkdir -p "$USER_HOME/config/Tarvel" "$USER_HOME/first-run" "$USER_HOME/data" "$USER_HOME/tmp" "$USER_HOME/cache"
printf '[Main]\nLastUpdated=1/4/2000\nVersion=1.0.3\n' >"$USER_HOME/config/Tarvel/Tarvel.ini"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null 2>&1 || x11_skip "setpriv is missing (util-linux)"
    chown -R 65534:65534 "$USER_HOME"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
fi
chmod -R go-rwx "$USER_HOME"
if "${as_user[@]}" sh -c ": > '$P/bin/planted'" 2>/dev/null; then
    fail "the installed prefix can still be written"
fi
version=$("${as_user[@]}" env -u DISPLAY "$P/bin/tarvel" --version 2>&1)
[ "$version" = "Tarvel 1.0.3" ] || fail "tarvel --version said: $version"
touch "$WORK/before-run"

# --- the X server and the local service.
start_x
"${as_user[@]}" xdotool getdisplaygeometry >/dev/null 2>&1 || x11_skip "the X server on $DISPLAY does not answer"
start_service

user_env=(env HOME="$USER_HOME" XDG_CONFIG_HOME="$USER_HOME/config"
    XDG_DATA_HOME="$USER_HOME/data" XDG_CACHE_HOME="$USER_HOME/cache" TMPDIR="$USER_HOME/tmp"
    XDG_RUNTIME_DIR="$USER_HOME/tmp" TARVEL_BOOTSTRAP_HOST="$host" TARVEL_SERVER_HOST="$host"
    TARVEL_MEMBER_HOST="$host" QT_QPA_PLATFORM=xcb)

# --- a first run finds the installed Enlist and hands over to it.
"${as_user[@]}" "${user_env[@]}" XDG_CONFIG_HOME="$USER_HOME/first-run" "$P/bin/tarvel" \
    >"$WORK/first-run.log" 2>&1 ||
    fail "the first run ended with an error: $(cat "$WORK/first-run.log")"
wait_for 'test -n "$(xdotool search --onlyvisible --name "^Welcome to Tarvel$" 2>/dev/null)"' ||
    fail "the first run did not start Enlist: $(cat "$WORK/first-run.log")"
shot enlist
enlist_pid=$(xdotool getwindowpid "$(xdotool search --onlyvisible --name '^Welcome to Tarvel$' | head -n 1)")
[ -n "$enlist_pid" ] && [ "$(readlink "/proc/$enlist_pid/exe")" = "$enlist" ] ||
    fail "the window is not the installed Enlist's"
kill -TERM "$enlist_pid"

# --- the installed Tarvel, by the name a desktop entry uses.
"${as_user[@]}" env HOME="$USER_HOME" XDG_CONFIG_HOME="$USER_HOME/config" \
    XDG_DATA_HOME="$USER_HOME/data" XDG_CACHE_HOME="$USER_HOME/cache" TMPDIR="$USER_HOME/tmp" \
    XDG_RUNTIME_DIR="$USER_HOME/tmp" TARVEL_BOOTSTRAP_HOST="$host" TARVEL_SERVER_HOST="$host" \
    TARVEL_MEMBER_HOST="$host" QT_QPA_PLATFORM=xcb "$P/bin/tarvel" >"$WORK/tarvel.log" 2>&1 &
tarvel_pid=$!
X11_PIDS+=("$tarvel_pid")

wait_for 'test -n "$(window_named Tarvel)"' || fail "the button did not show: $(cat "$WORK/tarvel.log")"
shot button
# The data folders were made at start, private to the user.
for folder in Tarvel Tarvel/data Tarvel/images; do
    [ "$(stat -c %a "$USER_HOME/data/$folder")" = 700 ] ||
        fail "$folder is not private: $(stat -c %a "$USER_HOME/data/$folder" 2>&1)"
done
# What a database installer leaves there: the menu table.
cp "$WORK/service/MenuItems.dat" "$USER_HOME/data/Tarvel/data/MenuItems.dat"
[ ${#as_user[@]} -eq 0 ] || chown 65534:65534 "$USER_HOME/data/Tarvel/data/MenuItems.dat"

button=$(window_named Tarvel)
eval "$(xdotool getwindowgeometry --shell "$button")"
xdotool mousemove "$((X + WIDTH / 2))" "$((Y + HEIGHT / 2))" click 1
wait_for 'test -n "$(window_named "Tarvel Login")"' || fail "the login window did not open"
login=$(window_named 'Tarvel Login')
eval "$(xdotool getwindowgeometry --shell "$login")"
sleep 0.5 # its slide
xdotool mousemove "$((X + WIDTH / 2))" "$((Y + 4))"
xdotool type --delay 30 demo
xdotool key Tab
xdotool type --delay 30 demo
xdotool key Return
wait_for 'test -n "$(menu_window)"' ||
    fail "the home menu did not open after the login: $(windows | tr '\n' ';') $(cat "$WORK/tarvel.log")"
sleep 0.6 # the slide
shot menu-open
kill -0 "$tarvel_pid" 2>/dev/null || fail "Tarvel ended"

planted=$(find "$P" -newer "$WORK/before-run" | head -n 3)
[ -z "$planted" ] || fail "the run wrote into the prefix: $planted"
[ -s "$USER_HOME/data/Tarvel/data/MenuItems.dat" ] || fail "the menu table is gone"

echo "PASSED: installed layout, read-only prefix, button, login, home menu (data in XDG_DATA_HOME)"
exit 0
