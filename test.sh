#!/usr/bin/env bash
# Builds the project in build/ (Release) and runs every test, then builds the
# toolkit-free tests with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and runs all of them there. Installs missing packages first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/scripts/setup.sh"
fotra_install_packages

fotra_build build
ctest --test-dir "$FOTRA_ROOT/build" --output-on-failure -j2

# Without the desktop program and the benchmarks, every test program built
# here is toolkit-free; new ones are picked up without a change here.
fotra_build build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFOTRA_SANITIZE=ON \
  -DFOTRA_BUILD_GUI=OFF -DFOTRA_BUILD_BENCH=OFF
ASAN_OPTIONS="${FOTRA_ASAN_OPTIONS:-detect_leaks=1}" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  ctest --test-dir "$FOTRA_ROOT/build-asan" --output-on-failure -j2
