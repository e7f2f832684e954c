#!/usr/bin/env bash
# Usage: core_agrees.sh PYTHON CROSSCHECK_PY DIPVIEW_CALC NODE DIPVIEW_CORE_JS
# The cross-check's settings and as many again at random: texts and full
# values of the WebAssembly core against the desktop's.
set -euo pipefail
python=$1 crosscheck=$2 calc=$3 node=$4 core=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$python" "$crosscheck" --calc "$calc" --states 23000 --new-states 1 --save-input "$work/states.csv" >/dev/null
"$calc" --batch <"$work/states.csv" >"$work/desktop.csv"
"$calc" --batch --values full <"$work/states.csv" >"$work/full.csv"
"$node" --no-experimental-fetch "$(dirname "${BASH_SOURCE[0]}")/compare_core.cjs" "$core" \
  "$work/desktop.csv" "$work/full.csv"
