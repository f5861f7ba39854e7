#!/usr/bin/env bash
# Runs every fuzz target for minutes rather than the seconds the test command
# gives it: some faults lie millions of inputs deep. Not part of CI.
#
#   fuzz/run-long.sh [MINUTES] [BUILD-FOLDER] [TARGET...]
#
# MINUTES per target (default 5); BUILD-FOLDER is a configured Orvelle build
# (default: build/ beside fuzz/); TARGETs (such as flac_fuzzer) run alone,
# else every target runs. The targets are built first, unless
# ORVELLE_FUZZ_NO_BUILD=1. Each target starts from the generated corpus,
# the inputs earlier long runs found (BUILD-FOLDER/fuzz/long/TARGET, kept
# between runs) and the inputs kept in fuzz/regressions/TARGET. An input that
# crashes, hangs or runs out of memory is kept in fuzz/regressions/TARGET, where it
# is an input of every later run: commit it with the fix. Exits 1 when a
# target found something.
set -u

source_dir=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-5}
build=${2:-$source_dir/build}
shift $(($# < 2 ? $# : 2))
chosen=("$@")
case $minutes in
'' | *[!0-9]* | 0)
  echo "usage: $0 [MINUTES] [BUILD-FOLDER]  (MINUTES a whole number from 1)" >&2
  exit 2
  ;;
esac
[ -f "$build/CMakeCache.txt" ] || {
  echo "$build is no configured build folder; configure one with cmake first" >&2
  exit 2
}
build=$(cd "$build" && pwd)
grep -q '^ORVELLE_FUZZ:BOOL=ON' "$build/CMakeCache.txt" || {
  echo "$build has no fuzz targets; configure it with -DORVELLE_FUZZ=ON (needs clang)" >&2
  exit 2
}

if [ "${ORVELLE_FUZZ_NO_BUILD:-0}" != 1 ]; then
  cmake --build "$build" --target orvelle_fuzz_corpus || exit 1
fi
targets_dir=$build/fuzz/targets
corpus=$build/fuzz/corpus
long=$build/fuzz/long
findings=$build/fuzz/findings
maker=$build/orvelle_fuzz_corpus
[ -x "$maker" ] || maker=$build/fuzz/orvelle_fuzz_corpus
"$maker" "$corpus" >/dev/null || {
  echo "the corpus could not be made" >&2
  exit 1
}

mapfile -t targets < <(find "$targets_dir" -maxdepth 1 -type f -name '*_fuzzer' -perm -u+x \
  -printf '%f\n' | sort)
if [ ${#chosen[@]} -gt 0 ]; then
  for target in "${chosen[@]}"; do
    [ -x "$targets_dir/$target" ] || {
      echo "no fuzz target $target in $targets_dir" >&2
      exit 2
    }
  done
  targets=("${chosen[@]}")
fi
[ ${#targets[@]} -gt 0 ] || {
  echo "no fuzz targets in $targets_dir" >&2
  exit 1
}
echo "${#targets[@]} targets, $minutes min each: ${targets[*]}"

# libcdio's own small leaks are not ours to report; see the file.
export LSAN_OPTIONS=suppressions=$source_dir/fuzz/libcdio-leaks.supp
# Targets that read by path write their input to a folder there; it goes with the run.
export TMPDIR=$build/fuzz/tmp
failed=()
for target in "${targets[@]}"; do
  # What an earlier run found is in fuzz/regressions already.
  rm -rf "${findings:?}/$target"
  rm -rf "$TMPDIR"
  mkdir -p "$long/$target" "$corpus/$target" "$findings/$target" "$TMPDIR" || exit 1
  kept=()
  [ -d "$source_dir/fuzz/regressions/$target" ] && kept=("$source_dir/fuzz/regressions/$target")
  log=$findings/$target.log
  echo "== $target ($(date +%H:%M), log $log)"
  # The first folder takes what is new; the others are read only.
  "$targets_dir/$target" -max_total_time=$((minutes * 60)) -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/$target/" \
    "$long/$target" "$corpus/$target" "${kept[@]}" >"$log" 2>&1
  status=$?
  grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$log" | sed 's/^/   /'
  found=("$findings/$target"/*)
  if [ "$status" -ne 0 ] || [ -e "${found[0]}" ]; then
    failed+=("$target")
    echo "   FOUND: exit status $status; the end of the log:"
    grep -E '^==[0-9]+==ERROR|^SUMMARY|deadly signal|Test unit written' "$log" | tail -5 |
      sed 's/^/   /'
    mkdir -p "$source_dir/fuzz/regressions/$target"
    for input in "${found[@]}"; do
      [ -e "$input" ] || continue
      cp "$input" "$source_dir/fuzz/regressions/$target/" &&
        echo "   kept for later runs: fuzz/regressions/$target/$(basename "$input")"
    done
  fi
done

rm -rf "$TMPDIR"
if [ ${#failed[@]} -gt 0 ]; then
  echo "found faults in: ${failed[*]}"
  exit 1
fi
echo "nothing found"
