# Shared by scripts/run and scripts/test: make sure the Debian packages are
# there, then configure and build into build/. Sourced, not run.

DIPVIEW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
DIPVIEW_BUILD=${DIPVIEW_BUILD:-$DIPVIEW_ROOT/build}

# Everything the build, the tests and the screenshots use, from Debian 12.
DIPVIEW_PACKAGES=(
  g++ cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev libmpfr-dev
  qt6-base-dev qt6-svg-dev libgl-dev
  fonts-dejavu-core fonts-liberation2 xvfb xauth help2man lintian
  appstream desktop-file-utils dpkg-dev file groff-base python3
  emscripten node-acorn nodejs chromium chromium-driver python3-selenium python3-pil python3-gmpy2
)

# What scripts/fuzz needs besides: clang with libFuzzer and its sanitizers.
DIPVIEW_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

# The packages among DIPVIEW_PACKAGES and those named that are not installed.
dipview_missing_packages() {
  local missing=() p
  for p in "${DIPVIEW_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  echo "${missing[@]}"
}

# Installs DIPVIEW_PACKAGES and any packages named.
dipview_install_packages() {
  local missing
  missing=$(dipview_missing_packages "$@")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages. Install them with:" >&2
    echo "  sudo apt-get install -y $missing" >&2
    exit 1
  fi
  echo "Installing Debian packages: $missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
}

# Configures (again, so that options given now take effect in an existing
# build) and builds: everything, or only the targets named in the array
# DIPVIEW_TARGETS when it is set.
dipview_build() {
  cmake -S "$DIPVIEW_ROOT" -B "$DIPVIEW_BUILD" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDIPVIEW_WERROR=ON "$@" >/dev/null
  if [ -n "${DIPVIEW_TARGETS+set}" ]; then
    cmake --build "$DIPVIEW_BUILD" --target "${DIPVIEW_TARGETS[@]}"
  else
    cmake --build "$DIPVIEW_BUILD"
  fi
}
