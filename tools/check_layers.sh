#!/usr/bin/env bash
# Fails when a file under src/ includes a header from a layer above its own.
# The layers, lowest first; a layer may include its own headers and those of
# any layer listed before it.
set -u
layers=(platform host net terminal state screens session door)
rank() { local i; for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done; echo -1; }
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
bad=0
while IFS= read -r file; do
  rel=${file#"$root"/src/}
  own=$(rank "${rel%%/*}")
  if [ "$own" -lt 0 ]; then echo "$rel: not in any layer"; bad=1; continue; fi
  while IFS= read -r inc; do
    theirs=$(rank "${inc%%/*}")
    if [ "$theirs" -lt 0 ]; then echo "$rel: includes \"$inc\", which is in no layer"; bad=1
    elif [ "$theirs" -gt "$own" ]; then echo "$rel: includes \"$inc\" from a higher layer"; bad=1; fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$root/src" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
[ $bad -eq 0 ] && echo "layers: no upward include in src/"
exit $bad
