#!/bin/bash
# Runs a command on an X server of its own, with Qt's X11 platform, so that
# the platform's desktop services (which hand addresses to xdg-open) are
# those a listener's session has; the offscreen platform has none. The
# server takes the first free display (-displayfd) and ends with the command.
set -u
dir=$(mktemp -d)
Xvfb -displayfd 3 -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 100); do
    grep -q . "$dir/display" 2>/dev/null && break
    sleep 0.1
done
display=$(head -n1 "$dir/display")
if [ -z "$display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$dir/log" >&2
    exit 1
fi
# Under LeakSanitizer, stacks are taken whole: the X platform's libraries
# are unloaded before the leak check, and the short stacks of their callers'
# allocations would name no library a suppression could match.
if [ -n "${LSAN_OPTIONS:-}" ]; then
    export LSAN_OPTIONS="$LSAN_OPTIONS:fast_unwind_on_malloc=0"
fi
# The view draws in software, as in Kavu's own process (no OpenGL is loaded).
DISPLAY=":$display" QT_QPA_PLATFORM=xcb QT_QUICK_BACKEND=software "$@"
