# Shared by scripts/run and scripts/test: installs what the build needs on a
# Debian machine (as root, or through sudo), skipping what is there.
set -euo pipefail

TARVEL_PACKAGES=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
    libcpp-httplib-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core
    fonts-liberation clang clang-format libclang-rt-14-dev xvfb xauth xdotool x11-apps x11-utils imagemagick libshp-dev
    openbox tint2 xfwm4 wmctrl xdg-utils libcurl4-openssl-dev tinyproxy icewm fluxbox xfce4-panel
    dbus-daemon x11-xserver-utils dpkg-dev file lintian appstream desktop-file-utils man-db)

# The job count of builds and test runs: JOBS=N overrides the processor count.
TARVEL_JOBS=${JOBS:-$(nproc)}

tarvel_setup() {
    local missing=()
    for p in "${TARVEL_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    # apt's progress is shown only when something goes wrong; on a fresh
    # machine it is quiet for minutes.
    echo "Installing ${#missing[@]} Debian packages with apt-get, quietly (a few minutes on a fresh machine): ${missing[*]}"
    local log
    log=$(mktemp)
    if ! { $sudo apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            "${missing[@]}"; } >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        echo "package installation failed" >&2
        return 1
    fi
    rm -f "$log"
}

# tarvel_build DIR [cmake options...]
tarvel_build() {
    local dir=$1
    shift
    cmake -S "$TARVEL_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$TARVEL_JOBS"
}

# tarvel_format_check: names every tracked C++ source and header that
# clang-format would change; false when there is one (or no clang-format).
tarvel_format_check() {
    if ! command -v clang-format >/dev/null 2>&1; then
        echo "clang-format not found" >&2
        return 1
    fi
    local files=()
    if git -C "$TARVEL_ROOT" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        mapfile -t files < <(git -C "$TARVEL_ROOT" ls-files '*.cpp' '*.h')
    else
        # An unpacked source archive: the same files, minus the build folders.
        mapfile -t files < <(cd "$TARVEL_ROOT" && find . \( -name 'build*' -o -name '.?*' \) \
            -prune -o \( -name '*.cpp' -o -name '*.h' \) -print | sort)
    fi
    [ ${#files[@]} -eq 0 ] && return 0
    # --Werror makes each change a diagnostic; only the file names are shown.
    local out status
    out=$(cd "$TARVEL_ROOT" && clang-format --dry-run --Werror "${files[@]}" 2>&1)
    status=$?
    [ $status -eq 0 ] && return 0
    local changed
    changed=$(grep -E '^[^ ]+:[0-9]+:[0-9]+: (error|warning)' <<<"$out" | cut -d: -f1 | sort -u)
    if [ -n "$changed" ]; then
        sed 's/^/  would change: /' <<<"$changed" >&2
    else
        echo "$out" >&2 # clang-format itself failed (a bad .clang-format, say)
    fi
    return 1
}
