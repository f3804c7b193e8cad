#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the normal build, the
# address/undefined-behaviour sanitizer build, the thread sanitizer build (the
# concurrency tests) and a short run of each fuzz target.
#   scripts/test.sh            everything
#   scripts/test.sh --quick    the normal build only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
quick=0
[ "${1:-}" = "--quick" ] && quick=1

"$root/scripts/setup.sh"
jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

section() { printf '\n=== %s ===\n' "$*"; }

section "normal build"
"$root/scripts/build.sh" "$root/build"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

[ $quick -eq 1 ] && exit 0

section "address + undefined behaviour sanitizers"
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug \
  -DTONVIK_SANITIZE="address;undefined" -DTONVIK_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs"

section "thread sanitizer (concurrency tests)"
cmake -S "$root" -B "$root/build-tsan" -DTONVIK_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTONVIK_SANITIZE=thread -DTONVIK_BUILD_GUI=OFF -DTONVIK_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build-tsan" -j "$jobs" --target concurrency_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir "$root/build-tsan" --output-on-failure -L concurrency

if [ -f "$root/fuzz/CMakeLists.txt" ] && [ -s "$root/fuzz/CMakeLists.txt" ]; then
  section "fuzzing"
  "$root/scripts/fuzz.sh"
fi
