#!/usr/bin/env bash
# Remakes packaging/screenshots/main.png, the AppStream screenshot, from the
# real window: the built program runs under Xvfb in CD Ripper mode on a
# generated disc image with CD-TEXT (sparse, silent), and the window is cut
# out of the screen. Only needed when the window's look changes.
#   packaging/make-screenshot.sh [build folder]
# Needs: xvfb (xvfb-run), x11-utils (xwininfo), imagemagick (import, convert).
set -euo pipefail
cd "$(dirname "$0")/.."
program="$(realpath "${1:-build}")/orvelle"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/run" "$work/discs"
chmod 700 "$work/run"

titles=("Harbour Lights" "Northern Line" "Paper Kites" "Slow Tide" "Glasshouse"
        "Evening Static" "Lanterns")
seconds=(222 245 198 301 237 266 213)
cue="$work/discs/low-water.cue"
{
  echo 'PERFORMER "The Quiet Coast"'
  echo 'TITLE "Low Water"'
  echo 'FILE "low-water.bin" BINARY'
  frames=0
  for i in "${!titles[@]}"; do
    printf '  TRACK %02d AUDIO\n    TITLE "%s"\n    PERFORMER "The Quiet Coast"\n' \
      $((i + 1)) "${titles[$i]}"
    printf '    INDEX 01 %02d:%02d:%02d\n' $((frames / 4500)) $((frames / 75 % 60)) $((frames % 75))
    frames=$((frames + seconds[i] * 75))
  done
} >"$cue"
truncate -s $((frames * 2352)) "$work/discs/low-water.bin"
# Cache-only lookups keep the network out; the CD-TEXT names the tracks.
printf '[Main]\nFunction=0\nFormat=0\nOutput=3\nPath=/home/me/Music\n[Freedb]\ntoserver=2\n[Drives]\nimage1=%s\n' \
  "$cue" >"$work/config/Orvelle.ini"

# The main window's geometry as WxH+X+Y; the splash is far smaller.
cat >"$work/geometry.sh" <<'GEOMETRY'
#!/bin/sh
xwininfo -root -tree | sed -n 's/.*("orvelle" "Orvelle")  \([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]*  +\([-0-9]*\)+\([-0-9]*\).*/\1 \2 \3 \4/p' |
  awk '$1 >= 400 { print $1 "x" $2 "+" $3 "+" $4; exit }'
GEOMETRY
cat >"$work/shoot.sh" <<SHOOT
#!/bin/sh
"$program" >"$work/program.log" 2>&1 &
until [ -n "\$(sh "$work/geometry.sh")" ]; do sleep 0.2; done
sleep 2  # the splash closes a second after start-up
sh "$work/geometry.sh" >"$work/geometry"
import -window root "$work/screen.png"
kill \$!
SHOOT
chmod +x "$work/shoot.sh"
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" \
  xvfb-run -a -s "-screen 0 1024x768x24" "$work/shoot.sh"
convert "$work/screen.png" -crop "$(cat "$work/geometry")" +repage -strip \
  -define png:compression-level=9 packaging/screenshots/main.png
echo "packaging/screenshots/main.png: $(cat "$work/geometry")"
