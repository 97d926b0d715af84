#!/usr/bin/env bash
# Starts the real program on a virtual X display: a top-level window titled
# "Kestrolin Mailferry " with a 650 x 389 client area appears, and Alt+N replaces it with
# the email window. Usage: xvfb-window-test.sh PROGRAM
set -euo pipefail
program=${1:?program}

if [ -z "${MAILFERRY_XVFB_INNER:-}" ]; then
  export MAILFERRY_XVFB_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

unset QT_QPA_PLATFORM  # the real X display, not the offscreen platform
"$program" &
pid=$!
cleanup() { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits until exactly one visible window has the title; prints its id.
visible_window() {
  for _ in $(seq 1 100); do
    ids=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true)
    if [ -n "$ids" ]; then
      echo "$ids" | head -n1
      return 0
    fi
    sleep 0.1
  done
  return 1
}

welcome=$(visible_window "Kestrolin Mailferry ") || fail "no welcome window"
info=$(xwininfo -id "$welcome")
width=$(awk '/  Width:/ {print $2}' <<<"$info")
height=$(awk '/  Height:/ {print $2}' <<<"$info")
[ "$width" = 650 ] && [ "$height" = 389 ] || fail "client area ${width}x${height}, expected 650x389"
name=$(xprop -id "$welcome" WM_NAME)
[ "$name" = 'WM_NAME(STRING) = "Kestrolin Mailferry "' ] || [ "$name" = 'WM_NAME(UTF8_STRING) = "Kestrolin Mailferry "' ] || fail "title: $name"
echo "welcome window $welcome: ${width}x${height}"

xdotool windowfocus --sync "$welcome"
xdotool key --window "$welcome" alt+n

for _ in $(seq 1 100); do
  state=$(xwininfo -id "$welcome" | awk '/Map State:/ {print $3}')
  [ "$state" = IsUnMapped ] && break
  sleep 0.1
done
[ "$state" = IsUnMapped ] || fail "the welcome window is still shown after Alt+N"
email=$(visible_window "Kestrolin Mailferry ") || fail "no email window after Alt+N"
[ "$email" != "$welcome" ] || fail "the same window is still shown"
xwininfo -id "$email" | grep -q "  Width: 650" || fail "email window size"
echo "email window $email replaced the welcome window"
kill -0 "$pid" || fail "the program ended"
echo PASS
