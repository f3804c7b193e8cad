#!/usr/bin/env bash
# Installs what is missing, builds, and plays a demo song.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
cli="$root/build/bin/tonvik3-cli"
song="$root/examples/neon_steps.tonvik"
"$cli" info "$song"
"$cli" render "$song" "$root/build/demo.wav"
echo "Rendered $root/build/demo.wav"
exec "$cli" play "$song"
