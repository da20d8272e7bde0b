#!/usr/bin/env bash
# Every table of the shared corpus as typed JSON lines from talvo-dbf loads with jq and with
# Python's json module, as scripts would read it. Arguments: talvo-dbf, the corpus folder.
set -euo pipefail
tool=$1
corpus=$2
if [ ! -d "$corpus" ]; then
    echo "no shared corpus at $corpus: skipped"
    exit 77
fi
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
checked=0
refused=0
while IFS= read -r -d '' table; do
    if ! "$tool" show "$table" --format json --deleted >"$out" 2>"$err"; then
        # Compressed tables (DATASUS .dbc) are refused on purpose, with their own number.
        grep -q 'komprimierte Tabelle' "$err" || { echo "talvo-dbf failed: $table"; exit 1; }
        refused=$((refused + 1))
        continue
    fi
    jq -c . "$out" >/dev/null || { echo "jq cannot load: $table"; exit 1; }
    /usr/bin/python3 -c 'import json,sys; [json.loads(l) for l in sys.stdin]' <"$out" \
        || { echo "python cannot load: $table"; exit 1; }
    checked=$((checked + 1))
done < <(find "$corpus" -path "$corpus/golden" -prune -o -type f \( -iname '*.dbf' -o -iname '*.dbc' \) -print0)
echo "$checked tables load as JSON, $refused compressed ones refused"
