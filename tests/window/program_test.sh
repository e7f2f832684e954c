#!/usr/bin/env bash
# The window program from a shell: answers without a window, fails cleanly
# without a display. Usage: program_test.sh DIPVIEW VERSION CASE
set -u
dipview=$1 version=$2
out=$(mktemp)
trap 'rm -f "$out"' EXIT
check() {  # check STATUS EXPECTED-FIRST-LINE STREAM-FILE
  [ "$status" -eq "$1" ] || { echo "FAIL: status $status, not $1"; exit 1; }
  [ "$(head -n 1 "$3")" = "$2" ] || { echo "FAIL: got '$(head -n 1 "$3")', not '$2'"; exit 1; }
}
case $3 in
help-without-display)
  env -u DISPLAY -u WAYLAND_DISPLAY "$dipview" --help >"$out" 2>&1
  status=$?
  check 0 "Usage: dipview [OPTION]..." "$out"
  ;;
version-without-display)
  env -u DISPLAY -u WAYLAND_DISPLAY "$dipview" --version >"$out" 2>&1
  status=$?
  check 0 "dipview (DIPVIEW) $version" "$out"
  ;;
no-display-is-no-abort)
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$dipview" 2>"$out"
  status=$?
  check 1 "dipview: cannot open a display (neither DISPLAY nor WAYLAND_DISPLAY is set)" "$out"
  QT_QPA_PLATFORM=nowhere "$dipview" 2>"$out"
  status=$?
  check 1 'dipview: cannot open a display (Could not find the Qt platform plugin "nowhere" in "")' "$out"
  [ "$(wc -l <"$out")" -eq 1 ] || { echo "FAIL: more than one line"; exit 1; }
  ;;
bad-zoom-is-a-usage-error)
  for bad in 30 401 150% nan "" -100; do
    env -u DISPLAY -u WAYLAND_DISPLAY "$dipview" --zoom "$bad" 2>"$out"
    status=$?
    check 2 "dipview: --zoom takes a percentage from 50 to 400, not '$bad'" "$out"
  done
  env -u DISPLAY -u WAYLAND_DISPLAY "$dipview" --zoom=7 2>"$out"
  status=$?
  check 2 "dipview: --zoom takes a percentage from 50 to 400, not '7'" "$out"
  env -u DISPLAY -u WAYLAND_DISPLAY "$dipview" --fullscreen --zoom 2>"$out"
  status=$?
  check 2 "dipview: --zoom needs a percentage" "$out"
  ;;
good-zoom-needs-a-display)
  # A valid zoom and full screen pass the command line and reach the display check.
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$dipview" --zoom 150 --fullscreen --labels 2>"$out"
  status=$?
  check 1 "dipview: cannot open a display (neither DISPLAY nor WAYLAND_DISPLAY is set)" "$out"
  env -u DISPLAY -u WAYLAND_DISPLAY "$dipview" --zoom=62.5 --help >"$out" 2>&1
  status=$?
  check 0 "Usage: dipview [OPTION]..." "$out"
  ;;
quiet-with-any-runtime-folder)
  # The window starts without a word on standard error whatever folder for
  # Qt's runtime files it inherits. The backing store's debug line comes as the
  # window is shown, after all that Qt says while starting.
  work=$(mktemp -d)
  trap 'rm -rf "$out" "$work"' EXIT
  mkdir -m 755 "$work/open"
  for dir in unset "" "$work/open" "$work/none" relative; do
    if [ "$dir" = unset ]; then runtime=(-u XDG_RUNTIME_DIR); else runtime=("XDG_RUNTIME_DIR=$dir"); fi
    env "${runtime[@]}" QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="qt.qpa.backingstore=true" \
      QT_MESSAGE_PATTERN="%{category}: %{message}" "$dipview" 2>"$out" &
    pid=$!
    for _ in $(seq 200); do
      grep -q "^qt.qpa.backingstore: " "$out" && break
      sleep 0.05
    done
    kill "$pid"
    wait "$pid" 2>/dev/null
    if grep -v "^qt.qpa.backingstore: " "$out" | grep -q .; then
      echo "FAIL: with XDG_RUNTIME_DIR '$dir': $(cat "$out")"
      exit 1
    fi
  done
  ;;
settings-and-unknown-options)
  # Settings are read as dipview-calc reads them, before any display is needed.
  env -u DISPLAY -u WAYLAND_DISPLAY "$dipview" --fault three --z12-angle 95 2>"$out"
  status=$?
  check 2 "dipview: --z12-angle: '95' is out of range; allowed: a number of degrees from 0 to 90" "$out"
  env -u DISPLAY -u WAYLAND_DISPLAY "$dipview" --proximity 101 2>"$out"
  status=$?
  check 2 "dipview: --proximity: '101' is out of range; allowed: a whole number from 0 to 100" "$out"
  env -u DISPLAY -u WAYLAND_DISPLAY "$dipview" --fault two-phase-ground --z0-ratio 1.25 2>"$out"
  status=$?
  check 2 "dipview: the window offers the Z0/Z12 ratios 3.0, 2.5, 2.0, 1.5, 1.0 and 0.5; it cannot show --z0-ratio 1.25" "$out"
  env -u DISPLAY -u WAYLAND_DISPLAY "$dipview" --preset none 2>"$out"
  status=$?
  check 2 "dipview: --preset: 'none' is not a preset; allowed: bolted-single, two-dy-down, phase-phase-yy, two-phase-ground, resistive, list" "$out"
  env -u DISPLAY -u WAYLAND_DISPLAY "$dipview" --preset list >"$out"
  status=$?
  check 0 "  bolted-single     phase A to ground at Substation HV, no ZF: type B there" "$out"
  # Settings only the all-faults form shows open it, and the window's own
  # switches are taken: the window runs until it is ended.
  while read -r -a args; do
    QT_QPA_PLATFORM=offscreen timeout 4 "$dipview" "${args[@]}" 2>"$out"
    status=$?
    check 124 "" "$out"
  done <<'ROWS'
--fault two-phase-ground --phases ab --transformers DD,DY,YY
--preset two-phase-ground
--labels
--all-faults
ROWS
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$dipview" --fault=three --proximity 20 2>"$out"
  status=$?
  check 1 "dipview: cannot open a display (neither DISPLAY nor WAYLAND_DISPLAY is set)" "$out"
  # What Qt does not take is refused, not ignored.
  for row in "--bogus|unknown option '--bogus'" "stray|unexpected argument 'stray'"; do
    QT_QPA_PLATFORM=offscreen timeout 20 "$dipview" -platform offscreen "${row%%|*}" 2>"$out"
    status=$?
    check 2 "dipview: ${row#*|}" "$out"
  done
  ;;
full-output-is-an-error)
  # A device that is always full, made here: mknod needs root.
  full=$(mktemp -d)
  trap 'rm -rf "$out" "$full"' EXIT
  mknod "$full/full" c 1 7 2>/dev/null || { echo "SKIP: mknod needs root"; exit 77; }
  "$dipview" --version >"$full/full" 2>"$out"
  status=$?
  check 1 "dipview: cannot write output: No space left on device" "$out"
  ;;
esac
