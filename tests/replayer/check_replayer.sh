#!/usr/bin/env bash
# Builds the replayer with one exported song the way a user's program does, and
# checks it against the editor's render:
#   check_replayer.sh COMPILER SONGDIR WORKDIR REPLAYERDIR CHECK.cpp [EDITOR.wav] [-- FLAGS...]
# SONGDIR holds OvkSongData.cpp and OvkSongDataDefines.h. The build must give no
# warning at -Wall -Wextra. With EDITOR.wav the program runs and compares (a
# 32-bit program only where the machine runs 32-bit programs; elsewhere it is
# only built); without it the program is only built.
# Exits 77 (skipped) when the compiler or its 32-bit support is missing.
set -uo pipefail
compiler=$1 songdir=$2 workdir=$3 replayer=$4 check=$5
shift 5
wav=""
if [ $# -gt 0 ] && [ "$1" != "--" ]; then wav=$1; shift; fi
[ $# -gt 0 ] && [ "$1" = "--" ] && shift
flags=("$@")

if ! command -v "$compiler" >/dev/null 2>&1; then
  echo "skipped: no $compiler on this machine"; exit 77
fi
mkdir -p "$workdir"
for f in "${flags[@]}"; do
  [ "$f" = "-m32" ] || continue
  if ! echo 'int main() { return 0; }' | "$compiler" -m32 -x c++ - -o "$workdir/m32probe" >/dev/null 2>&1; then
    echo "skipped: $compiler cannot build 32-bit programs here (g++-multilib)"; exit 77
  fi
  if [ -n "$wav" ] && ! "$workdir/m32probe" >/dev/null 2>&1; then
    echo "this machine cannot run 32-bit programs: the program is built, not run"; wav=""
  fi
done

program="$workdir/replayer_check"
log="$workdir/build.log"
if ! "$compiler" -Wall -Wextra "${flags[@]}" -I "$replayer" -I "$songdir" "$replayer/OvkReplayer.cpp" \
    "$songdir/OvkSongData.cpp" "$check" -o "$program" >"$log" 2>&1; then
  cat "$log"; echo "FAILED: the build failed"; exit 1
fi
if [ -s "$log" ]; then
  cat "$log"; echo "FAILED: the build gave warnings"; exit 1
fi
[ -z "$wav" ] && { echo "built without warnings"; exit 0; }
"$program" "$wav"
