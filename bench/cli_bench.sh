#!/usr/bin/env bash
# orvelle-convert against lame on eight 60-second WAV files to MP3 at 128 kbps:
# -j 1 against lame one after another, -j 2 against two lame at a time, and
# the peak memory of converting one 60-minute WAV. Not a test: run it by hand
# on a quiet machine with two cores or more.
#   bench/cli_bench.sh build/orvelle-convert
set -eu
program=$(readlink -f "${1:-build/orvelle-convert}")
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

seconds() { date +%s.%N; }
elapsed() { echo "$2 - $1" | bc -l; }

run_orvelle() { # jobs
  rm -rf out; local start; start=$(seconds)
  "$program" --settings Orvelle.ini -q -j "$1" -f mp3 -o out in/*.wav
  elapsed "$start" "$(seconds)"
}
run_lame() { # parallel
  rm -rf lameout; mkdir lameout; local start; start=$(seconds)
  ls in/*.wav | xargs -P "$1" -I{} sh -c 'lame --quiet -b 128 --cbr -q 5 -m s "$1" "lameout/$(basename "$1" .wav).mp3"' _ {}
  elapsed "$start" "$(seconds)"
}

o1=$(run_orvelle 1); o2=$(run_orvelle 2)
l1=$(run_lame 1); l2=$(run_lame 2)
printf 'orvelle-convert -j 1: %6.2f s   lame one after another: %6.2f s   ratio %.2f\n' "$o1" "$l1" "$(elapsed 0 "$o1 / $l1")"
printf 'orvelle-convert -j 2: %6.2f s   lame two at a time:     %6.2f s   ratio %.2f\n' "$o2" "$l2" "$(elapsed 0 "$o2 / $l2")"
printf 'speed-up of -j 2 over -j 1: %.2f (cores: %s)\n' "$(elapsed 0 "$o1 / $o2")" "$(nproc)"

ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=3600" -ac 2 -ar 44100 long.wav
rm -rf out
/usr/bin/time -f '%M' -o rss.txt "$program" --settings Orvelle.ini -q -f mp3 -o out long.wav
printf 'peak resident size converting a 60-minute WAV to MP3: %d MB\n' "$(( $(tail -1 rss.txt) / 1024 ))"
