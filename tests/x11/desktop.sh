# shellcheck shell=bash
# Sourced by lib.sh, never run: the X server and the desktops of the X11
# suite's matrix (start_x, start_wm, start_panel) and what scenarios read
# of the work area the window manager publishes.

# --- the X server ------------------------------------------------------------

# start_x: a 1024x768 screen; on the two-monitor desktop (openbox2mon) one
# 2048x768 screen that RandR splits into two 1024x768 monitors side by side,
# as a graphics card with two outputs gives them.
start_x() {
    local size=1024x768x24
    [ "${X11_WM_ARG:-}" = openbox2mon ] && size=2048x768x24
    Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp -noreset \
        3>"$X11_WORK/display" >"$X11_WORK/xvfb.log" 2>&1 &
    local xvfb_pid=$!
    X11_PIDS+=("$xvfb_pid")
    local display=""
    for _ in $(seq 1 50); do
        display=$(head -n 1 "$X11_WORK/display" 2>/dev/null)
        [ -n "$display" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$display" ] || x11_skip "Xvfb could not start: $(tail -n 3 "$X11_WORK/xvfb.log" | tr '\n' ' ')"
    export DISPLAY=":$display"
    xdotool getdisplaygeometry >/dev/null 2>&1 || x11_skip "the X server on $DISPLAY does not answer"
    if [ "${X11_WM_ARG:-}" = openbox2mon ]; then
        command -v xrandr >/dev/null || x11_skip "xrandr is not installed (scripts/setup.sh installs it)"
        xrandr --setmonitor left 1024/271x768/203+0+0 screen >/dev/null 2>&1 &&
            xrandr --setmonitor right 1024/271x768/203+1024+0 none >/dev/null 2>&1 &&
            [ "$(xrandr --listmonitors 2>/dev/null | head -n 1)" = "Monitors: 2" ] ||
            x11_skip "the X server could not split its screen into two monitors"
    fi
}

# --- the window manager ------------------------------------------------------

# True once a window manager owns the screen (its check window is set).
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# The desktops a scenario runs on (its "# window managers:" line, see
# tests/CMakeLists.txt), each with what its own session starts beside the
# window manager:
#   openbox      openbox and a tint2 panel at the bottom
#   openbox2mon  the same on two monitors (start_x), tint2 on each
#   xfwm4        xfwm4 and xfce4-panel (its default panels) on one session bus
#   icewm        icewm and its own taskbar
#   fluxbox      fluxbox and its own toolbar
#   none         no window manager, no panel
# A desktop whose programs are not installed or do not start skips the
# scenario (77): it never passes where it did not run.
start_wm() {
    X11_WM=${X11_WM_ARG:-${1:-none}}
    mkdir -p "$X11_WORK/wm-config" "$X11_WORK/wm-home"
    X11_PANEL=""
    case "$X11_WM" in
    none) return 0 ;;
    openbox | openbox2mon)
        x11_need openbox tint2
        x11_wm_exec openbox --sm-disable
        X11_PANEL=tint2
        ;;
    xfwm4)
        x11_need xfwm4 xfce4-panel dbus-daemon
        # xfwm4 and the panel read their settings through xfconf, which lives
        # on the session bus: one bus of our own for both, as a session
        # gives them, ended with the rest.
        dbus-daemon --session --nofork --nopidfile --print-address=4 \
            4>"$X11_WORK/dbus.address" >"$X11_WORK/dbus.log" 2>&1 &
        X11_PIDS+=($!)
        wait_for 'test -s "$X11_WORK/dbus.address"' || x11_skip "no session bus for xfwm4"
        X11_BUS=$(head -n 1 "$X11_WORK/dbus.address")
        x11_wm_exec xfwm4 --compositor=off --sm-client-disable
        X11_PANEL=xfce4-panel
        ;;
    icewm)
        x11_need icewm
        # Its taskbar is part of it; the start-up programs of a session are not.
        mkdir -p "$X11_WORK/wm-home/.icewm"
        printf 'ShowTaskBar=1\nTaskBarAtTop=0\n' >"$X11_WORK/wm-home/.icewm/preferences"
        x11_wm_exec icewm
        X11_PANEL=icewm
        ;;
    fluxbox)
        x11_need fluxbox
        # Its toolbar is part of it. No wallpaper: fluxbox hands that to a
        # helper that shows a message box where it fails.
        mkdir -p "$X11_WORK/wm-home/.fluxbox"
        printf 'background: none\n' >"$X11_WORK/wm-home/.fluxbox/overlay"
        printf 'session.styleOverlay: %s\nsession.screen0.toolbar.visible: true\n' \
            "$X11_WORK/wm-home/.fluxbox/overlay" >"$X11_WORK/wm-home/.fluxbox/init"
        x11_wm_exec fluxbox -rc "$X11_WORK/wm-home/.fluxbox/init"
        X11_PANEL=fluxbox
        ;;
    *) fail "unknown desktop: $X11_WM" ;;
    esac
    wait_for wm_running 20 ||
        x11_skip "$X11_WM did not take the screen: $(tail -n 3 "$X11_WORK/wm.log" | tr '\n' ' ')"
    [ "${X11_PANEL_LATER:-0}" = 1 ] || start_panel
}

# x11_need PROGRAM...: skips the scenario when one is not installed.
x11_need() {
    local prog
    for prog in "$@"; do
        command -v "$prog" >/dev/null ||
            x11_skip "$prog is not installed (scripts/setup.sh installs it): $X11_WM not tried"
    done
}

# x11_wm_exec PROGRAM [ARGS...]: a program of the desktop in the background,
# with the desktop's own home, settings and session bus.
x11_wm_exec() {
    env HOME="$X11_WORK/wm-home" XDG_CONFIG_HOME="$X11_WORK/wm-config" \
        ${X11_BUS:+DBUS_SESSION_BUS_ADDRESS="$X11_BUS"} "$@" >>"$X11_WORK/wm.log" 2>&1 &
    X11_PIDS+=($!)
}

# workarea_height: the height of the work area the window manager
# publishes (_NET_WORKAREA of the first desktop), "" when none.
workarea_height() { xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/^.*= //p' | cut -d, -f4 | tr -d ' '; }
screen_height() { xdotool getdisplaygeometry 2>/dev/null | cut -d' ' -f2; }
# workarea_bottom: the first pixel row below the work area (the screen's
# height without a window manager's work area).
workarea_bottom() {
    local a
    a=$(xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/^.*= //p' | tr -d ' ')
    if [ -n "$a" ]; then echo "$(($(cut -d, -f2 <<<"$a") + $(cut -d, -f4 <<<"$a")))"; else screen_height; fi
}
# workarea_origin: "x y" of the work area's top left ("0 0" without one).
workarea_origin() {
    local a
    a=$(xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/^.*= //p' | tr -d ' ')
    if [ -n "$a" ]; then echo "$(cut -d, -f1 <<<"$a") $(cut -d, -f2 <<<"$a")"; else echo "0 0"; fi
}

# start_panel: the desktop's panel (see start_wm); start_wm starts it
# unless X11_PANEL_LATER=1, for a scenario where the panel comes up after
# Tarvel, as in a session whose programs start before its panel. Returns once
# the panel's strut has reached the work area, which places the button.
start_panel() {
    case "${X11_PANEL:-}" in
    tint2)
        env HOME="$X11_WORK/wm-home" XDG_CONFIG_HOME="$X11_WORK/wm-config" \
            tint2 >"$X11_WORK/panel.log" 2>&1 &
        X11_PIDS+=($!)
        wait_for 'xdotool search --onlyvisible --classname tint2 >/dev/null 2>&1' 20 ||
            fail "the tint2 panel did not show: $(tail -n 3 "$X11_WORK/panel.log" | tr '\n' ' ')"
        ;;
    xfce4-panel)
        env HOME="$X11_WORK/wm-home" XDG_CONFIG_HOME="$X11_WORK/wm-config" \
            DBUS_SESSION_BUS_ADDRESS="$X11_BUS" \
            xfce4-panel --sm-client-disable >"$X11_WORK/panel.log" 2>&1 &
        X11_PIDS+=($!)
        wait_for 'xdotool search --onlyvisible --classname xfce4-panel >/dev/null 2>&1' 20 ||
            fail "xfce4-panel did not show: $(grep -v '^$' "$X11_WORK/panel.log" | tail -n 3 | tr '\n' ' ')"
        ;;
    icewm | fluxbox) ;; # drawn by the window manager itself
    *) return 0 ;;
    esac
    wait_for 'test -n "$(workarea_height)" && test "$(workarea_height)" -lt "$(screen_height)"' 20 ||
        fail "the $X11_PANEL panel reserved no room: work area $(workarea_height) high"
    sleep 0.3 # the panel has drawn itself
}
