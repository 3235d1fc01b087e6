# Shared by tools/play.sh and tools/bbs.sh: run wordwhirl-house in the
# background on a free local port, pick the charset for this machine's
# terminals and write the door's door.cfg. Sourced, not run; needs $top.

house_bin=${WW_HOUSE:-$top/build/wordwhirl-house}
tales=${WW_TALES:-$top/service/tales.json}
HOUSE_PID=
HOUSE_PORT=

# Start the service with its log in $1/house.log; wait for its
# "listening on ADDR:PORT" line and set HOUSE_PID and HOUSE_PORT.
house_start() {
  local dir=$1 log line i
  [ -x "$house_bin" ] || { echo "play: the local game service is not built ($house_bin)" >&2; exit 1; }
  log="$dir/house.log"
  : > "$log"
  # --open: the local board's id is whatever door.cfg says, registered or not.
  "$house_bin" --port 0 --listen 127.0.0.1 --open --tales "$tales" >"$log" 2>&1 &
  HOUSE_PID=$!
  echo "$HOUSE_PID" > "$dir/house.pid"
  for ((i = 0; i < 100; i++)); do
    line=$(grep -m1 '^listening on ' "$log" || true)
    if [ -n "$line" ]; then HOUSE_PORT=${line##*:}; return 0; fi
    kill -0 "$HOUSE_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "play: the local game service did not start; its log:" >&2
  cat "$log" >&2
  exit 1
}

# Stop the service (SIGTERM, then SIGKILL after 3 s) and reap it.
house_stop() {
  [ -n "$HOUSE_PID" ] || return 0
  local i
  kill -TERM "$HOUSE_PID" 2>/dev/null || true
  for ((i = 0; i < 30; i++)); do
    kill -0 "$HOUSE_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$HOUSE_PID" 2>/dev/null || true
  wait "$HOUSE_PID" 2>/dev/null || true
  HOUSE_PID=
}

# utf8 when this terminal's locale says UTF-8, else cp437; WW_CHARSET wins.
# The locale variables count too: a UTF-8 locale that is not installed makes
# `locale charmap` answer ASCII while the terminal still speaks UTF-8.
local_charset() {
  if [ -n "${WW_CHARSET:-}" ]; then echo "$WW_CHARSET"; return; fi
  local map named
  map=$(locale charmap 2>/dev/null || true)
  named=${LC_ALL:-${LC_CTYPE:-${LANG:-}}}
  case "$map $named" in
    *[Uu][Tt][Ff]-8* | *[Uu][Tt][Ff]8*) echo utf8 ;;
    *) echo cp437 ;;
  esac
}

# door.cfg for a plain connection to the local service.
write_door_cfg() {
  local file=$1 port=$2 charset=$3
  cat > "$file" <<CFG
# Written by ./run play / ./run bbs for the local game service.
host=127.0.0.1
port=$port
tls=0
charset=$charset
bbsname=Wordwhirl House
CFG
}
