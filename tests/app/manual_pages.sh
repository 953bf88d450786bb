#!/bin/sh
# The manual pages describe what the programs accept: every command that
# `verdane-cli --help` lists has its section in verdane-cli(1), and every option
# of every command's --help (and of `verdane --help`) is in the page.
set -eu
verdane=$1
cli=$2
source=$3
status=0
missing() { echo "FAIL: $1"; status=1; }
# An option as roff writes it: each "-" escaped.
in_page() { grep -q -- "$(printf '%s' "$2" | sed 's/-/\\\\-/g')" "$1"; }

commands=$("$cli" --help | sed -n 's/^  \([a-z][a-z0-9-]*\)  .*/\1/p')
[ -n "$commands" ] || { echo "FAIL: verdane-cli --help lists no commands"; exit 1; }
for command in $commands; do
  in_page "$source/data/verdane-cli.1" ".SS $command" || missing "verdane-cli(1) has no section for $command"
  for option in $("$cli" "$command" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
    in_page "$source/data/verdane-cli.1" "$option" || missing "verdane-cli(1) lacks $command $option"
  done
done
for option in $(env -u DISPLAY -u WAYLAND_DISPLAY "$verdane" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
  in_page "$source/data/verdane.1" "$option" || missing "verdane(1) lacks $option"
done
# Both pages render without a warning, in the C locale too.
for page in verdane.1 verdane-cli.1; do
  warnings=$(LC_ALL=C MANPAGER=cat man -l --warnings "$source/data/$page" 2>&1 >/dev/null) || true
  [ -z "$warnings" ] || missing "$page warns in the C locale: $warnings"
done
[ "$status" = 0 ] && echo "the manual pages cover every command and option"
exit "$status"
