#!/usr/bin/env bash
# `cmake --install` of the build into a fresh prefix: exactly the programs,
# the man page and, with the window, the launcher, the icon and the AppStream
# metadata, each valid, where a desktop looks for it, and agreeing with the
# others on the name, the desktop id and the version.
#
# Usage: install_tree_test.sh BUILD_DIR CMAKE APP_ID VERSION WINDOW(0|1) SOURCE_DIR
# Exits 77 (skipped) only when a checking tool is not installed.
set -euo pipefail

build=$1 cmake=$2 id=$3 version=$4 window=$5 source=$6

source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
need gzip gzip
need groff groff-base
if [ "$window" = 1 ]; then
  need desktop-file-validate desktop-file-utils
  need appstreamcli appstream
fi

root=$work/root
prefix=$root/usr

if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  echo "FAIL: cmake --install failed" >&2
  exit 1
fi

# Exactly these files, and nothing from the build (libraries, tests, headers).
expected=(bin/dipview-calc share/man/man1/dipview-calc.1.gz
  share/doc/dipview/copyright share/doc/dipview/changelog.gz)
if [ "$window" = 1 ]; then
  expected+=(bin/dipview share/man/man1/dipview.1.gz
    "share/applications/$id.desktop"
    "share/icons/hicolor/scalable/apps/$id.svg"
    "share/metainfo/$id.metainfo.xml")
fi
actual=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
wanted=$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)
if [ "$actual" != "$wanted" ]; then
  fail "installed files differ from the expected set:"
  diff <(echo "$wanted") <(echo "$actual") >&2 || true
fi

# The calculator runs from the prefix and names itself, its package and version.
calc=$prefix/bin/dipview-calc
if [ ! -x "$calc" ]; then
  fail "bin/dipview-calc is missing or not executable"
else
  got=$("$calc" --version | head -n 1)
  [ "$got" = "dipview-calc (DIPVIEW) $version" ] || fail "dipview-calc --version printed '$got'"
fi

# The man pages: compressed, a page of section 1 for this version, free of
# formatter warnings, and documenting every option --help lists.
pages=(dipview-calc)
[ "$window" = 1 ] && pages+=(dipview)
for program in "${pages[@]}"; do
  man=$prefix/share/man/man1/$program.1.gz
  [ -f "$man" ] || continue
  if ! gzip -t "$man"; then
    fail "the $program man page is not a valid gzip file"
    continue
  fi
  page=$(gzip -dc "$man")
  title=$(grep -m 1 '^\.TH' <<<"$page")
  upper=$(tr a-z A-Z <<<"$program")
  case $title in
    ".TH $upper \"1\" "*"\"DIPVIEW $version\""*) ;;
    *) fail "the $program man page has '$title', not a .TH line of section 1 for DIPVIEW $version" ;;
  esac
  for device in ps utf8; do
    warnings=$(groff -man -T"$device" -ww -z <<<"$page" 2>&1)
    [ -z "$warnings" ] || fail "groff -T$device warns about the $program man page:"$'\n'"$warnings"
  done
  # The sections of a Debian man page, in their order; the copyright comes
  # from --version.
  sections=$(sed -n 's/^\.SH //p' <<<"$page" | tr -d '"' | paste -sd '|')
  wanted_sections='NAME|SYNOPSIS|DESCRIPTION|OPTIONS|EXIT STATUS|FILES|EXAMPLES|COPYRIGHT|SEE ALSO'
  [ "$sections" = "$wanted_sections" ] ||
    fail "the $program man page has the sections '$sections', not '$wanted_sections'"
  # As a reader sees it: no line ends in a stray backslash, and each example
  # is a whole command on a line of its own.
  text=$(groff -man -Tutf8 -P-c -P-b -P-u <<<"$page" 2>/dev/null)
  ! grep -n '\\$' <<<"$text" >&2 || fail "the $program man page has lines ending in a backslash"
  examples=$(sed -n '/^EXAMPLES$/,/^[A-Z]/{/^ /p}' <<<"$text" | sed 's/^ *//')
  [ -n "$examples" ] || fail "the $program man page has no examples"
  ! grep -v "^\$ $program " <<<"$examples" | grep -v "^\$ .* | $program " >&2 ||
    fail "the $program man page has an example line that is no whole command"
  while read -r option; do
    grep -qF -- "${option//-/\\-}" <<<"$page" ||
      fail "the $program man page does not document $option, which --help lists"
  done < <("$prefix/bin/$program" --help | sed -n 's/^  \(--[a-z0-9-]*\).*/\1/p')
done

if [ "$window" = 1 ]; then
  [ -x "$prefix/bin/dipview" ] || fail "bin/dipview is missing or not executable"

  desktop=$prefix/share/applications/$id.desktop
  if [ -f "$desktop" ]; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $id.desktop"
    grep -qx 'Name=DIPVIEW' "$desktop" || fail "the launcher's Name is not DIPVIEW"
    grep -qx 'StartupWMClass=DIPVIEW' "$desktop" || fail "the launcher has no StartupWMClass"
    exec_line=$(sed -n 's/^Exec=//p' "$desktop")
    [ -x "$prefix/bin/${exec_line%% *}" ] || fail "the launcher runs '$exec_line', not an installed program"
    icon_name=$(sed -n 's/^Icon=//p' "$desktop")
    [ "$icon_name" = "$id" ] || fail "the launcher's icon is '$icon_name', not '$id'"
  fi

  icon=$prefix/share/icons/hicolor/scalable/apps/$id.svg
  if [ -f "$icon" ]; then
    cmp -s "$icon" "$source/data/dipview.svg" || fail "the installed icon is not data/dipview.svg"
  fi

  metainfo=$prefix/share/metainfo/$id.metainfo.xml
  if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate rejects the metainfo"
    # The metainfo, its launcher and its icon as the software centre sees them.
    appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree rejects the tree"
    grep -qF "<id>$id</id>" "$metainfo" || fail "the metainfo's id is not $id"
    grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
      fail "the metainfo does not launch $id.desktop"
    grep -qF "<release version=\"$version\"" "$metainfo" ||
      fail "the metainfo has no release $version"
    for binary in $(sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$metainfo"); do
      [ -x "$prefix/bin/$binary" ] || fail "the metainfo provides $binary, which is not installed"
    done
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "install tree OK: ${#expected[@]} files"
