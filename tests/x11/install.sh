#!/usr/bin/env bash
# The programs as a package installs them, made two ways: `cmake --install
# --strip` into a temporary prefix, or (--deb) the Debian package that
# `cpack -G DEB` makes, checked with lintian and unpacked into a temporary
# root. Either way the files are checked (bin/tarvel only, Enlist in a folder
# of its own, desktop entries, icon, metainfo, manual page; programs
# stripped, PIE, with no RPATH and no build path), the prefix is made
# read-only, and the installed Tarvel is run from it under Xvfb against the
# local service up to the home menu, with its data under a temporary
# XDG_DATA_HOME. Run as root, the program runs as the user nobody: root writes
# through permission bits.
#
#   install.sh BUILD_DIR OUT_DIR [--deb]
set -uo pipefail

BUILD=${1:?usage: install.sh BUILD_DIR OUT_DIR [--deb]}
OUT=${2:?usage: install.sh BUILD_DIR OUT_DIR [--deb]}
FROM=${3:-}
source "$(dirname "$0")/lib.sh"
x11_begin "$BUILD/bin" "$OUT" none
command -v cmake >/dev/null 2>&1 || x11_skip "cmake is not installed (scripts/setup.sh installs it)"
# The user the program runs as must reach the prefix made in here.
WORK=$X11_WORK
chmod 755 "$WORK"
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)

# The options a program's --help lists ("  -h, --help   show ...").
help_options() {
    env -u DISPLAY "$1" --help 2>&1 | sed -n 's|^  \([-/][^ ].*\)  .*|\1|p' | tr ', ' '\n\n' |
        grep -E '^(-|--|/)[A-Za-z]'
}

# check_package_files PREFIX TARVEL ENLIST: what a distribution and a
# software centre read beside the programs, and the programs themselves.
check_package_files() {
    local p=$1 tarvel=$2 enlist=$3
    local version
    version=$(env -u DISPLAY "$tarvel" --version 2>&1)
    version=${version#Tarvel }

    local info="$p/share/metainfo/com.tarvel.Tarvel.metainfo.xml"
    [ -f "$info" ] || fail "$info is missing"
    if command -v appstreamcli >/dev/null 2>&1; then
        appstreamcli validate --no-net "$info" >"$WORK/metainfo.log" 2>&1 ||
            fail "$info does not validate: $(cat "$WORK/metainfo.log")"
    fi
    local launched
    launched=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$info")
    [ -n "$launched" ] && [ -f "$p/share/applications/$launched" ] ||
        fail "$info names the desktop entry '$launched', which is not installed"
    grep -q "<release version=\"$version\"" "$info" || fail "$info does not list version $version"

    local man="$p/share/man/man1/tarvel.1.gz"
    [ -f "$man" ] || fail "$man is missing"
    command -v man >/dev/null 2>&1 || x11_skip "man is not installed (scripts/setup.sh installs man-db)"
    # man --warnings has groff report what it could not typeset (groff -ww).
    LC_ALL=C MANWIDTH=80 man --warnings -l "$man" >"$WORK/man.txt" 2>"$WORK/man.err" ||
        fail "man -l $man failed: $(cat "$WORK/man.err")"
    [ ! -s "$WORK/man.err" ] || fail "$man: $(cat "$WORK/man.err")"
    grep -q "Tarvel $version" "$WORK/man.txt" || fail "$man is not for version $version"
    local program option
    for program in "$tarvel" "$enlist"; do
        while read -r option; do
            grep -qF -e "$option" "$WORK/man.txt" ||
                fail "$man does not describe $(basename "$program")'s option $option"
        done < <(help_options "$program")
    done

    # Stripped (the debug data stays in the build), position-independent,
    # finding its libraries where the system keeps them, and naming no
    # folder of the machine it was built on. A sanitizer build records its
    # source paths for its reports.
    local sanitized=0
    grep -q '^TARVEL_SANITIZE:BOOL=ON' "$BUILD/CMakeCache.txt" 2>/dev/null && sanitized=1
    for program in "$tarvel" "$enlist"; do
        readelf -h "$program" | grep -q 'Type: *DYN' || fail "$program is not position-independent"
        ! readelf -d "$program" | grep -qE 'RPATH|RUNPATH' || fail "$program has an RPATH"
        ! readelf -S "$program" | grep -qE ' \.(debug_[a-z]*|symtab) ' || fail "$program is not stripped"
        [ "$sanitized" -eq 1 ] || ! grep -qaF "$SOURCE" "$program" ||
            fail "$program holds the build path $SOURCE: $(grep -aoF "$SOURCE[^ ]*" "$program" | head -n 3)"
    done
}

if [ "$FROM" = --deb ]; then
    for tool in cpack dpkg-deb dpkg-shlibdeps lintian; do
        command -v "$tool" >/dev/null 2>&1 || x11_skip "$tool is not installed (scripts/setup.sh installs it)"
    done
    # --- the Debian package, as the build makes it.
    (cd "$WORK" && cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/deb") \
        >"$WORK/cpack.log" 2>&1 || fail "cpack -G DEB failed: $(tail -n 5 "$WORK/cpack.log")"
    deb=$(find "$WORK/deb" -maxdepth 1 -name '*.deb')
    [ "$(wc -l <<<"$deb")" -eq 1 ] && [ -n "$deb" ] || fail "cpack made no single .deb: $deb"
    depends=$(dpkg-deb -f "$deb" Depends)
    # dpkg-shlibdeps names the libraries' packages, with their versions.
    for lib in libc6 libqt6widgets6 libcurl4; do
        grep -qE "(^|, )$lib( |,|$)" <<<"$depends" || fail "$(basename "$deb") does not depend on $lib: $depends"
    done
    # Only what a distribution's packager adds is missing: its changelog and
    # copyright file.
    lintian --no-tag-display-limit "$deb" >"$WORK/lintian.log" 2>"$WORK/lintian.err"
    complaints=$(grep -E '^[EW]: ' "$WORK/lintian.log" |
        grep -vE ': (no-copyright-file|no-changelog|debian-changelog-file-missing)( |$)')
    [ -z "$complaints" ] || fail "lintian on $(basename "$deb"): $complaints"
    root="$WORK/root"
    dpkg-deb -x "$deb" "$root" || fail "$(basename "$deb") does not unpack"
    P="$root/usr" # where the files are; the desktop entries name /usr
    NAMED=/usr
    package_version=$(dpkg-deb -f "$deb" Version)
else
    # --- the package build's install, as the README gives it.
    P="$WORK/prefix"
    cmake --install "$BUILD" --prefix "$P" --strip >"$WORK/install.log" 2>&1 ||
        fail "cmake --install failed: $(tail -n 5 "$WORK/install.log")"
    NAMED=$P
    package_version=""
fi
[ "$(ls "$P/bin")" = tarvel ] || fail "bin/ holds more than tarvel: $(ls "$P/bin" | tr '\n' ' ')"
[ -x "$P/bin/tarvel" ] || fail "bin/tarvel does not start anything"
enlist=$(find "$P" -name Enlist -type f -perm -u+x)
[ -n "$enlist" ] || fail "Enlist was not installed"
tarvel=$(readlink -f "$P/bin/tarvel")
apps="$P/share/applications"
grep -qx "Exec=\"$NAMED/bin/tarvel\"" "$apps/com.tarvel.Tarvel.desktop" ||
    fail "com.tarvel.Tarvel.desktop does not start $NAMED/bin/tarvel: $(grep Exec "$apps/com.tarvel.Tarvel.desktop")"
grep -qx "Exec=\"$NAMED${enlist#"$P"}\"" "$apps/com.tarvel.Enlist.desktop" ||
    fail "com.tarvel.Enlist.desktop does not start $NAMED${enlist#"$P"}"
for entry in "$apps"/*.desktop; do
    grep -qx 'Icon=tarvel' "$entry" || fail "$entry names no icon"
    if command -v desktop-file-validate >/dev/null 2>&1; then
        desktop-file-validate "$entry" || fail "$entry is not a valid desktop entry"
    fi
done
[ -f "$P/share/icons/hicolor/scalable/apps/tarvel.svg" ] && [ -f "$P/share/icons/hicolor/48x48/apps/tarvel.png" ] ||
    fail "the icon is not in the hicolor theme"
check_package_files "$P" "$tarvel" "$enlist"
version=$(env -u DISPLAY "$P/bin/tarvel" --version 2>&1)
[ -z "$package_version" ] || [ "$version" = "Tarvel $package_version" ] ||
    fail "the package is version $package_version, tarvel --version says: $version"

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
