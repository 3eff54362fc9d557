#!/bin/sh
# Sets up what Corvane needs on Debian or Ubuntu, builds it, then starts it or runs every test.
#   ./build.sh run    install what is missing, build, start Corvane on your display
#   ./build.sh test   install what is missing, build, run every test (each X test brings its own Xvfb),
#                     build the Debian package, check it with lintian, install it and drive it once,
#                     then all the tests again in a sanitizer build, with a short run of each fuzz target
#   ./build.sh bench  install what is missing, make a release build, print the benchmark table
#                     and write it to docs/benchmarks.md
set -eu
cd "$(dirname "$0")"
build_dir=${BUILD_DIR:-build}

# What building and running need; the tests and benchmarks need the second list as well, the
# benchmarks the third too. xfonts-75dpi: the toolkit's Helvetica in the sizes the windows are
# laid out for (without it the X server gives "fixed").
run_packages="cmake make g++ pkg-config libforms-dev libx11-dev libpng-dev libgtest-dev sox
  libsox-fmt-all alsa-utils xfonts-base xfonts-75dpi"
test_packages="xvfb xauth xdotool x11-utils libxfixes-dev desktop-file-utils appstream groff-base
  locales clang libclang-rt-14-dev git build-essential dpkg-dev debhelper lintian"
bench_packages="hyperfine jq valgrind libxtst-dev"

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

# The Debian package as a user gets it: built by dpkg-buildpackage from the tracked files alone
# (as they are in the working tree, without anyone's build folders), clean for lintian, holding
# what `cmake --install --prefix /usr` installs, installed through apt-get, and its
# /usr/bin/corvane driven through the windows by the end-to-end smoke test.
package_test() {
  step_started=$(date +%s)
  dir=${PACKAGE_BUILD_DIR:-build-deb}
  case $dir in /*) ;; *) dir=$PWD/$dir ;; esac
  if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "The package is built from the files git tracks: run ./build.sh test in a clone." >&2
    return 1
  fi
  rm -rf "$dir"
  mkdir -p "$dir/source"
  git ls-files -z | tar -c --null -T - -f - | tar -x -C "$dir/source"
  started=$(date +%s)
  if ! (cd "$dir/source" && dpkg-buildpackage -b -us -uc -J"$(nproc)") >"$dir/build.log" 2>&1; then
    tail -n 40 "$dir/build.log" >&2
    echo "The package build failed: $dir/build.log" >&2
    return 1
  fi
  echo "Package built in $(($(date +%s) - started)) s:" "$dir"/corvane_*.deb \
    "($(du -k "$dir"/corvane_*.deb | cut -f1) KiB)"
  lintian --fail-on error,warning --info "$dir"/corvane_*.changes

  DESTDIR="$dir/cmake-root" cmake --install "$build_dir" --prefix /usr --component Unspecified \
    >/dev/null
  (cd "$dir/cmake-root" && find . ! -type d | sort) >"$dir/cmake-files"
  # dh compresses the manual page and adds the copyright and changelog under usr/share/doc.
  dpkg-deb --fsys-tarfile "$dir"/corvane_*.deb | tar -t | grep -v -e '/$' -e '^\./usr/share/doc/' |
    sed 's/\.gz$//' | sort >"$dir/package-files"
  diff -u "$dir/cmake-files" "$dir/package-files"

  sudo=
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --reinstall "$dir"/corvane_*.deb
  (cd "$build_dir" &&
    CORVANE_LAUNCHER=/usr/bin/corvane ctest --output-on-failure -R '^e2e_smoke_test$')
  echo "Package step took $(($(date +%s) - step_started)) s"
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
    package_test
    sanitized_test
    ;;
  bench)
    # Figures only, never a verdict; a release build of its own, on a private Xvfb.
    build_dir=${BUILD_DIR:-build-bench}
    build_type=Release
    install_missing $run_packages $test_packages $bench_packages
    build_testing=OFF build
    exec tests/with-xvfb bench/run "$build_dir"
    ;;
  *)
    echo "usage: ./build.sh run | test | bench" >&2
    exit 2
    ;;
esac
