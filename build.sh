#!/usr/bin/env bash
# Velmora Studio build entry.
#   ./build.sh run [args...]  install what is missing, build, start the studio
#   ./build.sh test           install what is missing, build, run every test
#   ./build.sh build          install what is missing and build only
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build_dir="${VELMORA_BUILD_DIR:-$root/build}"
jobs="$(nproc 2>/dev/null || echo 2)"

# Debian packages the build, the program and the tests need.
packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev
  qt6-base-dev libpcre2-16-0 libxkbcommon-dev xvfb xauth xdotool x11-utils fonts-dejavu-core
  libxcb-cursor0 xdg-utils
  libasound2-dev libasound2-plugins jackd2 libjack-jackd2-dev librtmidi-dev
  amsynth lsp-plugins-vst dragonfly-reverb-vst dpf-plugins-vst zynaddsubfx-vst xdotool
  sox timgm6mb-soundfont imagemagick python3
  clang libclang-rt-14-dev libfftw3-dev
  libdbus-1-dev dbus-daemon
)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  # jackd2 asks about real-time priority on installation.
  echo "jackd2 jackd/tweak_rt_limits boolean false" | $sudo debconf-set-selections 2>/dev/null || true
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
  local dir="$1"; shift
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs" ${VELMORA_BUILD_TARGET:+--target "$VELMORA_BUILD_TARGET"}
}

# Sanitizer trees build only the suites labelled for them; the main tree's
# CTest run includes them, so one summary covers everything.
build_sanitizer_trees() {
  local trees=()
  VELMORA_BUILD_TARGET=sanitizer_tests configure_and_build "$build_dir-tsan" -DVELMORA_SANITIZE=thread
  trees+=("tsan=$build_dir-tsan")
  VELMORA_BUILD_TARGET=sanitizer_tests configure_and_build "$build_dir-asan" -DVELMORA_SANITIZE=address
  trees+=("asan=$build_dir-asan")
  local IFS=';'
  sanitizer_trees="${trees[*]}"
}

# The fuzz targets (libFuzzer needs clang) in a tree of their own; the main
# tree runs each for a bounded time.
build_fuzz_tree() {
  CC=clang CXX=clang++ VELMORA_BUILD_TARGET=fuzz_targets \
    configure_and_build "$build_dir-fuzz" -DVELMORA_SANITIZE=fuzz
  fuzz_tree="$build_dir-fuzz"
}

test_environment() {
  export QT_QPA_PLATFORM=offscreen
  export JACK_NO_START_SERVER=1
  export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/velmora-runtime.XXXXXX)}"
  chmod 700 "$XDG_RUNTIME_DIR"
  export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
  export ASAN_OPTIONS="detect_leaks=1 ${ASAN_OPTIONS:-}"
  export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1 ${UBSAN_OPTIONS:-}"
}

command="${1:-}"
[ $# -gt 0 ] && shift
case "$command" in
  run)
    install_packages
    configure_and_build "$build_dir"
    # With a display the window opens on the demo song; without one the
    # program plays it and says why there is no window.
    if [ $# -eq 0 ]; then set -- "$build_dir/bin/Songs/Demo.vmp"; fi
    exec "$build_dir/bin/velmora-studio" "$@"
    ;;
  build)
    install_packages
    configure_and_build "$build_dir"
    ;;
  test)
    install_packages
    test_environment
    sanitizer_trees=""
    if [ "${VELMORA_SKIP_SANITIZERS:-0}" != "1" ]; then
      build_sanitizer_trees
    fi
    fuzz_tree=""
    if [ "${VELMORA_SKIP_FUZZ:-0}" != "1" ]; then
      build_fuzz_tree
    fi
    configure_and_build "$build_dir" "-DVELMORA_SANITIZER_TREES=$sanitizer_trees" "-DVELMORA_FUZZ_TREE=$fuzz_tree"
    ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" --timeout 900
    ;;
  *)
    echo "usage: $0 run|test|build" >&2
    exit 2
    ;;
esac
