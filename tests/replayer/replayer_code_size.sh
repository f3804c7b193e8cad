#!/usr/bin/env bash
# The replayer's code: the .text sections of OvkReplayer.o built at
# -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables.
#   replayer_code_size.sh REPLAYERDIR EFFECTS_SONGDIR PLAIN_SONGDIR [--check BYTES]
# EFFECTS_SONGDIR holds an export that enables every effect, PLAIN_SONGDIR one
# without effects. Prints the bytes for g++ and clang, x86-64 and x86 (-m32).
# With --check it fails unless both x86-64 builds with every effect take at
# most BYTES and every build without effects takes less than with them.
set -uo pipefail
replayer=$1 effects=$2 plain=$3
limit=""
[ "${4:-}" = "--check" ] && limit=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# Bytes of code for one build; "-" when the machine lacks the compiler or its
# 32-bit support, "failed" when the build fails.
code_bytes() {
  local compiler=$1 arch=$2 song=$3
  command -v "$compiler" >/dev/null 2>&1 || { echo "-"; return; }
  echo 'int f() { return 0; }' | "$compiler" "$arch" -x c++ -c - -o "$work/probe.o" 2>/dev/null || { echo "-"; return; }
  "$compiler" "$arch" -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -Wall -Wextra \
    -I "$replayer" -I "$song" -c "$replayer/OvkReplayer.cpp" -o "$work/r.o" 2>"$work/log" || { echo "failed"; return; }
  size -A "$work/r.o" | awk '$1 ~ /^\.text/ { bytes += $2 } END { print bytes + 0 }'
}

printf '%-8s %-7s %12s %9s\n' compiler target "all effects" "none"
for compiler in g++ clang++; do
  for arch in -m64 -m32; do
    all=$(code_bytes $compiler $arch "$effects")
    none=$(code_bytes $compiler $arch "$plain")
    target=x86-64; [ $arch = -m32 ] && target=x86
    printf '%-8s %-7s %12s %9s\n' $compiler $target "$all" "$none"
    [ -z "$limit" ] && continue
    [ "$all" = "-" ] || [ "$none" = "-" ] && continue
    if [ "$all" = "failed" ] || [ "$none" = "failed" ]; then
      echo "FAILED: $compiler $target could not build the replayer"; status=1; continue
    fi
    if [ $arch = -m64 ] && [ "$all" -gt "$limit" ]; then
      echo "FAILED: $compiler x86-64 with every effect takes $all bytes, more than $limit"; status=1
    fi
    if [ "$none" -ge "$all" ]; then
      echo "FAILED: $compiler $target without effects takes $none bytes, not less than $all"; status=1
    fi
  done
done
exit $status
