#!/usr/bin/env bash
# Sets up the machine, builds Kavu and starts it on its embedded demo service.
# With no display, Kavu does its main job headless instead: it walks through
# every screen on the demo service, prints each step, and saves screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec ./build/kavu-demo "$@"
fi

screenshots="$PWD/build/tour-screenshots"
echo "No display: running the Kavu tour headless; screenshots go to $screenshots"
# The web engine's own messages go to build/tour.log; the steps to the terminal.
QT_QPA_PLATFORM=offscreen ./build/kavu-demo --tour "$screenshots" "$@" 2> build/tour.log
echo "Screenshots of every step are in $screenshots"
