# SPDX-FileCopyrightText: 2026 planview developers
#
# SPDX-License-Identifier: MIT

# Shared by the scripts in scripts/ and bench/: package installs, the build,
# the package's timestamp and a virtual display. Source it from the
# repository root.

BUILD_DIR=${BUILD_DIR:-build}
# cmake only recommends make, its default build tool, and installs here skip recommendations.
BUILD_PACKAGES="cmake make g++ libgl1-mesa-dev libglu1-mesa-dev freeglut3-dev libx11-dev"
# The desktops' end-to-end cases: the test libraries, each test's own Xvfb, and the window managers
# they run under, openbox and GNOME's and KDE Plasma's Wayland compositors with Xwayland and a
# D-Bus session to run in.
DESKTOP_TEST_PACKAGES="googletest libgtest-dev libxtst-dev libxres-dev libpng-dev xvfb openbox
    mutter kwin-wayland xwayland dbus"
# The arm64 cross build on another architecture: Debian's cross compiler and the arm64 libraries
# the program links (after ensure_foreign_architecture arm64).
ARM64_CROSS_PACKAGES="g++-aarch64-linux-gnu libgl1-mesa-dev:arm64 libglu1-mesa-dev:arm64 freeglut3-dev:arm64"
# CI builds with warnings as errors.
WERROR=OFF
[ "${CI:-}" = true ] && WERROR=ON

# lap NAME: prints, on stderr, "time: NAME: N s", the whole seconds since the script's previous
# lap or its start, so that a log shows where its minutes went.
LAP_START=$SECONDS
lap() {
    echo "time: $1: $((SECONDS - LAP_START)) s" >&2
    LAP_START=$SECONDS
}

# Installs whichever of the named Debian packages are missing, and nothing
# when all are there.
ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Missing: ${missing[*]}; install them as root (apt-get install), or install sudo" >&2
            return 1
        fi
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}" >&2
    # Waits for another apt-get holding the lock instead of failing at once.
    local lock=(-o DPkg::Lock::Timeout=600)
    "${sudo[@]}" apt-get "${lock[@]}" update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "${lock[@]}" install -y -qq \
        --no-install-recommends "${missing[@]}" >&2
}

# Lets dpkg and APT install packages of another architecture (arm64) beside the machine's own;
# ensure_packages then installs "name:arm64" like any other.
ensure_foreign_architecture() {
    [ "$1" = "$(dpkg --print-architecture)" ] && return 0
    dpkg --print-foreign-architectures | grep -qx "$1" && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Adding the $1 architecture to dpkg" >&2
    "${sudo[@]}" dpkg --add-architecture "$1"
}

# Configures with the given -D options every time, so a changed option takes
# effect in an existing build folder (options not given keep their cached
# value), then lets the build tool decide what is out of date. Configuring
# an unchanged folder again takes about a second and rebuilds nothing.
build() {
    cmake -S . -B "$BUILD_DIR" "$@" >/dev/null
    cmake --build "$BUILD_DIR" --parallel "$(nproc)" >/dev/null
}

# SOURCE_DATE_EPOCH for a package build: the caller's if set, else the last
# commit's time, the one timestamp every clone of a commit agrees on.
source_date_epoch() {
    if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
        echo "$SOURCE_DATE_EPOCH"
    elif ! git log -1 --format=%ct 2>/dev/null; then
        echo "not a git checkout: set SOURCE_DATE_EPOCH for the package's timestamps" >&2
        return 1
    fi
}

# Starts Xvfb on the first free display number, exports DISPLAY and stops the
# server when the calling script exits.
start_virtual_display() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$fdfile" 2>/dev/null &
    XVFB_PID=$!
    trap 'kill "$XVFB_PID" 2>/dev/null' EXIT
    local tries=0
    while [ ! -s "$fdfile" ]; do
        tries=$((tries + 1))
        if [ "$tries" -gt 100 ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
            echo "Xvfb did not start" >&2
            return 1
        fi
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
}

# use_private_apt APT_DIR: points private_apt at APT_DIR, set up once a run: APT with the
# machine's own sources turned into deb-src entries and its lists and downloads kept in a folder of
# ours, for the source packages the other platforms' builds take code or notices from. The
# machine's APT configuration and state stay untouched, and no archive host is written down here.
PRIVATE_APT_DIR=
use_private_apt() {
    local sourcelist sourceparts file
    [ "$PRIVATE_APT_DIR" = "$1" ] && return 0
    PRIVATE_APT_DIR=$1
    eval "$(apt-config shell sourcelist Dir::Etc::sourcelist/f sourceparts Dir::Etc::sourceparts/d)"
    rm -rf "$PRIVATE_APT_DIR"
    mkdir -p "$PRIVATE_APT_DIR/sources.list.d" "$PRIVATE_APT_DIR/lists/partial" \
        "$PRIVATE_APT_DIR/cache/archives/partial"
    # One-line entries: "deb [options] uri suite components" becomes deb-src.
    to_deb_src() { sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$@"; }
    if [ -f "$sourcelist" ]; then
        to_deb_src "$sourcelist" >"$PRIVATE_APT_DIR/sources.list"
    else
        : >"$PRIVATE_APT_DIR/sources.list"
    fi
    for file in "$sourceparts"*.list; do
        if [ -f "$file" ]; then
            to_deb_src "$file" >"$PRIVATE_APT_DIR/sources.list.d/${file##*/}"
        fi
    done
    # deb822 entries keep their URIs, suites, components and keys; only the type changes.
    for file in "$sourceparts"*.sources; do
        if [ -f "$file" ]; then
            sed 's/^Types:.*/Types: deb-src/' "$file" >"$PRIVATE_APT_DIR/sources.list.d/${file##*/}"
        fi
    done
    private_apt update -qq >&2
}

private_apt() {
    apt-get -o Dir::Etc::SourceList="$PRIVATE_APT_DIR/sources.list" \
        -o Dir::Etc::SourceParts="$PRIVATE_APT_DIR/sources.list.d" \
        -o Dir::State::Lists="$PRIVATE_APT_DIR/lists" \
        -o Dir::Cache="$PRIVATE_APT_DIR/cache" \
        -o APT::Sandbox::User="$(id -un)" "$@"
}

# fetch_freeglut_source SRC_DIR: unpacks Debian's freeglut source package into SRC_DIR, through
# use_private_apt's folder. Both builds for other platforms compile freeglut's code from it.
fetch_freeglut_source() {
    echo "Fetching freeglut's source from the Debian archive" >&2
    rm -rf "$1"
    mkdir -p "$1"
    (cd "$1" && private_apt source -qq freeglut >&2)
}

# Installs the npm packages the browser tests and benchmark drive browsers with, exactly as the
# lockfile pins them, unless node_modules already holds that install.
npm_install() {
    # The machine's Node.js brings its own npm.
    command -v npm >/dev/null || ensure_packages nodejs npm
    # npm's own record, node_modules/.package-lock.json, leaves out the root entry: the lockfile
    # as last installed is kept beside it instead.
    if ! cmp -s package-lock.json node_modules/.installed-lock.json 2>/dev/null; then
        npm ci --no-audit --no-fund --loglevel=error >&2
        cp package-lock.json node_modules/.installed-lock.json
    fi
}
