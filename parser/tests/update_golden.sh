#!/usr/bin/env bash
# Writes the expected output of every golden C file again: run after a deliberate change of the
# intermediate code, then read the difference before committing it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
parser="${1:-$root/build/bin/ormparse}"
cd "$here/golden"
for c in *.c; do
    name="${c%.c}"
    args=""
    [ -f "$name.args" ] && args="$(cat "$name.args")"
    set +e
    # shellcheck disable=SC2086
    "$parser" "--edf=$root/dat/en_msgs.txt" $args "$c" > "$name.ic" 2> "$name.err"
    status=$?
    set -e
    echo "status $status" >> "$name.err"
done
