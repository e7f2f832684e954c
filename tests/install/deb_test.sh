#!/usr/bin/env bash
# The Debian package CPack makes of the build: its name, version, section and
# dependencies, exactly the installed files under /usr with the right modes,
# stripped programs, and a dipview-calc that runs from an unpacked copy.
#
# Usage: deb_test.sh BUILD_DIR CPACK APP_ID VERSION WINDOW(0|1)
# Exits 77 (skipped) only when a tool is not installed.
set -euo pipefail

build=$1 cpack=$2 id=$3 version=$4 window=$5

source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
need dpkg-deb dpkg
need dpkg-shlibdeps dpkg-dev
need file file
need lintian lintian

# -B keeps CPack's staging and the package out of the build directory.
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack -G DEB failed" >&2
  exit 1
fi

arch=$(dpkg --print-architecture)
deb=$work/out/dipview_${version}_$arch.deb
if [ ! -f "$deb" ]; then
  echo "FAIL: no $(basename "$deb"); CPack wrote:" >&2
  ls "$work/out" >&2
  exit 1
fi

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = dipview ] || fail "Package is '$(field Package)', not dipview"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)', not $arch"
[ "$(field Section)" = science ] || fail "Section is '$(field Section)', not science"
[[ $(field Maintainer) == *'<'*'@'*'>' ]] || fail "Maintainer '$(field Maintainer)' has no address"
[ -n "$(field Description)" ] || fail "the package has no description"

# Depends: the C++ runtime found by dpkg-shlibdeps, and with the window the Qt
# libraries it links and the SVG plugin that draws its icon.
depends=$(field Depends)
wanted_depends=(libc6 libstdc++6)
if [ "$window" = 1 ]; then
  wanted_depends+=(libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6)
fi
for package in "${wanted_depends[@]}"; do
  [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] ||
    fail "Depends lacks $package: $depends"
done

# Contents: exactly these files, owned by root, programs 0755 and data 0644.
expected=(./usr/bin/dipview-calc ./usr/share/man/man1/dipview-calc.1.gz
  ./usr/share/doc/dipview/copyright ./usr/share/doc/dipview/changelog.gz)
if [ "$window" = 1 ]; then
  expected+=(./usr/bin/dipview ./usr/share/man/man1/dipview.1.gz
    "./usr/share/applications/$id.desktop"
    "./usr/share/icons/hicolor/scalable/apps/$id.svg"
    "./usr/share/metainfo/$id.metainfo.xml")
fi
listing=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | LC_ALL=C sort)
wanted=$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)
if [ "$files" != "$wanted" ]; then
  fail "the package's files differ from the expected set:"
  diff <(echo "$wanted") <(echo "$files") >&2 || true
fi
while read -r mode owner _ _ _ path; do
  [ "$owner" = root/root ] || fail "$path is owned by $owner, not root/root"
  case $mode in
    d*) want=drwxr-xr-x ;;
    *) [[ $path == ./usr/bin/* ]] && want=-rwxr-xr-x || want=-rw-r--r-- ;;
  esac
  [ "$mode" = "$want" ] || fail "$path has mode $mode, not $want"
done <<<"$listing"

# Unpacked into a staging prefix, the programs are stripped and the calculator runs.
stage=$work/stage
dpkg-deb -x "$deb" "$stage"
for program in "$stage"/usr/bin/*; do
  file -b "$program" | grep -q ', stripped' || fail "$(basename "$program") is not stripped"
done
got=$("$stage/usr/bin/dipview-calc" --version | head -n 1)
[ "$got" = "dipview-calc (DIPVIEW) $version" ] ||
  fail "the packaged dipview-calc --version printed '$got'"
"$stage/usr/bin/dipview-calc" --fault three --format csv >"$work/three.csv" ||
  fail "the packaged dipview-calc cannot compute a three-phase fault"
[ "$(wc -l <"$work/three.csv")" -eq 2 ] || fail "the packaged dipview-calc wrote no CSV row"

# The maintainer's address is there for the package format only: the project
# has no public address, so no program, man page or document offers it (the
# Debian changelog's signature line aside, which the format wants too).
address=$(field Maintainer | sed -n 's/.*<\(.*\)>.*/\1/p')
while IFS= read -r -d '' file; do
  case $file in
    */usr/share/doc/dipview/changelog.gz) continue ;;
    *.gz) content() { gzip -dc "$file"; } ;;
    *) content() { cat "$file"; } ;;
  esac
  # A count reads the whole file: grep -q would end the pipe early.
  count=$(content | grep -caF -- "$address" || true)
  [ "$count" = 0 ] || fail "${file#"$stage"} names the maintainer's address $address"
done < <(find "$stage" -type f -print0)

# Debian's own checker finds no error, and nothing in the man pages (its other
# warnings are information).
report=$(lintian --allow-root --no-tag-display-limit "$deb" 2>&1 || true)
errors=$(grep '^E: ' <<<"$report" || true)
[ -z "$errors" ] || fail "lintian reports errors:"$'\n'"$errors"
manual=$(grep -E 'manpage|groff|usr/share/man/' <<<"$report" || true)
[ -z "$manual" ] || fail "lintian reports on the man pages:"$'\n'"$manual"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package OK: $(basename "$deb"), Depends: $depends"
