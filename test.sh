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

# A short run of the libFuzzer target over the image-file library's load path
# and the image record's load (clang), from tiny valid files of every format.
cmake -S "$FOTRA_ROOT/fuzz" -B "$FOTRA_ROOT/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14
cmake --build "$FOTRA_ROOT/build-fuzz" -j "$(nproc)"
mkdir -p "$FOTRA_ROOT/build-fuzz/corpus"
if ! "$FOTRA_ROOT/build-fuzz/bin/fuzz_photo_load" -max_total_time="${FOTRA_FUZZ_SECONDS:-60}" -timeout=60 \
    -print_final_stats=1 -artifact_prefix="$FOTRA_ROOT/build-fuzz/" "$FOTRA_ROOT/build-fuzz/corpus" "$FOTRA_ROOT/build-fuzz/seeds" \
    > "$FOTRA_ROOT/build-fuzz/short-run.log" 2>&1; then
  tail -n 80 "$FOTRA_ROOT/build-fuzz/short-run.log"
  echo "The fuzz target found a fault (its input is saved in build-fuzz/)." >&2
  exit 1
fi
grep -E '^(Done|stat::number_of_executed_units)' "$FOTRA_ROOT/build-fuzz/short-run.log"
