#!/usr/bin/env bash
# Builds the Debian package from the built tree, in a folder of its own, and
# checks what apt would see: the shared libraries' packages as dependencies,
# the programs linked from /usr/bin into /usr/lib/orvelle beside their skin.
#   deb_test.sh <build folder>
set -u
build="$1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "$*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; fail "cpack failed"; }
deb=$(ls "$tmp"/orvelle_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no orvelle_*.deb"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6svg6 libqt6multimedia6 libcdio-paranoia2 libmp3lame0 \
  libvorbisenc2 libavcodec59; do
  grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package: $depends"
done
grep -q -- "-dev\b" <<<"$depends" && fail "Depends names a development package: $depends"

dpkg-deb -c "$deb" >"$tmp/contents"
grep -q ' ./usr/bin/orvelle -> ../lib/orvelle/orvelle$' "$tmp/contents" || fail "no /usr/bin/orvelle link"
for file in usr/lib/orvelle/orvelle usr/lib/orvelle/mp3enc.dll usr/lib/orvelle/help/Orvelle.html \
  usr/share/applications/orvelle.desktop usr/share/man/man1/orvelle.1.gz; do
  grep -q " ./$file\$" "$tmp/contents" || fail "the package lacks /$file"
done
echo "$(basename "$deb"): Depends: $depends"
