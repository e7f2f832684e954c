# Shared by the install tests: sourced, not run. Sets up a scratch directory
# ($work, removed on exit) and the helpers below.

# need TOOL PACKAGE: skip the test (exit 77) when a checking tool is missing.
need() {
  if ! command -v "$1" >/dev/null; then
    echo "SKIP: $1 is not installed (Debian package $2)"
    exit 77
  fi
}

# fail MESSAGE: report one failed check and go on; the test counts them at its end.
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
