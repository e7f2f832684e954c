#!/usr/bin/env bash
# How dipview-calc writes pictures and plots: never half a file, never over
# something that is not a file. Usage: file_safety_test.sh DIPVIEW_CALC CASE
# Each CASE is one CTest entry named for the fault it guards against.
set -u
calc=$1
work=$(mktemp -d)
cleanup() {
  mountpoint -q "$work/disk" 2>/dev/null && umount "$work/disk"
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# run ARGS...: the program's status in $status, its output in out, its messages in err.
run() {
  "$calc" "$@" >out 2>err
  status=$?
}
expect() {  # expect STATUS MESSAGE-FRAGMENT
  [ "$status" -eq "$1" ] || fail "status $status, not $1: $(cat err)"
  if [ -n "$2" ]; then
    grep -qF -- "$2" err || fail "no '$2' in: $(cat err)"
    [ "$(wc -l <err)" -eq 1 ] || fail "more than one line of messages: $(cat err)"
  else
    [ ! -s err ] || fail "messages on success: $(cat err)"
  fi
}
png_size() { file -b "$1" | grep -o '[0-9]* x [0-9]*'; }
no_leftovers() {
  local left
  left=$(find "$1" -name '.*.tmp*')
  [ -z "$left" ] || fail "temporary files left: $left"
}
sweep=(--sweep proximity=0:100:1)

case $2 in
full-disk-keeps-old-file)
  # A real full disk where a tmpfs can be mounted (root), else a file size limit.
  mkdir disk
  if mount -t tmpfs -o size=60k tmpfs disk 2>/dev/null; then
    reason="No space left on device"
  else
    reason="File too large"
    ulimit -f 40
    trap '' XFSZ
  fi
  for target in plot.svg plot.png pic.png; do
    echo old >"disk/$target"
    if [ "$target" = pic.png ]; then
      run --scale 4 --png "disk/$target"
    else
      run "${sweep[@]}" --plot "disk/$target"
    fi
    expect 1 "cannot write 'disk/$target': $reason"
    [ "$(cat "disk/$target")" = old ] || fail "$target: the old file was changed"
  done
  no_leftovers disk
  ;;
fifo-written-not-replaced)
  mkfifo pipe
  ln -s pipe link
  for name in pipe link; do
    cat pipe >got &
    run --png "$name"
    wait
    expect 0 ""
    [ -p pipe ] || fail "$name: the FIFO was replaced"
    [ "$(png_size got)" = "784 x 584" ] || fail "$name: no picture came through: $(file -b got)"
  done
  [ -L link ] || fail "the link was replaced"
  ;;
device-written-not-replaced)
  if ! mknod null c 1 3 2>/dev/null; then
    echo "SKIP: mknod needs root"
    exit 77
  fi
  ln -s null link
  ln -s null link.svg
  for name in null link; do
    run --png "$name"
    expect 0 ""
  done
  run "${sweep[@]}" --plot link.svg
  expect 0 ""
  [ -c null ] || fail "the device node was replaced"
  [ -L link.svg ] || fail "the link was replaced"
  [ -L link ] || fail "the link was replaced"
  ;;
special-files-refused)
  mkdir folder
  ln -s missing dangling
  for row in "folder|Is a directory" "folder/|Is a directory" \
    "dangling|symbolic link to a file that does not exist" \
    "nofolder/a.png|No such file or directory"; do
    run --png "${row%%|*}"
    expect 1 "${row#*|}"
  done
  [ -L dangling ] && [ ! -e missing ] || fail "the dangling link was followed"
  if python3 -c 'import socket,sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' sock; then
    run --png sock
    expect 1 "neither a regular file nor a FIFO nor a character device"
  fi
  no_leftovers .
  ;;
regular-file-replaced-whole)
  echo old >target.png
  chmod 640 target.png
  ln -s target.png link.png
  run --png link.png
  expect 0 ""
  [ -L link.png ] || fail "the link was replaced by a file"
  [ "$(png_size target.png)" = "784 x 584" ] || fail "the link's target was not written"
  [ "$(stat -c %a target.png)" = 640 ] || fail "permissions not kept: $(stat -c %a target.png)"
  run "${sweep[@]}" --plot -
  expect 0 ""
  [ "$(png_size out)" = "1600 x 500" ] || fail "--plot - wrote no PNG to standard output"
  run --png -
  [ "$(png_size out)" = "784 x 584" ] || fail "--png - wrote no PNG to standard output"
  run --duration 0.1 --plot link.png
  expect 0 ""
  [ -L link.png ] || fail "the link was replaced by a file by the sag in time"
  [ "$(png_size target.png)" = "1600 x 1100" ] || fail "the sag in time was not written"
  run --inception 90 --plot -
  [ "$(png_size out)" = "1600 x 1100" ] || fail "the sag in time wrote no PNG to standard output"
  no_leftovers .
  ;;
names-kept-byte-for-byte)
  name=$'pic\xff.png'
  run --png "$name"
  expect 0 ""
  [ -f "$name" ] || fail "the name was rewritten: $(ls)"
  run --png $'nofolder\x1b[2J/a.png'
  expect 1 "cannot write 'nofolder\\x1b[2J/a.png'"
  ;;
picture-size-ignores-environment)
  QT_SCREEN_SCALE_FACTORS=2 QT_FONT_DPI=192 QT_SCALE_FACTOR=3 QT_ENABLE_HIGHDPI_SCALING=1 \
    QT_STYLE_OVERRIDE=windows "$calc" --png env.png 2>err
  status=$?
  expect 0 ""
  [ "$(png_size env.png)" = "784 x 584" ] || fail "size $(png_size env.png)"
  run --png plain.png
  expect 0 ""
  cmp -s env.png plain.png || fail "the environment changed the picture"
  ;;
quiet-with-any-runtime-folder)
  mkdir open
  chmod 755 open
  for dir in "" "$work/open" "$work/none" relative; do
    XDG_RUNTIME_DIR=$dir "$calc" --png a.png 2>err
    status=$?
    expect 0 ""
    XDG_RUNTIME_DIR=$dir "$calc" "${sweep[@]}" --plot a.svg 2>err
    status=$?
    expect 0 ""
  done
  ;;
redirected-output-written-into)
  # /dev/stdout names whatever standard output was redirected to.
  printf 'line 1\nline 2\n' >log.txt
  "$calc" --png /dev/stdout >>log.txt 2>err
  status=$?
  expect 0 ""
  [ "$(head -n 2 log.txt)" = "$(printf 'line 1\nline 2')" ] || fail "the log's lines were lost"
  [ "$(tail -c +15 log.txt | file -b - | grep -o '[0-9]* x [0-9]*')" = "784 x 584" ] ||
    fail "no picture after the log's lines"
  { echo before; "$calc" --svg /dev/stdout; echo after; } >f 2>err
  status=$?
  expect 0 ""
  [ "$(head -n 1 f)" = before ] && [ "$(tail -n 1 f)" = after ] && grep -q '<svg' f ||
    fail "the file was replaced: $(head -c 80 f)"
  ;;
permissions-as-a-user)
  # Root ignores modes, so the program runs as an ordinary user.
  as_user=()
  if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || { echo "SKIP: no setpriv"; exit 77; }
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    chown 65534:65534 .
    chmod 755 . "$(dirname "$calc")"
  fi
  user_run() { "${as_user[@]}" "$calc" "$@" >out 2>err; status=$?; }
  echo old >keep.png
  chmod 444 keep.png
  [ "$(id -u)" -eq 0 ] && chown 65534:65534 keep.png
  user_run --png keep.png
  expect 1 "cannot write 'keep.png': it is write-protected (Permission denied)"
  [ "$(cat keep.png)" = old ] || fail "the write-protected file was replaced"
  mkdir shut
  echo old >shut/pic.png
  chmod 666 shut/pic.png
  chmod 555 shut
  [ "$(id -u)" -eq 0 ] && chown 65534:65534 shut
  user_run --png shut/pic.png
  expect 1 "cannot write 'shut/pic.png': the folder 'shut' does not allow new files in it (Permission denied)"
  [ "$(cat shut/pic.png)" = old ] || fail "the file in the closed folder was changed"
  chmod 755 shut
  echo old >mine.png
  chmod 604 mine.png
  [ "$(id -u)" -eq 0 ] && chown 65534:65534 mine.png
  user_run --png mine.png
  expect 0 ""
  [ "$(stat -c '%a %u %g' mine.png)" = "604 $(stat -c '%u %g' .)" ] ||
    fail "owner, group or mode not kept: $(stat -c '%a %u %g' mine.png)"
  if [ "$(id -u)" -eq 0 ]; then
    # A group the user is not in cannot be kept, so the file is not replaced.
    echo old >shared.png
    chown 65534:0 shared.png
    chmod 664 shared.png
    user_run --png shared.png
    expect 1 "cannot write 'shared.png': replacing it would change its owner or group (Operation not permitted)"
    [ "$(cat shared.png)" = old ] && [ "$(stat -c %g shared.png)" = 0 ] || fail "shared.png changed"
  fi
  no_leftovers .
  ;;
unusual-outputs-explained)
  "$calc" --png - >&- 2>err
  status=$?
  expect 1 "cannot write output: standard output is closed"
  run --png new.png/
  expect 1 "cannot write 'new.png/': a name ending in / names a folder; allowed: a file name"
  mkfifo pipe
  head -c 1 pipe >/dev/null &
  run --scale 4 --png pipe
  wait
  expect 1 "cannot write 'pipe': its reader went away (Broken pipe)"
  ;;
memory-limits-end-in-a-message)
  # However little memory there is, the run ends: with the picture, with
  # "out of memory", or with the loader's own refusal before the program starts.
  for limit in 70000 85000 100000 130000 200000; do
    (ulimit -v $limit && exec timeout 60 "$calc" --png limited.png) >out 2>err
    status=$?
    case $status in
      0 | 127) ;;
      1) grep -qxF "dipview-calc: out of memory" err || fail "limit $limit: $(head -c 300 err)" ;;
      *) fail "limit $limit: status $status: $(head -c 300 err)" ;;
    esac
  done
  (ulimit -v 600000 && exec timeout 120 "$calc" --sweep z12-angle=0:90:0.001 --jobs 32) >out 2>err
  status=$?
  expect 0 ""
  [ "$(wc -l <out)" -eq 90002 ] || fail "$(wc -l <out) lines, not 90002"
  ;;
*)
  echo "unknown case $2" >&2
  exit 2
  ;;
esac
exit $((failures > 0))
