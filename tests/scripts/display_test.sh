#!/usr/bin/env bash
# The virtual display the scripts bring up when there is none: it must come
# up, with a manager, whatever an earlier run left behind, and a manager that
# cannot start must not stop the run. Each case runs on display numbers of its
# own and ends every server it started.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
export TMPDIR="$(mktemp -d)"
holder=
failures=0
trap 'kill $holder 2>/dev/null; stop_display; rm -rf "$TMPDIR"' EXIT

fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
# A number no server here holds, starting from $1.
free_number() {
    local n=$1
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    echo "$n"
}
start_on() { unset DISPLAY; ORVO_DISPLAY_NUMBER=$1 orvo_start_display; }
# Ends the servers this test started, by the numbers it used.
used=()
stop_display() {
    local n
    for n in "${used[@]}"; do
        pkill -f "^Xvfb :$n " 2>/dev/null
    done
    return 0
}

# A manager that ended leaves the root's property behind: it must be seen as
# gone, and a new one started.
n=$(free_number 140); used+=("$n")
start_on "$n" || fail "no display on :$n"
orvo_window_manager_running || fail "no manager after the start on :$n"
pkill -9 -f "openbox --sm-disable" -P $$; sleep 0.5
# With its last client gone the server must not have started over: a manager
# connecting during that is turned away, and the property would be cleared.
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' ||
    fail "the server started over when its last client left"
orvo_window_manager_running && fail "a manager that ended is taken as running"
orvo_start_window_manager
orvo_window_manager_running || fail "no new manager after the first ended"
stop_display

# The chosen number is held by a live process that is no X server: the
# display comes up on another number, with its manager.
n=$(free_number 150); used+=("$n" $((n + 1)) $((n + 2)))
sleep 600 & holder=$!
printf '%10d\n' "$holder" >"/tmp/.X$n-lock"
start_on "$n" || fail "no display when :$n is held"
[ "${DISPLAY:-}" = ":$((n + 1))" ] || fail "DISPLAY is ${DISPLAY:-unset}, not the next free :$((n + 1))"
xdpyinfo >/dev/null 2>&1 || fail "the display on ${DISPLAY:-none} does not answer"
orvo_window_manager_running || fail "no manager on the free display"
kill "$holder"; rm -f "/tmp/.X$n-lock"; holder=
stop_display

# A manager that will not start: told, and the run goes on.
n=$(free_number 160); used+=("$n")
mkdir -p "$TMPDIR/bin"
printf '#!/bin/sh\necho "openbox: cannot start here" >&2\nexit 1\n' >"$TMPDIR/bin/openbox"
chmod +x "$TMPDIR/bin/openbox"
told=$(PATH="$TMPDIR/bin:$PATH"; start_on "$n" 2>&1) || fail "a manager that cannot start failed the run"
grep -q 'cannot start here' <<<"$told" || fail "what openbox printed was not shown: $told"
grep -q 'without a window manager' <<<"$told" || fail "going on without a manager was not told: $told"
stop_display

[ "$failures" -eq 0 ] && echo "virtual display: all cases passed"
exit "$failures"
