#!/usr/bin/env bash
# Usage: agrees.sh PYTHON CROSSCHECK_PY DIPVIEW_CALC DIPVIEW_CALC_EXE
# dipview-calc.exe under wine against the desktop's dipview-calc on the
# cross-check's settings and the calculator's own (faulted phases,
# two-phase-to-ground, DD): texts as shown, full values, sag classes and
# line-to-line voltages must be the same bytes.
set -euo pipefail
python=$1 crosscheck=$2 calc=$3 exe=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX="$work/wine" WINEDEBUG=-all
"$python" "$crosscheck" --calc "$calc" --save-input "$work/window.csv" >/dev/null
"$python" - "$crosscheck" "$work/own.csv" <<'PY'
import importlib.util, sys
found = importlib.util.spec_from_file_location("crosscheck", sys.argv[1])
crosscheck = importlib.util.module_from_spec(found)
found.loader.exec_module(crosscheck)
states = crosscheck.generate_new_states(1500, 20240601)
columns = crosscheck.SETTING_COLUMNS + ("phases",)
with open(sys.argv[2], "w") as f:
    f.write(",".join(columns) + "\n" + "".join(",".join(s) + "\n" for s in states))
PY
status=0
for input in window own; do
  for options in "" "--values full --classify --line-to-line"; do
    # shellcheck disable=SC2086
    "$calc" --batch $options <"$work/$input.csv" >"$work/desktop.csv"
    # shellcheck disable=SC2086
    wine "$exe" --batch $options <"$work/$input.csv" >"$work/windows.csv"
    rows=$(($(wc -l <"$work/desktop.csv") - 1))
    if cmp -s "$work/desktop.csv" "$work/windows.csv"; then
      echo "windows: $input settings ${options:-(shown)}: $rows rows, the same bytes"
    else
      echo "windows: $input settings ${options:-(shown)}: the outputs differ"
      diff "$work/desktop.csv" "$work/windows.csv" | head -5
      status=1
    fi
  done
done
exit "$status"
