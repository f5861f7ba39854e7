#!/usr/bin/env bash
# Installs the built tree into a fresh prefix and checks it as a desktop and a
# user would meet it: every program linked from bin/ with its skin, manual and
# manual page, the menu entry pointing at an installed program and icon, and
# the installed program, started from an unrelated folder, reading the skin
# that lies beside it.
#   install_test.sh <build folder> <metainfo file>
set -u
build="$1"
metainfo="$2"
tmp=$(mktemp -d)
program_pid=""
watcher_pid=""
cleanup() {
  if [ -n "$watcher_pid" ]; then kill "$watcher_pid" 2>/dev/null; fi
  if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null; wait "$program_pid" 2>/dev/null; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "$*"; exit 1; }

prefix="$tmp/prefix"
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 ||
  { cat "$tmp/install.log"; fail "cmake --install failed"; }

# Programs: bin/ holds relative links into the private folder, so a moved or
# packaged tree still works; the skin and the manual lie beside the target.
[ -x "$prefix/bin/orvelle" ] || fail "no bin/orvelle"
for link in "$prefix"/bin/*; do
  name=$(basename "$link")
  [ -L "$link" ] || fail "bin/$name is not a link"
  case "$(readlink "$link")" in /*) fail "bin/$name links to an absolute path" ;; esac
  real=$(readlink -f "$link")
  [ -f "$real" ] && [ -x "$real" ] || fail "bin/$name leads to no program"
  [ -f "$(dirname "$real")/mp3enc.dll" ] || fail "no skin beside $real"
  [ -f "$(dirname "$real")/help/Orvelle.html" ] || fail "no manual beside $real"
  [ -f "$prefix/share/man/man1/$name.1.gz" ] || fail "no manual page for $name"
  MANWIDTH=80 man -l "$prefix/share/man/man1/$name.1.gz" >/dev/null 2>&1 ||
    fail "the installed page of $name does not open"
done

# Desktop entry: what it starts and the icon it names are installed.
desktop="$prefix/share/applications/orvelle.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$prefix/bin/$exec_program" ] || fail "the desktop entry starts '$exec_program', not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for size in 16 22 24 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png"
  file "$png" | grep -q "PNG image data, $size x $size," || fail "icon $png is not a $size pixel PNG"
done

# AppStream data: installed under its id, launching the installed desktop entry.
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
[ -f "$prefix/share/metainfo/$id.metainfo.xml" ] || fail "no metainfo for $id"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ -f "$prefix/share/applications/$launchable" ] || fail "metainfo launches '$launchable', not installed"
appstreamcli validate-tree --no-net --no-color "$prefix" >"$tmp/tree.log" 2>&1 ||
  { cat "$tmp/tree.log"; fail "the installed AppStream data does not validate"; }

# Start the installed program from another folder and see it open its skin.
# A disc image stands in for a CD drive so that start-up asks no question,
# and the Converter function keeps it off the disc and the network.
home="$tmp/home"
mkdir -p "$home/config" "$home/run" "$home/elsewhere"
chmod 700 "$home/run"
head -c $((2 * 75 * 2352)) /dev/zero >"$home/config/disc.bin"
printf 'FILE "disc.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n' >"$home/config/disc.cue"
printf '[Main]\nFunction=1\n[Drives]\nimage1=disc.cue\n' >"$home/config/Orvelle.ini"
skin="$(dirname "$(readlink -f "$prefix/bin/orvelle")")/mp3enc.dll"

exec 3< <(exec inotifywait -e open --format '%w' "$skin" 2>&1)
watcher_pid=$!
while read -r -t 60 line <&3; do
  [ "$line" = "Watches established." ] && break
done
[ "${line:-}" = "Watches established." ] || fail "cannot watch $skin"

cd "$home/elsewhere"
env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" \
  "$prefix/bin/orvelle" >"$home/program.log" 2>&1 &
program_pid=$!
# A generous bound that only ends a hung start; the event ends the wait.
read -r -t 300 opened <&3 || { cat "$home/program.log"; fail "the program never opened $skin"; }
[ "$opened" = "$skin" ] || fail "unexpected watch report: $opened"
kill -0 "$program_pid" 2>/dev/null || { cat "$home/program.log"; fail "the program ended at start"; }
echo "installed into $prefix; the program started from another folder and read $skin"
