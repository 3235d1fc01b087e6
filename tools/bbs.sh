#!/usr/bin/env bash
# A small BBS on this machine for trying the door with real telnet clients:
# the local game service in the background, one board directory (a copy of
# the door and its door.cfg) and tools/bbs.py answering telnet callers on
# port $1 (2323 by default), one node each. Ctrl-C tells every caller the
# board is closing, then stops it all.
#
# usage: bbs.sh [--listen ADDR] [port]; ADDR is 127.0.0.1 unless given
# (0.0.0.0 lets friends on the LAN call in; the game service stays local).
#
# The callers' charset follows this machine's locale (they are expected to be
# telnet clients in terminals here); WW_CHARSET=cp437 suits a BBS terminal
# such as SyncTERM. Paths can be moved: WW_DOOR, WW_HOUSE, WW_TALES, WW_BBS_DIR.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/tools/house_common.sh"

door_bin=${WW_DOOR:-$top/build/wordwhirl}
board=${WW_BBS_DIR:-$top/build/bbs}
listen=127.0.0.1
if [ "${1:-}" = --listen ]; then
  [ -n "${2:-}" ] || { echo "usage: bbs.sh [--listen ADDR] [port]" >&2; exit 2; }
  listen=$2
  shift 2
fi
port=${1:-2323}
[ -x "$door_bin" ] || { echo "bbs: no door at $door_bin (./run build)" >&2; exit 1; }

bbs_pid=
# The BBS hangs up its callers and ends their doors before the service goes.
stop_all() {
  if [ -n "$bbs_pid" ]; then
    kill -TERM "$bbs_pid" 2>/dev/null || true
    wait "$bbs_pid" 2>/dev/null || true
  fi
  house_stop
}

mkdir -p "$board"
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
house_start "$board"

cp -f "$door_bin" "$board/wordwhirl"
write_door_cfg "$board/door.cfg" "$HOUSE_PORT" "$(local_charset)"
echo "Game service on 127.0.0.1:$HOUSE_PORT over TLS (log: $board/house.log)"
# In the background so a signal to this script is handled at once (a
# foreground child would hold the traps back until it ended).
python3 "$top/tools/bbs.py" --board "$board" --port "$port" --listen "$listen" &
bbs_pid=$!
set +e
wait "$bbs_pid"
code=$?
bbs_pid=
exit $code
