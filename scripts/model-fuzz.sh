#!/usr/bin/env bash
# Long runs of the two model fuzzers (random edits while the song plays): the
# editor's, through its panes (offscreen Qt), and the one through the module,
# player and playback monitor alone, which also runs under the thread
# sanitizer. The test command runs each of them for a few seeds; this runs
# many seeds, longer.
#
#   scripts/model-fuzz.sh [--build DIR] [--first SEED] [--seeds COUNT] [--steps N]
#                         [--only editor|module]
#
#   --build   a build folder (build-asan by default: sanitizer reports count)
#   --first   the first seed (1000); --seeds how many (20); --steps per seed (3000)
#
# Prints a line per fuzzer and seed; a failure's output stays in
# DIR/model-fuzz/. Replay one seed with
#   TONVIK_FUZZ_SEED=S TONVIK_FUZZ_STEPS=N DIR/bin/test_editor_model_fuzz
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

dir="$root/build-asan"
first=1000
count=20
steps=3000
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build) dir=$(cd "$2" && pwd); shift 2 ;;
    --first) first=$2; shift 2 ;;
    --seeds) count=$2; shift 2 ;;
    --steps) steps=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

programs=()
[ "$only" != module ] && programs+=(test_editor_model_fuzz)
[ "$only" != editor ] && programs+=(test_song_model_fuzz)
for program in "${programs[@]}"; do
  [ -x "$dir/bin/$program" ] || { echo "no $dir/bin/$program: build it first" >&2; exit 2; }
done

export QT_QPA_PLATFORM=offscreen
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
logs="$dir/model-fuzz"
mkdir -p "$logs"

failed=0
start=$SECONDS
for ((seed = first; seed < first + count; ++seed)); do
  for program in "${programs[@]}"; do
    log="$logs/$program.seed$seed.log"
    t0=$SECONDS
    if (cd "$logs" && TONVIK_FUZZ_SEED=$seed TONVIK_FUZZ_STEPS=$steps "$dir/bin/$program") >"$log" 2>&1; then
      printf 'ok      %-24s seed %-6d %5d steps  %4d s\n' "$program" "$seed" "$steps" $((SECONDS - t0))
      rm -f "$log"
    else
      printf 'FAILED  %-24s seed %-6d (%s)\n' "$program" "$seed" "$log"
      failed=1
    fi
  done
done
echo "$count seeds of $steps steps in $((SECONDS - start)) s"
exit $failed
