#!/bin/sh
# The two programs' own conventions on the command line, without a display:
# each row is the exit code expected, a text its standard error (or, for 0,
# its standard output) must start with, and the command.
set -u
verdane=$1
cli=$2
version=$3
status=0
row() {
  expected=$1 start=$2
  shift 2
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$@" 2>/tmp/command_line_err.$$)
  code=$?
  err=$(cat /tmp/command_line_err.$$)
  [ "$expected" = 0 ] && said=$out || said=$err
  if [ "$code" != "$expected" ]; then
    echo "FAIL: $* exited $code, not $expected: $err"; status=1
  else
    case "$said" in
      "$start"*) ;;
      *) echo "FAIL: $* said: $said"; status=1 ;;
    esac
    # A failure is one line.
    if [ "$expected" != 0 ] && [ "$(printf '%s\n' "$err" | wc -l)" -gt 2 ]; then
      echo "FAIL: $* said more than a line or two: $err"; status=1
    fi
  fi
  rm -f /tmp/command_line_err.$$
}
row 2 "verdane: unknown option '--bogus'" "$verdane" --bogus
row 2 "verdane: unknown option '-x'" "$verdane" -x memo.txt
row 1 "verdane: no display" "$verdane" memo.txt
row 0 "Verdane Ver$version" "$verdane" --version
row 0 "verdane-cli $version" "$cli" --version
row 0 "Usage: verdane-cli to-doc" "$cli" help to-doc
row 0 "Usage: verdane-cli info" "$cli" info --help
row 2 "verdane-cli: unknown command 'bogus'" "$cli" help bogus
[ "$("$cli" help kanji)" = "$("$cli" kanji --help)" ] || { echo "FAIL: help kanji is not kanji --help"; status=1; }
[ "$status" = 0 ] && echo "both programs answer their command lines as documented"
exit "$status"
