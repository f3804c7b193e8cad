#!/usr/bin/env bash
# Builds the replayer with one exported song the way a user's program does, and
# checks it against the editor's render:
#   check_replayer.sh COMPILER SONGDIR WORKDIR REPLAYERDIR CHECK.cpp EDITOR.wav [--exact] [-- FLAGS...]
# SONGDIR holds the export (OvkSongData.cpp, OvkSongDataDefines.h) and what
# export-c said about it (departures.txt). The build must give no warning at
# -Wall -Wextra, and the program (CHECK.cpp) must give the editor's samples.
# When export-c named departures from what the editor plays, a build that fails
# or samples that differ are what it said and pass; with --exact the export
# must have said that the replayer plays the song exactly.
# A 32-bit program (-m32) runs only where the machine runs 32-bit programs;
# elsewhere it is only built. Exits 77 (skipped) when the compiler or its
# 32-bit support is missing.
set -uo pipefail
compiler=$1 songdir=$2 workdir=$3 replayer=$4 check=$5 wav=$6
shift 6
exact=0
if [ $# -gt 0 ] && [ "$1" = "--exact" ]; then exact=1; shift; fi
[ $# -gt 0 ] && [ "$1" = "--" ] && shift
flags=("$@")

report="$songdir/departures.txt"
departs=0
grep -q "^The replayer plays this song exactly as the editor does.$" "$report" || departs=1
if [ $exact = 1 ] && [ $departs = 1 ]; then
  cat "$report"; echo "FAILED: export-c says the replayer does not play this song exactly"; exit 1
fi
# What a departure explains: say so and pass.
explained() {
  echo "$1, as export-c says:"; cat "$report"; exit 0
}

if ! command -v "$compiler" >/dev/null 2>&1; then
  echo "skipped: no $compiler on this machine"; exit 77
fi
mkdir -p "$workdir"
run=1
for f in "${flags[@]}"; do
  [ "$f" = "-m32" ] || continue
  if ! echo 'int main() { return 0; }' | "$compiler" -m32 -x c++ - -o "$workdir/m32probe" >/dev/null 2>&1; then
    echo "skipped: $compiler cannot build 32-bit programs here (g++-multilib)"; exit 77
  fi
  if ! "$workdir/m32probe" >/dev/null 2>&1; then
    echo "this machine cannot run 32-bit programs: the program is built, not run"; run=0
  fi
done

program="$workdir/replayer_check"
log="$workdir/build.log"
if ! "$compiler" -Wall -Wextra "${flags[@]}" -I "$replayer" -I "$songdir" "$replayer/OvkReplayer.cpp" \
    "$songdir/OvkSongData.cpp" "$check" -o "$program" >"$log" 2>&1; then
  [ $departs = 1 ] && explained "The build fails"
  cat "$log"; echo "FAILED: the build failed"; exit 1
fi
if [ -s "$log" ]; then
  cat "$log"; echo "FAILED: the build gave warnings"; exit 1
fi
[ $run = 0 ] && { echo "built without warnings"; exit 0; }
"$program" "$wav"
status=$?
# 3: the samples differ from the editor's.
[ $status = 3 ] && [ $departs = 1 ] && explained "The samples differ"
exit $status
