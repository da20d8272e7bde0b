#!/usr/bin/env bash
# A filter, a sort, a find and a check of a generated station table through talvo-dbf: the
# whole-table work runs on two threads, so that a ThreadSanitizer build reports what they share
# unsafely.
# Arguments: talvo-dbf, talvo-gen-stations.
set -euo pipefail
tool=$1
generator=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$generator" --count 20000 --seed 7 "$work/stationen.dbf" >/dev/null

filtered=$("$tool" show "$work/stationen.dbf" --filter "[CALL] LIKE 'DL*'" --count)
echo "LIKE 'DL*': $filtered"
[ "$filtered" -gt 0 ]
"$tool" show "$work/stationen.dbf" --filter "[VORNAME] >= 'M'" --sort "VORNAME DESC" \
    --format csv --limit 5
"$tool" show "$work/stationen.dbf" --query "select * from stationen Order by CALL" \
    --find "[VORNAME] LIKE 'J*'" --format csv --limit 1
sorted=$("$tool" show "$work/stationen.dbf" --sort "UP_DATE DESC" --count)
[ "$sorted" -gt 0 ]
# check and info read the table in two halves at once; a healthy table ends in 0.
"$tool" check "$work/stationen.dbf" --format json >/dev/null
"$tool" info "$work/stationen.dbf" >/dev/null
# Whole-table output formats chunks of records on two threads.
for format in text csv json; do
    "$tool" show "$work/stationen.dbf" --format "$format" >/dev/null
done
echo ok
