#!/usr/bin/env bash
# Kavu's command line and second start, as real processes: --help and
# --version with no display; refused addresses; --site-address and
# --reset-site-address; a second kavu on a private session bus handing its
# request to the first, and giving up on a first that does not answer;
# kavu-demo twice after a confirmed settings dialog, and on a damaged
# settings file.
# Usage: check-command-line.sh BUILD_DIR
set -uo pipefail
build="${1:?usage: check-command-line.sh BUILD_DIR}"
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Waits up to 30 s for a command to succeed.
await() { for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done; return 1; }

export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS
conf="$XDG_CONFIG_HOME/kavu/kavu.conf"
stored() { [ -f "$conf" ] && grep -q "^customURL=$1\$" "$conf"; }

# No display: --version and --help answer, and bad addresses are refused
# with one line and status 2, storing nothing.
out="$("$build/kavu" --version)" || fail "--version ended with $?"
[[ "$out" == "kavu "* ]] || fail "--version printed '$out'"
"$build/kavu" --help | grep -q -- "--site-address <url>" || fail "--help does not name --site-address"
for verb in play-pause play pause stop next previous; do
    "$build/kavu" --help | grep -q -- "--$verb " || fail "--help does not name --$verb"
done
long="https://music.test/$(head -c 100000 /dev/zero | tr '\0' a)"
for bad in "not an address" "file:///etc/passwd" "javascript:alert(1)" "ftp://music.test/kavu" "https://" \
           "$(printf 'https://music.test/\001kavu')" "$(printf 'https://music.test/\nkavu')" "$long"; do
    "$build/kavu" --site-address "$bad" > /dev/null 2> "$work/err"
    status=$?
    [ "$status" -eq 2 ] || fail "--site-address '$bad' ended with $status"
    [ "$(wc -l < "$work/err")" -eq 1 ] || fail "--site-address '$bad' printed more than one line"
    ! grep -qs customURL "$conf" || fail "--site-address '$bad' stored something"
done
# An unknown option is quoted on one line, whatever it holds.
"$build/kavu" "$(printf -- '--x\ny\033[2J')" > /dev/null 2> "$work/err"
[ "$?" -eq 2 ] && [ "$(wc -l < "$work/err")" -eq 1 ] || fail "a hostile unknown option was not refused on one line"

# A private session bus; Kavu runs headless on it.
dbus-daemon --session --fork --address="unix:path=$work/bus" --print-pid > "$work/bus.pid" \
    || fail "no dbus-daemon"
pids+=("$(cat "$work/bus.pid")")
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus" QT_QPA_PLATFORM=offscreen
owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.kavu.Kavu 2>/dev/null | grep -q "boolean true"
}

"$build/kavu" --site-address https://music.test/kavu > "$work/first.log" 2>&1 &
first=$!
pids+=("$first")
await owned || fail "the first kavu took no name on the bus"
await stored https://music.test/kavu || fail "the first kavu did not store its address"

# A second start hands its address to the first, which stores it, and ends.
timeout 20 "$build/kavu" --site-address https://other.test/kavu > /dev/null 2>&1 \
    || fail "the second kavu ended with $?"
await stored https://other.test/kavu || fail "the first kavu did not store the second one's address"
timeout 20 "$build/kavu" --reset-site-address > /dev/null 2>&1 || fail "--reset-site-address ended with $?"
await bash -c "! grep -q customURL '$conf'" || fail "--reset-site-address left the address"
timeout 20 "$build/kavu" > /dev/null 2>&1 || fail "a plain second start ended with $?"
kill -0 "$first" 2>/dev/null || fail "the first kavu ended"

# A first kavu that does not answer (stopped here): the second gives up
# within its 5 s, says so on one line and ends with 1; the first goes on.
kill -STOP "$first"
started=$SECONDS
timeout 20 "$build/kavu" --site-address https://busy.test/kavu > /dev/null 2> "$work/err"
status=$?
kill -CONT "$first"
[ "$status" -eq 1 ] || fail "a second start beside a busy kavu ended with $status"
[ $((SECONDS - started)) -le 10 ] || fail "a second start beside a busy kavu took $((SECONDS - started)) s"
[ "$(wc -l < "$work/err")" -eq 1 ] || fail "a second start beside a busy kavu printed more than one line"
timeout 20 "$build/kavu" > /dev/null 2>&1 || fail "a second start after the busy time ended with $?"
kill -0 "$first" 2>/dev/null || fail "the first kavu ended after being busy"

# kavu-demo, after its settings dialog stored an address of an earlier
# run's service: each run starts on its own service.
demoConf="$XDG_CONFIG_HOME/kavu/kavu-demo.conf"
for run in 1 2; do
    printf '[General]\ncustomURL=http://127.0.0.1:9/kavu\n' > "$demoConf"
    "$build/kavu-demo" > "$work/demo.log" 2>&1 &
    demo=$!
    pids+=("$demo")
    await grep -q "demo service at" "$work/demo.log" || fail "kavu-demo run $run did not start"
    await bash -c "! grep -q customURL '$demoConf'" || fail "kavu-demo run $run kept the old address"
    kill "$demo"
    wait "$demo" 2>/dev/null
done
# A damaged settings file: kavu-demo starts with what it could read, says
# so once, and leaves the file as it was.
printf '[General]\ncustomURL=http://127.0.0.1:9/kavu\n\001\002\377\376=\n[[[\nzzz\n' > "$demoConf"
cp "$demoConf" "$work/damaged.conf"
"$build/kavu-demo" > "$work/demo.log" 2>&1 &
demo=$!
pids+=("$demo")
await grep -q "kavu-demo.conf is damaged" "$work/demo.log" || fail "kavu-demo did not report its damaged settings file"
await grep -q "demo service at" "$work/demo.log" || fail "kavu-demo did not start on a damaged settings file"
# Time to store what it would store, had it not left the file alone.
sleep 1
kill "$demo"
wait "$demo" 2>/dev/null
[ "$(grep -c "kavu-demo.conf is damaged" "$work/demo.log")" -eq 1 ] || fail "the damaged settings file was not logged once"
cmp -s "$demoConf" "$work/damaged.conf" || fail "the damaged settings file was rewritten"
echo "command line and second start: as they should be"
