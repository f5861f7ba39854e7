#!/usr/bin/env bash
# SIGTERM and SIGHUP close the window as its close box does: the settings file
# is saved and the program exits 0, also while a question is open (the first
# start asks one about the missing drive). Runs the real program offscreen.
set -u
program="$1"
home=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$home"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
ini="$XDG_CONFIG_HOME/Orvelle.ini"

for signal in TERM HUP; do
  for question in open none; do
    rm -f "$ini" "$XDG_RUNTIME_DIR"/orvelle.lock*
    [ "$question" = none ] && printf '[Drives]\nNoDriveAsked=1\n' >"$ini"
    "$program" >"$home/run.log" 2>&1 &
    pid=$!
    # The hand-over socket appears once the window handles the signals.
    for _ in $(seq 100); do
      [ -S "$XDG_RUNTIME_DIR/orvelle.lock.socket" ] && break
      sleep 0.1
    done
    [ -S "$XDG_RUNTIME_DIR/orvelle.lock.socket" ] || { echo "Orvelle never started"; exit 1; }
    kill -"$signal" "$pid"
    timeout 20 tail --pid="$pid" -f /dev/null
    wait "$pid"
    status=$?
    pid=
    [ "$status" -eq 0 ] || { echo "SIG$signal ($question question): exit status $status"; cat "$home/run.log"; exit 1; }
    grep -q '^\[Main\]' "$ini" || { echo "SIG$signal ($question question): the settings were not saved"; exit 1; }
    echo "SIG$signal with $question question: closed, settings saved"
  done
done
