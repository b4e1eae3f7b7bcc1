# Shared set-up for the project's scripts: packages, build, sandbox.
# Sourced, not run. Every step is idempotent and quick when already done.
set -euo pipefail

PURLO_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PURLO_BUILD=${PURLO_BUILD:-$PURLO_TOP/build}

log() { printf '== %s\n' "$*" >&2; }

# apt-get update, where a failure is a warning, retried once: on a day when a
# mirror serves a half-synced index the install goes on with the lists there
# are (a package those lists lack then fails on its own, and says so).
apt_update() {
  [ -z "${PURLO_APT_UPDATED:-}" ] || return 0
  PURLO_APT_UPDATED=1
  local try
  for try in 1 2; do
    apt-get update -qq -o DPkg::Lock::Timeout=600 >/dev/null && return 0
    log "warning: apt-get update failed (try $try of 2); going on with the package lists there are"
  done
  return 0
}

apt_install() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=600 \
    --no-install-recommends "$@" >/dev/null
}

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

need_packages() {
  local missing
  mapfile -t missing < <(missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  apt_update
  apt_install "${missing[@]}"
}

# Wine converts Unix file names and command-line arguments through the locale
# in LANG; without a real zh_CN.UTF-8 it falls back to ASCII and every
# non-ASCII name is mangled, silently.
ensure_locale() {
  need_packages locales
  locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8' && return 0
  log "generating the zh_CN.UTF-8 locale"
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
}

install_toolchain() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    PURLO_APT_UPDATED=
  fi
  need_packages cmake ninja-build googletest mingw-w64 \
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
    wine wine64 xvfb xauth fonts-wqy-microhei
  # Wine's 32-bit part needs i386 libraries equal to the amd64 ones, which a
  # half-synced mirror cannot always give: without it the 32-bit build is
  # still built, and the x86_64 build is the one run (test_arch).
  PURLO_NO_WINE32=
  # (need_packages in a condition: its failure returns, set -e or not.)
  if ! need_packages wine32:i386; then
    PURLO_NO_WINE32=1
    log "Wine's 32-bit part (wine32:i386) could not be installed: going on with the x86_64 build"
  fi
  ensure_locale
}

# Host tools for the native checks of the GIF block walker (sanitizers,
# libFuzzer, an independent GIF reader).
install_native_tools() {
  need_packages clang libclang-rt-14-dev imagemagick python3
}

# Both builds ship; the suite runs the 32-bit one (XP's). Some kernels here
# refuse 32-bit Linux binaries, and Wine's 32-bit loader is one, so tests then
# run on the x86_64 build of the same sources.
test_arch() {
  if [ -z "${PURLO_TEST_ARCH:-}" ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
      PURLO_TEST_ARCH=i686
    else
      PURLO_TEST_ARCH=x86_64
    fi
  fi
  echo "$PURLO_TEST_ARCH"
}

# configure_and_build ARCH WITH_TESTS [targets...]
configure_and_build() {
  local arch=$1 tests=$2; shift 2
  local dir=$PURLO_BUILD/$arch
  if [ ! -f "$dir/build.ninja" ] || ! grep -q "PURLO_TESTS:BOOL=$tests" "$dir/CMakeCache.txt" 2>/dev/null; then
    cmake -S "$PURLO_TOP" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$PURLO_TOP/cmake/mingw-$arch.cmake" \
      -DPURLO_TESTS=$tests >/dev/null
  fi
  cmake --build "$dir" -- "$@" >&2
}

sandbox_dir() { echo "$PURLO_BUILD/$1/sandbox"; }
