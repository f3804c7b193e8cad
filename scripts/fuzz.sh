#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# sanitizers, libraries instrumented for coverage) and runs each one for a
# bounded time on its seed corpus, with the dictionary of its format:
#   scripts/fuzz.sh [SECONDS]     SECONDS per target, 30 by default
#   FUZZ_RUNS=N scripts/fuzz.sh   N inputs per target instead of a time
#   FUZZ_TARGETS="fuzz_song_loader" scripts/fuzz.sh   only these targets
# Each target reports its runs, runs per second and the coverage reached.
# A crash, a hang (10 s for one input), a leak, or an allocation out of
# proportion to the input (-malloc_limit_mb, -rss_limit_mb) fails the run;
# libFuzzer then leaves the input as crash-*/leak-*/timeout-*/oom-* in the
# build tree's fuzz-artifacts folder. New inputs found go to the build tree's
# corpus folders, never into the repository.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${FUZZ_BUILD_DIR:-"$root/build-fuzz"}
seconds=${1:-30}
runs=${FUZZ_RUNS:-}
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S "$root" -B "$dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONVIK_WERROR=ON \
  -DTONVIK_BUILD_FUZZ=ON -DTONVIK_SANITIZE="address;undefined" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" \
  -DTONVIK_BUILD_TESTS=OFF -DTONVIK_BUILD_BENCH=OFF -DTONVIK_BUILD_GUI=OFF >/dev/null
cmake --build "$dir" -j "$jobs" --target fuzz_targets

# target, seed folder, largest input tried, memory bound for one allocation (MB)
targets=(
  "fuzz_song_loader song 40000 32"
  "fuzz_instrument_loader instrument 4096 16"
  "fuzz_wav_decoder wav 8192 16"
)
mkdir -p "$dir/fuzz-artifacts"
failed=0
for entry in "${targets[@]}"; do
  read -r target seeds maxlen malloc <<<"$entry"
  if [ -n "${FUZZ_TARGETS:-}" ] && ! grep -qw "$target" <<<"$FUZZ_TARGETS"; then
    continue
  fi
  corpus="$dir/fuzz-corpus/$seeds"
  mkdir -p "$corpus"
  log="$dir/fuzz-artifacts/$target.log"
  if [ -n "$runs" ]; then
    bound=(-runs="$runs")
    printf '%s: %s inputs ... ' "$target" "$runs"
  else
    bound=(-max_total_time="$seconds")
    printf '%s: %s s ... ' "$target" "$seconds"
  fi
  if ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 \
     UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
     "$dir/bin/$target" "${bound[@]}" -timeout=10 -rss_limit_mb=1024 \
       -malloc_limit_mb="$malloc" -max_len="$maxlen" -print_final_stats=1 \
       -dict="$root/fuzz/dict/$seeds.dict" \
       -artifact_prefix="$dir/fuzz-artifacts/$target-" \
       "$corpus" "$root/fuzz/corpus/$seeds" >"$log" 2>&1; then
    done_runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
    per_second=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1 || echo "cov: ?")
    units=$(ls "$corpus" | wc -l)
    seedcount=$(ls "$root/fuzz/corpus/$seeds" | wc -l)
    echo "ok: $done_runs runs, $per_second runs/s, $coverage, corpus $seedcount seeds + $units found"
  else
    echo "FAILED (see $log)"
    tail -n 40 "$log"
    failed=1
  fi
done
exit $failed
