# Shared by tools/play.sh and tools/bbs.sh: run wordwhirl-house in the
# background on a free local TLS port (the door's default path), with a
# certificate made once for this machine; pick the charset for this machine's
# terminals and write the door's door.cfg. Sourced, not run; needs $top.

house_bin=${WW_HOUSE:-$top/build/wordwhirl-house}
tales=${WW_TALES:-$top/service/tales.json}
cert_dir=${WW_CERT_DIR:-$top/build/house-tls}
HOUSE_PID=
HOUSE_PORT=

# A self-signed certificate for the house, made once: P-256 (quick
# handshakes), named for localhost and 127.0.0.1 so the door's host check
# passes, valid ten years. The door trusts it through door.cfg's cafile.
house_cert() {
  [ -s "$cert_dir/cert.pem" ] && [ -s "$cert_dir/key.pem" ] && return 0
  local tmp
  mkdir -p "$(dirname "$cert_dir")"
  tmp=$(mktemp -d "$cert_dir.XXXXXX")
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3650 \
    -subj "/CN=localhost" -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
    -keyout "$tmp/key.pem" -out "$tmp/cert.pem" 2>/dev/null \
    || { rm -rf "$tmp"; echo "play: could not make the house's certificate with openssl" >&2; exit 1; }
  chmod 600 "$tmp/key.pem"
  # Made aside and renamed whole: when two tools start at once, one pair wins
  # and nobody reads a certificate with the other's key.
  mv -T "$tmp" "$cert_dir" 2>/dev/null || rm -rf "$tmp"
}

# Start the service, TLS only, with its log in $1/house.log; wait for its
# "tls on ADDR:PORT" line and set HOUSE_PID and HOUSE_PORT.
house_start() {
  local dir=$1 log line i
  [ -x "$house_bin" ] || { echo "play: the local game service is not built ($house_bin)" >&2; exit 1; }
  house_cert
  log="$dir/house.log"
  : > "$log"
  "$house_bin" --port off --tls-port 0 --cert "$cert_dir/cert.pem" --key "$cert_dir/key.pem" \
    --listen 127.0.0.1 --tales "$tales" >"$log" 2>&1 &
  HOUSE_PID=$!
  echo "$HOUSE_PID" > "$dir/house.pid"
  for ((i = 0; i < 100; i++)); do
    line=$(grep -m1 '^tls on ' "$log" || true)
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

# door.cfg for a TLS connection to the local service, trusting its certificate.
write_door_cfg() {
  local file=$1 port=$2 charset=$3
  cat > "$file" <<CFG
# Written by ./run play / ./run bbs for the local game service.
host=localhost
port=$port
tls=1
cafile=$cert_dir/cert.pem
charset=$charset
bbsname=Wordwhirl House
CFG
}
