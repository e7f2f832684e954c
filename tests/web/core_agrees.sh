#!/usr/bin/env bash
# Usage: core_agrees.sh PYTHON CROSSCHECK_PY DIPVIEW_CALC NODE DIPVIEW_CORE_JS
# The cross-check's settings and as many again at random: texts and full
# values of the WebAssembly core against the desktop's.
set -euo pipefail
python=$1 crosscheck=$2 calc=$3 node=$4 core=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The cross-check's own report is long; it is shown when it fails.
if ! "$python" "$crosscheck" --calc "$calc" --states 23000 --new-states 1 --save-input "$work/states.csv" >"$work/crosscheck.log" 2>&1; then
  echo "core_agrees: the cross-check of dipview-calc failed before the core ran:" >&2
  cat "$work/crosscheck.log" >&2
  exit 1
fi
"$calc" --batch <"$work/states.csv" >"$work/desktop.csv"
"$calc" --batch --values full <"$work/states.csv" >"$work/full.csv"
"$node" --no-experimental-fetch "$(dirname "${BASH_SOURCE[0]}")/compare_core.cjs" "$core" \
  "$work/desktop.csv" "$work/full.csv"
