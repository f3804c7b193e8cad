#!/usr/bin/env bash
# Runs every test that sleeps, waits for threads or plays in real time many
# times in a row beside two busy loops, in the normal and the
# address/undefined-behaviour sanitizer builds, and reports how many runs of
# each test passed. A test that fails once here would fail some day in CI.
# Not part of scripts/test.sh: the whole run takes hours.
#
#   scripts/repeat-realtime-tests.sh [--runs N] [--builds "build build-asan"]
#                                    [--filter REGEX] [--no-build]
#
#   --runs N      runs per test (50)
#   --builds      build folders under the source root; "build-asan" is built
#                 with the sanitizers, any other with the default options
#   --filter      only the tests whose ctest name matches REGEX as well
#   --no-build    use the builds as they are
#
# Prints "PASSED/N  BUILD  TEST" per test, keeps the output of every failed
# run under BUILD/repeat-realtime/, and exits with 1 when any run failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

runs=50
builds="build build-asan"
filter=""
build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --builds) builds=$2; shift 2 ;;
    --filter) filter=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

# The test suites that depend on real time: the audio plug-in (buffer, disk
# output, device, tick service, command-line play), the framework's timers,
# events and locks, the player read while edited, the playback monitor, the
# editor's playback, preview, export and recovery tests, and the killed
# editor. (The model fuzzers, whose songs play while they edit, check nothing
# that depends on time; scripts/model-fuzz.sh runs them over many seeds.)
suites='BufferModeTest|StreamingModeTest|BufferTest|DiskOutputTest|TickServiceTest|DeviceCloseTest'
suites+='|NoDeviceTest|PluginTest|CliPlayTest|CoreTimers|CoreEvents|CoreBinaryLock|CoreReadWriteLock'
suites+='|PlayerConcurrency|SongPlaybackTest|PlaybackTest|EditorDiskOutputTest|EditorCrashTest'
suites+='|RecoveryTest'
# Single tests of suites that otherwise need no clock.
cases='InstrumentTest\.TestSounds|ExportTest\.(WavExport|Escape)'
selector="(^|/)(($suites)\\.|$cases)"

export QT_QPA_PLATFORM=offscreen
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

busy=()
stop_busy() {
  for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap stop_busy EXIT

failed=0
for b in $builds; do
  dir="$root/$b"
  if [ $build -eq 1 ]; then
    if [ "$b" = build-asan ]; then
      "$root/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Debug -DTONVIK_SANITIZE="address;undefined" \
        -DTONVIK_BUILD_BENCH=OFF
    else
      "$root/scripts/build.sh" "$dir"
    fi
  fi
  [ -d "$dir" ] || { echo "no build in $dir" >&2; exit 2; }

  mapfile -t tests < <(ctest --test-dir "$dir" -N | sed -n 's/^ *Test *#[0-9]*: //p' |
                       grep -E "$selector" | grep -E "${filter:-.}" || true)
  [ ${#tests[@]} -gt 0 ] || { echo "no tests selected in $dir" >&2; exit 2; }
  logs="$dir/repeat-realtime"
  rm -rf "$logs"
  mkdir -p "$logs"

  # Two loops that keep both cores of a small machine busy.
  for _ in 1 2; do
    (while :; do :; done) &
    busy+=($!)
  done
  echo "== $b: ${#tests[@]} tests, $runs runs each, beside two busy loops"
  for t in "${tests[@]}"; do
    pattern="^$(printf '%s' "$t" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"
    passed=0
    skipped=0
    for ((i = 1; i <= runs; ++i)); do
      out=$(ctest --test-dir "$dir" -R "$pattern" --output-on-failure 2>&1) && ok=1 || ok=0
      # ctest succeeds when nothing matched: that is no pass.
      grep -q "No tests were found" <<<"$out" && ok=0
      if [ $ok -eq 1 ]; then
        passed=$((passed + 1))
        grep -q "Skipped\|Not Run" <<<"$out" && skipped=$((skipped + 1))
      else
        printf '%s\n' "$out" >"$logs/$(printf '%s' "$t" | tr '/' '_').run$i.log"
      fi
    done
    note=""
    [ $skipped -gt 0 ] && note="  (skipped in $skipped)"
    printf '%3d/%d  %s  %s%s\n' "$passed" "$runs" "$b" "$t" "$note"
    [ $passed -eq "$runs" ] || failed=1
  done
  stop_busy
  busy=()
done
exit $failed
