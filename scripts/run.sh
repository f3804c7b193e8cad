#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor on a demo song.
# Without a display it says so, draws the editor with the demo song into
# build/editor.png, and plays the song from the command line instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
bin="$root/build/bin"
song="$root/examples/neon_steps.tonvik"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/tonvik3" "$song"
fi
echo "No display (DISPLAY is not set): the editor cannot open a window here."
QT_QPA_PLATFORM=offscreen "$bin/tonvik3" --screenshot "$root/build/editor.png" "$song"
echo "Drew the editor with $song into $root/build/editor.png"
cli="$bin/tonvik3-cli"
"$cli" info "$song"
"$cli" render "$song" "$root/build/demo.wav"
echo "Rendered $root/build/demo.wav"
exec "$cli" play "$song"
