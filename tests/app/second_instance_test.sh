#!/usr/bin/env bash
# A second Orvelle started while one runs ends at once, silently; the first
# goes on. Runs the real program on the offscreen platform.
set -u
program="$1"
home=$(mktemp -d)
trap 'kill "$first" 2>/dev/null; wait "$first" 2>/dev/null; rm -rf "$home"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

"$program" >"$home/first.log" 2>&1 &
first=$!
for _ in $(seq 50); do
  [ -e "$XDG_RUNTIME_DIR/orvelle.lock" ] && break
  sleep 0.1
done
[ -e "$XDG_RUNTIME_DIR/orvelle.lock" ] || { echo "the first instance took no lock"; exit 1; }

start=$(date +%s%N)
timeout 10 "$program" >"$home/second.log" 2>&1
status=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$status" -eq 0 ] || { echo "second instance exit status $status"; cat "$home/second.log"; exit 1; }
[ "$elapsed_ms" -lt 5000 ] || { echo "second instance took ${elapsed_ms} ms"; exit 1; }
[ ! -s "$home/second.log" ] || { echo "second instance printed:"; cat "$home/second.log"; exit 1; }
kill -0 "$first" 2>/dev/null || { echo "the first instance ended"; exit 1; }
echo "second instance ended after ${elapsed_ms} ms; the first runs on"

# Without a runtime folder the lock goes to a folder of the user's own in the
# temporary folder. When another user has taken that name, Orvelle says so and
# does not start, rather than keep its lock where that user could reach it.
if [ "$(id -u)" -ne 0 ]; then
  echo "skipped the case of a lock folder taken by another user: giving it to another user needs root"
  exit 0
fi
shared="$home/shared"
mkdir -m 1777 "$shared" && mkdir -m 700 "$shared/orvelle-0" && chown 65534:65534 "$shared/orvelle-0"
timeout 10 env -u XDG_RUNTIME_DIR TMPDIR="$shared" "$program" >"$home/taken.log" 2>&1
status=$?
[ "$status" -ne 0 ] && [ "$status" -ne 124 ] ||
  { echo "with its lock folder taken, Orvelle exited with status $status"; cat "$home/taken.log"; exit 1; }
grep -q "$shared/orvelle-0" "$home/taken.log" ||
  { echo "Orvelle did not say which folder it refused:"; cat "$home/taken.log"; exit 1; }
echo "a lock folder of another user is refused with a message"
