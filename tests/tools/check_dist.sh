#!/usr/bin/env bash
# The release archive holds one directory with the door, the sample door.cfg
# and the guide; the door is stripped, needs no mbedTLS library at run time,
# and runs; the sample names every key the door reads.
set -euo pipefail
archive=$1 top=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "check_dist: $*" >&2; exit 1; }
name=$(basename "$archive" -linux-x86_64.tar.gz)
listed=$(tar -tzf "$archive" | sort | tr '\n' ' ')
[ "$listed" = "$name/ $name/README.md $name/door.cfg.sample $name/wordwhirl " ] || fail "contents: $listed"
dir=$(mktemp -d); trap 'rm -rf "$dir"' EXIT
tar -xzf "$archive" -C "$dir"
door=$dir/$name/wordwhirl
readelf -S "$door" | grep -q '\.symtab' && fail "not stripped"
readelf -d "$door" | grep NEEDED | grep -qi mbed && fail "needs a shared mbedTLS"
"$door" --help | grep -q -- '--no-telnet' || fail "--help"
for key in $(grep -o '{"[a-z]*", store' "$top/src/host/config.cpp" | cut -d'"' -f2); do
  grep -q "^#$key=" "$dir/$name/door.cfg.sample" || fail "door.cfg.sample lacks $key"
done
grep -q '^## Recipes, host by host' "$dir/$name/README.md" || fail "README is not the guide"
echo "check_dist: $archive ok"
