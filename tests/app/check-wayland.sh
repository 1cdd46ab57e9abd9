#!/usr/bin/env bash
# Kavu as a native Wayland client: the demo tour runs under a Weston
# compositor, and the window carries the application id that
# matches it to its desktop entry.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
# Weston in a window of a virtual X display, which gives it a seat (Qt 6.4's
# Wayland client crashes on a compositor without one, as the headless
# backend is, when a page takes the focus).
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1280x1024x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
weston_pid=""
trap 'kill $weston_pid $xvfb_pid 2> /dev/null; rm -rf "$work"' EXIT
read -r -t 10 display <&"$displayfd" || { echo "Xvfb did not start"; exit 1; }
DISPLAY=":$display" weston --backend=x11-backend.so --socket=kavu-test --idle-time=0 > "$work/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 50); do [ -S "$work/run/kavu-test" ] && break; sleep 0.1; done
[ -S "$work/run/kavu-test" ] || { cat "$work/weston.log"; echo "weston did not start"; exit 1; }

# The client's side of the protocol goes to the log (WAYLAND_DEBUG).
if ! env -u DISPLAY WAYLAND_DISPLAY=kavu-test QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 \
        "$build/kavu-demo" --tour "$work/tour" > "$work/kavu.log" 2>&1; then
    grep -v '^\[' "$work/kavu.log" | tail -20
    echo "the tour failed under Wayland"
    exit 1
fi
grep -q 'xdg_toplevel@[0-9]*\.set_app_id("org.kavu.Kavu")' "$work/kavu.log" \
    || { echo "the window has no application id"; exit 1; }
echo "ran as a Wayland client with its application id"
