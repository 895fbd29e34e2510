#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
# Installs a build into scratch prefixes and checks the installed tree: both
# programs (kelto-tape run from there), the desktop entry (valid, starting the
# installed kelto by its full path, with keywords and the window class) and
# the icon in the hicolor theme at every size and as SVG, the AppStream
# description (valid, and composed into a catalog entry with its icon); then
# the same with DESTDIR, where the entry must name the final path.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d /tmp/numira-install.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# check_tree ROOT PREFIX: the files under ROOT, installed for PREFIX.
check_tree() {
  local root=$1 prefix=$2
  local bin=$root$prefix/bin share=$root$prefix/share
  for program in kelto kelto-tape; do
    [ -x "$bin/$program" ] || fail "$bin/$program is not installed"
  done
  [ "$("$bin/kelto-tape" --separators '.,' '12+3=' | tail -n 1)" = $'title\t15.00000' ] ||
    fail "the installed kelto-tape does not compute 12+3="

  local entry=$share/applications/numira.desktop
  [ -f "$entry" ] || fail "no desktop entry $entry"
  desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
  local key
  for key in "Exec=\"$prefix/bin/kelto\"" "TryExec=$prefix/bin/kelto" 'Icon=numira' \
    'Categories=Utility;Calculator;' 'Name=Numira Calculator' 'Name[ja]=Numira 電卓' 'Type=Application' \
    'StartupWMClass=kelto'; do
    grep -qxF "$key" "$entry" || fail "$entry lacks the line $key"
  done

  grep -qE '^Keywords=.+;$' "$entry" || fail "$entry has no Keywords"
  grep -qE '^Keywords\[ja\]=.+;$' "$entry" || fail "$entry has no Japanese Keywords"

  local size icon header
  for size in 16 22 24 32 48 64 128 256; do
    icon=$share/icons/hicolor/${size}x${size}/apps/numira.png
    [ -f "$icon" ] || fail "no icon $icon"
    # PNG signature, then the IHDR chunk: width, height (4 bytes each, big
    # endian), bit depth, colour type (6: RGBA, so the background stays
    # transparent).
    header=$(od -A n -t x1 -N 26 "$icon" | tr -d ' \n')
    [ "${header:0:16}" = 89504e470d0a1a0a ] || fail "$icon is not a PNG file"
    [ "${header:32:16}" = "$(printf '%08x%08x' "$size" "$size")" ] ||
      fail "$icon is not $size x $size (IHDR ${header:32:16})"
    [ "${header:50:2}" = 06 ] || fail "$icon has no alpha channel (colour type ${header:50:2})"
  done
  icon=$share/icons/hicolor/scalable/apps/numira.svg
  grep -q '<svg xmlns="http://www.w3.org/2000/svg"' "$icon" || fail "no SVG icon $icon"

  local metainfo=$share/metainfo/io.github.numira.numira.metainfo.xml
  [ -f "$metainfo" ] || fail "no AppStream description $metainfo"
  appstreamcli validate --pedantic --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"
}

# check_catalog ROOT PREFIX: appstreamcli compose finds the application in the
# installed tree and gives its catalog entry the icon.
check_catalog() {
  local root=$1 prefix=$2 out=$scratch/catalog
  rm -rf "$out"
  appstreamcli compose --no-color --origin=numira --prefix="$prefix" --result-root="$out" "$root" >"$scratch/compose.log" 2>&1 ||
    fail "appstreamcli compose failed: $(cat "$scratch/compose.log")"
  local catalog=$out$prefix/share/swcatalog/xml/numira.xml.gz
  [ -f "$catalog" ] || fail "appstreamcli compose wrote no catalog $catalog"
  zcat "$catalog" | grep -q '<id>io.github.numira.numira</id>' || fail "the catalog lacks the application"
  zcat "$catalog" | grep -q '<icon type="cached" width="64" height="64">' || fail "the catalog entry has no icon"
  [ -f "$out$prefix/share/swcatalog/icons/numira/64x64/io.github.numira.numira.png" ] ||
    fail "appstreamcli compose stored no icon"
}

cmake --install "$build" --prefix "$scratch/user" >/dev/null
check_tree "" "$scratch/user"

DESTDIR="$scratch/stage" cmake --install "$build" --prefix /opt/numira >/dev/null
check_tree "$scratch/stage" /opt/numira
if command -v /usr/libexec/appstreamcli-compose >/dev/null; then
  check_catalog "$scratch/stage" /opt/numira
else
  fail "appstreamcli compose is missing (Debian package appstream-compose)"
fi
echo "PASS: install tree"
