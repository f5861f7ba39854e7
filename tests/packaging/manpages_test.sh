#!/usr/bin/env bash
# Each manual page formats without a single warning, both through groff's
# strictest checks and the way man(1) shows it.
set -u
status=0
for page in "$@"; do
  warnings=$(groff -man -ww -z "$page" 2>&1)
  if [ -n "$warnings" ]; then
    echo "groff warns about $page:"; echo "$warnings"; status=1
  fi
  shown=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  if [ -n "$shown" ]; then
    echo "man warns about $page:"; echo "$shown"; status=1
  fi
  text=$(MANWIDTH=80 man -l "$page" 2>/dev/null)
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES; do
    grep -q "^$section" <<<"$text" || { echo "$page has no section $section"; status=1; }
  done
done
exit $status
