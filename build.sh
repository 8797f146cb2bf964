#!/usr/bin/env bash
# Tollhaven build helper.
#   ./build.sh deps         install the Debian packages the build and the tests need
#   ./build.sh build        configure and build (debug) into build/
#   ./build.sh test         deps + build + every test, then the sanitizer build of the core tests
#   ./build.sh bench        deps + release build + run the benchmarks
#   ./build.sh run          build and start Tollhaven
#   ./build.sh demo         build and start Tollhaven wired to the simulated handset
#   ./build.sh install-udev install the udev rule that lets a logged-in user reach the handset
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libusb-1.0-0-dev umockdev libumockdev-dev libglib2.0-dev
  qt6-base-dev qt6-base-dev-tools libqt6svg6 libgl-dev fonts-dejavu-core
  xdg-utils shared-mime-info desktop-file-utils libfile-mimeinfo-perl
  clang-format libfuse3-dev fuse3 attr
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

deps() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    echo "build.sh: all packages present"
    return
  fi
  echo "build.sh: installing ${missing[*]}"
  as_root apt-get update
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

configure_and_build() {  # dir, build type, extra cmake args...
  local dir=$1 type=$2
  shift 2
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@"
  cmake --build "$dir" -j "$JOBS"
}

build() {
  configure_and_build "$ROOT/build" Debug
}

run_tests() {
  build
  (cd "$ROOT/build" && ctest --output-on-failure -j "$JOBS")
  # The core and the simulated handset again under AddressSanitizer and UBSan.
  configure_and_build "$ROOT/build-asan" Debug -DTOLLHAVEN_SANITIZE=ON -DTOLLHAVEN_BUILD_UI=OFF \
    -DTOLLHAVEN_BUILD_BENCH=OFF
  (cd "$ROOT/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --output-on-failure -j "$JOBS" -LE usb)
}

bench() {
  configure_and_build "$ROOT/build-release" Release -DTOLLHAVEN_BUILD_UI=OFF
  for b in "$ROOT"/build-release/bench/bench_*; do
    [ -x "$b" ] && "$b"
  done
}

ui_program() {  # target name
  build
  if [ ! -x "$ROOT/build/$1" ]; then
    echo "build.sh: $1 is not built yet: the user interface has not landed."
    exit 1
  fi
  exec "$ROOT/build/$1"
}

install_udev() {
  as_root install -m 0644 "$ROOT/packaging/70-tollhaven-p2k.rules" /etc/udev/rules.d/
  as_root udevadm control --reload-rules || true
  as_root udevadm trigger --subsystem-match=usb --subsystem-match=tty || true
  echo "build.sh: udev rule installed; unplug and replug the handset."
}

case "${1:-}" in
  deps) deps ;;
  build) deps; build ;;
  test) deps; run_tests ;;
  bench) deps; bench ;;
  run) deps; ui_program tollhaven ;;
  demo) deps; ui_program tollhaven-demo ;;
  install-udev) install_udev ;;
  *)
    sed -n '2,9p' "$0"
    exit 2
    ;;
esac
