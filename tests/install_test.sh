#!/bin/sh
# cmake --install into a temporary prefix: every command in bin (the plot
# command as ionoplot) answering --version, and a man page each in
# share/man/man1 that groff reads without a warning.
#   install_test.sh CMAKE BUILD_DIR VERSION
set -eu
cmake=$1 build=$2 version=$3
prefix=$(mktemp -d "${TMPDIR:-/tmp}/install_test.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
fail() {
  echo "install_test: $*" >&2
  exit 1
}

"$cmake" --install "$build" --prefix "$prefix" >/dev/null
for p in ionoscan append ptfit ptsummary rsfdump ionoplot; do
  [ -x "$prefix/bin/$p" ] || fail "bin/$p missing"
  got=$("$prefix/bin/$p" --version) || fail "$p --version failed"
  [ "$got" = "$p $version" ] || fail "$p --version says: $got"
  page="$prefix/share/man/man1/$p.1"
  [ -f "$page" ] || fail "share/man/man1/$p.1 missing"
  grep -q "ionosounding $version" "$page" || fail "$p.1 has no version"
  if command -v groff >/dev/null; then
    warnings=$(groff -man -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || fail "$p.1: $warnings"
  fi
done
[ ! -e "$prefix/bin/plot" ] || fail "bin/plot installed"
