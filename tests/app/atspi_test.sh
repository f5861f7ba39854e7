#!/usr/bin/env bash
# The real window driven through AT-SPI, as a screen reader's tools reach it:
# a private X server (Xvfb) and a private session bus, on which the
# accessibility bus starts when Orvelle asks for it. The driver is
# atspi_drive.py (Debian's python3-pyatspi).
set -u
program="$1"
here="$(cd "$(dirname "$0")" && pwd)"
for need in Xvfb dbus-daemon setpriv /usr/libexec/at-spi-bus-launcher; do
  command -v "$need" >/dev/null || { echo "SKIPPED: $need is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null ||
  { echo "SKIPPED: python3-pyatspi is not installed"; exit 77; }

home=$(mktemp -d)
xvfb= bus=
# The servers go with this script on every way out; each also dies with it
# (a parent-death signal) should the script itself be killed. The
# accessibility bus ends when the session bus it serves goes, Orvelle when its
# X server goes.
cleanup() {
  for pid in $bus $xvfb; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  rm -rf "$home"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
mkdir -p "$home/run" "$home/bin" && chmod 700 "$home/run"
# The folder opened at the end goes to a stand-in for the file manager.
printf '#!/bin/sh\necho "$@" >>"%s/opened"\n' "$home" >"$home/bin/xdg-open"
chmod +x "$home/bin/xdg-open"

# Each server writes where to reach it on a pipe once it accepts clients, so
# that nothing polls for it. Xvfb takes the first free display, without a
# reset when its last client leaves: the accessibility bus visits it briefly,
# and a server resetting then turns Orvelle away.
mkfifo "$home/display" "$home/bus"
setpriv --pdeathsig KILL Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
  3>"$home/display" 2>"$home/xvfb.log" &
xvfb=$!
read -r -t 60 display <"$home/display" || { echo "Xvfb did not start"; cat "$home/xvfb.log"; exit 1; }
setpriv --pdeathsig KILL dbus-daemon --session --nofork --print-address=3 3>"$home/bus" &
bus=$!
read -r -t 60 address <"$home/bus" || { echo "dbus-daemon did not start"; exit 1; }
export DISPLAY=":$display" PATH="$home/bin:$PATH" DBUS_SESSION_BUS_ADDRESS="$address"
unset AT_SPI_BUS_ADDRESS NO_AT_BRIDGE
setpriv --pdeathsig KILL /usr/bin/python3 "$here/atspi_drive.py" "$program" "$home"
status=$?
[ "$status" -eq 0 ] || { echo "--- program output"; cat "$home/program.log" "$home/xvfb.log" 2>/dev/null; }
exit "$status"
