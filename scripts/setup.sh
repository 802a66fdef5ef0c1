# Shared by scripts/run and scripts/test: installs what the build needs on a
# Debian machine (as root, or through sudo), skipping what is there.
set -euo pipefail

TARVEL_PACKAGES=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
    libcpp-httplib-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core
    fonts-liberation clang libclang-rt-14-dev xvfb xauth xdotool x11-apps x11-utils imagemagick libshp-dev
    openbox tint2 xfwm4 wmctrl)

tarvel_setup() {
    local missing=()
    for p in "${TARVEL_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# tarvel_build DIR [cmake options...]
tarvel_build() {
    local dir=$1
    shift
    cmake -S "$TARVEL_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
