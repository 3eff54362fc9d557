#!/bin/sh
# Sets up what Corvane needs on Debian or Ubuntu, builds it, then starts it or runs every test.
#   ./build.sh run    install what is missing, build, start Corvane on your display
#   ./build.sh test   install what is missing, build, run every test (each X test brings its own Xvfb),
#                     then all of them again in a sanitizer build, with a short run of each fuzz target
#   ./build.sh bench  install what is missing, make a release build, print the benchmark table
set -eu
cd "$(dirname "$0")"
build_dir=${BUILD_DIR:-build}

# What building and running need; the tests and benchmarks need the second list as well.
run_packages="cmake make g++ pkg-config libforms-dev libx11-dev libgtest-dev sox libsox-fmt-all
  alsa-utils xfonts-base"
test_packages="xvfb xauth xdotool x11-utils imagemagick desktop-file-utils appstream groff-base
  clang libclang-rt-14-dev valgrind"

install_missing() {
  missing=
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
      missing="$missing $package"
  done
  [ -z "$missing" ] && return 0
  echo "Installing:$missing"
  sudo=
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y $missing
}

# Tests are built only where their tools are installed: `run` leaves them out.
build() {
  cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=${build_type:-RelWithDebInfo} \
    -DBUILD_TESTING=${build_testing:-ON}
  cmake --build "$build_dir" -j "$(nproc)"
}

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer, with a short
# run of each fuzz target (clang; cmake/sanitize.cmake). A sanitizer report anywhere fails the run,
# also one from inside a corvane that a test ended.
sanitized_test() {
  dir=${SANITIZE_BUILD_DIR:-build-sanitize}
  CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_FUZZ=ON
  cmake --build "$dir" -j "$(nproc)"
  rm -rf "$dir/sanitizer-reports"
  status=0
  (cd "$dir" && ctest --output-on-failure --timeout 600 -j "$(nproc)") || status=$?
  if [ -n "$(ls -A "$dir/sanitizer-reports" 2>/dev/null)" ]; then
    cat "$dir"/sanitizer-reports/* >&2
    echo "Sanitizer reports in $dir/sanitizer-reports" >&2
    status=1
  fi
  return $status
}

case "${1:-}" in
  run)
    install_missing $run_packages
    build_testing=OFF build
    if [ -z "${DISPLAY:-}" ]; then
      echo "No X display to show Corvane on (DISPLAY is not set)." >&2
      echo "Start it from a desktop session, or on a virtual display (Debian package xvfb):" >&2
      echo "  xvfb-run ./build.sh run" >&2
      exit 1
    fi
    exec "$build_dir/corvane"  # the launcher: Corvane's helpers first on PATH
    ;;
  test)
    install_missing $run_packages $test_packages
    build
    (cd "$build_dir" && ctest --output-on-failure --timeout 600 -j "$(nproc)")
    sanitized_test
    ;;
  bench)
    # Figures only, never a verdict; a release build of its own, on a private Xvfb.
    build_dir=${BUILD_DIR:-build-bench}
    build_type=Release
    install_missing $run_packages $test_packages
    build
    exec tests/with-xvfb "$build_dir/bench/corvane_bench"
    ;;
  *)
    echo "usage: ./build.sh run | test | bench" >&2
    exit 2
    ;;
esac
