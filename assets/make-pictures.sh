#!/usr/bin/env bash
# Rebuilds the committed pictures from their SVG sources. Only needed after
# editing a source; the build uses the committed files.
# Needs: librsvg2-bin (rsvg-convert) and imagemagick (convert).
set -euo pipefail
cd "$(dirname "$0")"
# The splash is decoded with libjpeg at start-up: a plain baseline colour JPEG,
# full-resolution chroma so that the small lettering stays sharp.
rsvg-convert --width 282 --height 92 splash.svg |
  convert png:- -background '#0b1726' -flatten -strip -sampling-factor 1x1 -quality 92 splash.jpg
