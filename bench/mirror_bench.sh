#!/usr/bin/env bash
# orvelle-convert --mirror on a tree of FILES one-second FLAC files (default
# 2000; the issue's figure is 20000), ten to a folder in Artist/Album folders:
#  - the first run to Opus with -j 2, in files per second, against the same
#    conversions made by opusenc two at a time (xargs -P2);
#  - the second run, when every file is up to date, against rsync -an SRC/ DST/
#    over the same two trees;
#  - the peak memory (maximum resident set) of both runs.
# Wall time and CPU time (user + system of every process and thread). Not a
# test: run it by hand, on a quiet machine.
#   bench/mirror_bench.sh build/orvelle-convert [FILES]
set -eu
program=$(readlink -f "${1:-build/orvelle-convert}")
files=${2:-2000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
command -v rsync > /dev/null || { echo "rsync is needed for the comparison"; exit 1; }

ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=1" \
  -f lavfi -i "anoisesrc=duration=1:amplitude=0.05" \
  -filter_complex "[0][1]amix=inputs=2,aformat=channel_layouts=stereo" -ar 44100 one.flac
for ((i = 0; i < files; ++i)); do
  folder="src/Artist $((i / 100))/Album $((i / 10))"
  [ $((i % 10)) -eq 0 ] && mkdir -p "$folder"
  cp one.flac "$folder/$(printf %02d $((i % 10 + 1))) Track.flac"
done

# "wall cpu peakKB" of a command.
measure() {
  /usr/bin/time -f '%e %U %S %M' -o cost.txt "$@" > /dev/null 2>&1 || true
  awk '{ printf "%.2f %.2f %d\n", $1, $2 + $3, $4 }' cost.txt
}
line() { # what, ours "wall cpu kb", theirs "wall cpu kb"
  read -r ow oc om <<< "$2"; read -r tw tc tm <<< "$3"
  awk -v what="$1" -v ow="$ow" -v oc="$oc" -v om="$om" -v tw="$tw" -v tc="$tc" -v n="$files" 'BEGIN {
    printf "%-34s ours %7.2f s wall %7.2f s CPU %6.1f MB peak | theirs %7.2f s wall %7.2f s CPU | wall %.2fx CPU %.2fx | %.1f files/s\n",
      what, ow, oc, om / 1024, tw, tc, ow / tw, oc / tc, n / ow }'
}
echo "$files files; load average $(cut -d' ' -f1-3 /proc/loadavg)"

# ReplayGain off: opusenc measures no loudness.
first=$(measure "$program" --settings none.ini --mirror src -o dst -f opus -j 2 -q --replaygain off)
mkdir ref
reference() {
  find src -name '*.flac' -print0 |
    xargs -0 -P2 -n1 sh -c 'out="ref/$(printf %s "$0" | tr / _).opus"; opusenc --quiet --bitrate 128 "$0" "$out"'
}
export -f reference
theirs=$(measure bash -c reference)
line "first run to Opus, -j 2 / xargs -P2" "$first" "$theirs"

second=$(measure "$program" --settings none.ini --mirror src -o dst -f opus -j 2 -q --replaygain off)
rsynced=$(measure rsync -an src/ dst/)
line "up-to-date run / rsync -an" "$second" "$rsynced"
