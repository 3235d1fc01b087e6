#!/usr/bin/env bash
# Play the door on this terminal against a local game service: start
# wordwhirl-house on a free port, set up a play directory (a copy of the door,
# its door.cfg and a local-mode DOOR32.SYS), run the door here, and stop the
# service when the door ends, however it ends.
#
# Paths can be moved for tests: WW_DOOR, WW_HOUSE, WW_TALES, WW_PLAY_DIR.
# WW_CHARSET (cp437 or utf8) overrides the guess from the locale.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/tools/house_common.sh"

door_bin=${WW_DOOR:-$top/build/wordwhirl}
play=${WW_PLAY_DIR:-$top/build/play}
[ -x "$door_bin" ] || { echo "play: no door at $door_bin (./run build)" >&2; exit 1; }

mkdir -p "$play"
trap house_stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
house_start "$play"

# The door keeps its files beside its executable: give it a copy of its own.
cp -f "$door_bin" "$play/wordwhirl"
write_door_cfg "$play/door.cfg" "$HOUSE_PORT" "$(local_charset)"
alias=${WW_ALIAS:-${USER:-Player}}
printf '%s\r\n' 0 0 0 "Wordwhirl play" 1 "$alias" "$alias" 100 60 1 1 > "$play/DOOR32.SYS"

set +e
"$play/wordwhirl" "$play/DOOR32.SYS"
code=$?
set -e
exit $code
