#!/usr/bin/env bash
# Installs every Debian package Orvelle needs to build, run and test.
# Safe to run again: only missing packages are fetched.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-multimedia-dev qt6-qpa-plugins
  libqt6svg6 libqt6svgwidgets6 libqt6sql6-sqlite libgl-dev
  libcdio-dev libcdio-paranoia-dev libiso9660-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libmp3lame-dev libvorbis-dev libogg-dev libjpeg-dev libebur128-dev libdiscid-dev
  libflac-dev libopusenc-dev libopus-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  ffmpeg lame vorbis-tools flac opus-tools libtag1-dev python3 python3-mutagen
  xvfb xauth dbus-daemon at-spi2-core python3-pyatspi
  desktop-file-utils appstream man-db groff-base dpkg-dev file inotify-tools
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
