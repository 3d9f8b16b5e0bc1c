#!/usr/bin/env bash
# Builds the project in build/ (Release) and runs every test, then builds the
# toolkit-free tests with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and runs all of them there. Installs missing packages first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/scripts/setup.sh"
fotra_install_packages

fotra_build build
ctest --test-dir "$FOTRA_ROOT/build" --output-on-failure -j2 | tee "$FOTRA_ROOT/build/ctest.log"

# Without the desktop program and the benchmarks, every test program built
# here is toolkit-free; new ones are picked up without a change here.
fotra_build build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFOTRA_SANITIZE=ON \
  -DFOTRA_BUILD_GUI=OFF -DFOTRA_BUILD_BENCH=OFF
ASAN_OPTIONS="${FOTRA_ASAN_OPTIONS:-detect_leaks=1}" \
LSAN_OPTIONS="suppressions=$FOTRA_ROOT/tests/lsan.supp" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  ctest --test-dir "$FOTRA_ROOT/build-asan" --output-on-failure -j2 | tee "$FOTRA_ROOT/build-asan/ctest.log"

# Short runs of the libFuzzer targets (clang): the image-file library's load
# path and the image record's load, from tiny valid files of every format and
# from photos above 1 MP (inputs up to 256 KB), the metadata reader, and the
# session journal's parser. The four share about 80 seconds.
cmake -S "$FOTRA_ROOT/fuzz" -B "$FOTRA_ROOT/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14
cmake --build "$FOTRA_ROOT/build-fuzz" -j "$(nproc)"
fuzz_briefly() { # TARGET SECONDS SEED-FOLDER [LIBFUZZER-OPTION...]
  local corpus="$FOTRA_ROOT/build-fuzz/corpus-$1" log="$FOTRA_ROOT/build-fuzz/$1.log"
  mkdir -p "$corpus"
  if ! "$FOTRA_ROOT/build-fuzz/bin/$1" -max_total_time="$2" -timeout=60 -print_final_stats=1 "${@:4}" \
      -artifact_prefix="$FOTRA_ROOT/build-fuzz/$1-" "$corpus" "$3" > "$log" 2>&1; then
    tail -n 80 "$log"
    echo "$1 found a fault; its input is saved in build-fuzz/." >&2
    exit 1
  fi
  echo "$1: $(grep -E '^Done' "$log")"
}
fuzz_briefly fuzz_photo_load "${FOTRA_FUZZ_SECONDS:-40}" "$FOTRA_ROOT/build-fuzz/seeds"
fuzz_briefly fuzz_large_photo 15 "$FOTRA_ROOT/build-fuzz/seeds-large" -max_len=262144
fuzz_briefly fuzz_metadata 15 "$FOTRA_ROOT/build-fuzz/seeds-metadata" -max_len=65536
fuzz_briefly fuzz_session_journal 10 "$FOTRA_ROOT/fuzz/corpus/journal"

# One closing line over both ctest runs (set -o pipefail has already stopped
# the script on a failed one).
passed_in() { sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2 \1/p' "$1"; }
read -r total_release failed_release < <(passed_in "$FOTRA_ROOT/build/ctest.log")
read -r total_asan failed_asan < <(passed_in "$FOTRA_ROOT/build-asan/ctest.log")
echo "tests: $((total_release + total_asan - failed_release - failed_asan)) passed, $((failed_release + failed_asan)) failed"
