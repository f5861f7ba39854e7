#!/usr/bin/env bash
# orvelle-convert against the command-line encoders, in wall time and in CPU
# time (user + system of every process and thread, so that work moved to a
# second core still counts):
#  - eight 60-second WAV files to MP3 at 128 kbps, -j 1 against lame one after
#    another and -j 2 against two lame at a time;
#  - one 3-minute WAV to MP3, Opus and FLAC with ReplayGain (the default, sample
#    peak), with the true peak, and with --replaygain off;
#  - the eight files to FLAC with -j 2 and ReplayGain, every core busy, against
#    flac -5 -V two at a time;
#  - the eight files to MP3 and Opus at once (-f mp3,opus, -j 2: one decode
#    for both) against lame and opusenc on each file, two at a time;
#  - the peak memory of converting one 60-minute WAV, to MP3 and to MP3 + Opus.
# Each figure is the median of RUNS runs (default 5), the sides taking turns;
# the load average is printed beside. Not a test: run it by hand, on a quiet
# machine with two cores or more where you can.
#   bench/cli_bench.sh build/orvelle-convert
set -eu
program=$(readlink -f "${1:-build/orvelle-convert}")
runs=${RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Orvelle's stored MP3 choices: 128 kbps constant bitrate, quality 5, stereo, 44100 Hz.
cat > Orvelle.ini <<'INI'
[mp3]
bitrate=9
channel=1
frequency=7
quality=5
[MP3VBR]
Coding Method=0
INI

mkdir in
for i in 1 2 3 4 5 6 7 8; do
  ffmpeg -loglevel error -f lavfi -i "sine=frequency=$((200 + 70 * i)):duration=60" \
    -f lavfi -i "anoisesrc=duration=60:amplitude=0.0$((3 + i % 5))" \
    -filter_complex "[0][1]amix=inputs=2,aformat=channel_layouts=stereo" -ar 44100 \
    "in/tone$i.wav"
done
ffmpeg -loglevel error -f lavfi -i "sine=frequency=330:duration=180" \
  -f lavfi -i "anoisesrc=duration=180:amplitude=0.05" \
  -filter_complex "[0][1]amix=inputs=2,aformat=channel_layouts=stereo" -ar 44100 three.wav

# Runs a command (or a function of this script) and appends "wall cpu" to the
# file named first; bash's time counts the processes it waits for.
measure() {
  local into=$1; shift
  local TIMEFORMAT='%R %U %S'
  { time "$@" > /dev/null 2>&1; } 2> cost.txt
  awk '{ printf "%s %.3f\n", $1, $2 + $3 }' cost.txt >> "$into"
}
# "wall cpu" medians of a file of runs.
median() {
  local wall cpu
  wall=$(cut -d' ' -f1 "$1" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  cpu=$(cut -d' ' -f2 "$1" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  echo "$wall $cpu"
}
# One line: what, then wall and CPU of ours and theirs and the two ratios.
compare() { # label ours-file theirs-label theirs-file
  read -r ow oc <<< "$(median "$2")"; read -r tw tc <<< "$(median "$4")"
  printf '%-28s %6.2f s cpu %6.2f s   %-22s %6.2f s cpu %6.2f s   ratio %.3f cpu %.3f\n' \
    "$1" "$ow" "$oc" "$3" "$tw" "$tc" "$(echo "$ow / $tw" | bc -l)" "$(echo "$oc / $tc" | bc -l)"
}

orvelle() { # jobs format replaygain [peak] files...
  local jobs=$1 format=$2 gain=$3 peak=$4; shift 4
  rm -rf out
  "$program" --settings Orvelle.ini -q -j "$jobs" -f "$format" --replaygain "$gain" \
    --replaygain-peak "$peak" -o out "$@"
}
parallel() { # jobs command-with-{in}-and-{out}
  rm -rf toolout; mkdir toolout
  ls in/*.wav | xargs -P "$1" -I{} sh -c "$2" _ {}
}
lame_one='lame --quiet -b 128 --cbr -q 5 -m s "$1" "toolout/$(basename "$1" .wav).mp3"'
flac_one='flac --silent -5 -V -o "toolout/$(basename "$1" .wav).flac" "$1"'
# Each file to both, the sixteen encodings two at a time.
both() {
  rm -rf toolout; mkdir toolout
  { ls in/*.wav | sed 's/$/ mp3/'; ls in/*.wav | sed 's/$/ opus/'; } | xargs -P 2 -n 2 sh -c '
    name="toolout/$(basename "$1" .wav)"
    if [ "$2" = mp3 ]; then lame --quiet -b 128 --cbr -q 5 -m s "$1" "$name.mp3"
    else opusenc --quiet --bitrate 128 "$1" "$name.opus"; fi' _
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores, $runs runs each"
rm -f ./*.runs
for run in $(seq "$runs"); do
  measure o1.runs orvelle 1 mp3 off sample in/*.wav
  measure l1.runs parallel 1 "$lame_one"
  measure o2.runs orvelle 2 mp3 off sample in/*.wav
  measure l2.runs parallel 2 "$lame_one"
  for format in mp3 opus flac; do
    measure "$format-off.runs" orvelle 1 "$format" off sample three.wav
    measure "$format-gain.runs" orvelle 1 "$format" track sample three.wav
    measure "$format-true.runs" orvelle 1 "$format" track true three.wav
  done
  measure batch.runs orvelle 2 flac track sample in/*.wav
  measure flacbatch.runs parallel 2 "$flac_one"
  measure twoformats.runs orvelle 2 mp3,opus off sample in/*.wav
  measure toolboth.runs both
done
compare "orvelle-convert -j 1 (mp3)" o1.runs "lame one after another" l1.runs
compare "orvelle-convert -j 2 (mp3)" o2.runs "lame two at a time" l2.runs
for format in mp3 opus flac; do
  compare "$format, ReplayGain" "$format-gain.runs" "--replaygain off" "$format-off.runs"
  compare "$format, ReplayGain, true peak" "$format-true.runs" "--replaygain off" "$format-off.runs"
done
compare "8 to FLAC, -j 2, ReplayGain" batch.runs "flac -5 -V two at a time" flacbatch.runs
compare "8 to MP3 + Opus, -j 2" twoformats.runs "lame + opusenc, 2 at a time" toolboth.runs
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=3600" -ac 2 -ar 44100 long.wav
rm -rf out
/usr/bin/time -f '%M' -o rss.txt "$program" --settings Orvelle.ini -q -f mp3 -o out long.wav
printf 'peak resident size converting a 60-minute WAV to MP3: %d MB\n' "$(( $(tail -1 rss.txt) / 1024 ))"
rm -rf out
/usr/bin/time -f '%M' -o rss.txt "$program" --settings Orvelle.ini -q -f mp3,opus -o out long.wav
printf 'peak resident size converting a 60-minute WAV to MP3 and Opus: %d MB\n' "$(( $(tail -1 rss.txt) / 1024 ))"
