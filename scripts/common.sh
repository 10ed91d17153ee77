# SPDX-FileCopyrightText: 2026 planview developers
#
# SPDX-License-Identifier: MIT

# Shared by the scripts in scripts/ and bench/: package installs, the build,
# the package's timestamp and a virtual display. Source it from the
# repository root.

BUILD_DIR=${BUILD_DIR:-build}
BUILD_PACKAGES="cmake g++ libgl1-mesa-dev libglu1-mesa-dev freeglut3-dev"
# CI builds with warnings as errors.
WERROR=OFF
[ "${CI:-}" = true ] && WERROR=ON

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
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}" >&2
    # Waits for another apt-get holding the lock instead of failing at once.
    local lock=(-o DPkg::Lock::Timeout=600)
    "${sudo[@]}" apt-get "${lock[@]}" update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "${lock[@]}" install -y -qq \
        --no-install-recommends "${missing[@]}" >&2
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

# fetch_freeglut_source SRC_DIR APT_DIR: unpacks Debian's freeglut source package into SRC_DIR
# (both builds that compile freeglut's code for another platform start from it). APT runs with
# the machine's own sources turned into deb-src entries and its lists and downloads kept in
# APT_DIR: the machine's APT configuration and state stay untouched, and no archive host is
# written down here.
fetch_freeglut_source() {
    local src=$1 apt_dir=$2 sourcelist sourceparts file
    private_apt() {
        apt-get -o Dir::Etc::SourceList="$apt_dir/sources.list" \
            -o Dir::Etc::SourceParts="$apt_dir/sources.list.d" \
            -o Dir::State::Lists="$apt_dir/lists" \
            -o Dir::Cache="$apt_dir/cache" \
            -o APT::Sandbox::User="$(id -un)" "$@"
    }
    eval "$(apt-config shell sourcelist Dir::Etc::sourcelist/f sourceparts Dir::Etc::sourceparts/d)"
    rm -rf "$apt_dir"
    mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    # One-line entries: "deb [options] uri suite components" becomes deb-src.
    to_deb_src() { sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$@"; }
    if [ -f "$sourcelist" ]; then
        to_deb_src "$sourcelist" >"$apt_dir/sources.list"
    else
        : >"$apt_dir/sources.list"
    fi
    for file in "$sourceparts"*.list; do
        if [ -f "$file" ]; then
            to_deb_src "$file" >"$apt_dir/sources.list.d/${file##*/}"
        fi
    done
    # deb822 entries keep their URIs, suites, components and keys; only the type changes.
    for file in "$sourceparts"*.sources; do
        if [ -f "$file" ]; then
            sed 's/^Types:.*/Types: deb-src/' "$file" >"$apt_dir/sources.list.d/${file##*/}"
        fi
    done
    echo "Fetching freeglut's source from the Debian archive" >&2
    private_apt update -qq >&2
    rm -rf "$src"
    mkdir -p "$src"
    (cd "$src" && private_apt source -qq freeglut >&2)
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
