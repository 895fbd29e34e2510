#!/usr/bin/env bash
# Installs a build into scratch prefixes and checks the installed tree: both
# programs (kelto-tape run from there), the desktop entry (valid, starting the
# installed kelto by its full path) and the 32 x 32 PNG icon in the hicolor
# theme; then the same with DESTDIR, where the entry must name the final path.
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
    'Categories=Utility;Calculator;' 'Name=Numira Calculator' 'Name[ja]=Numira 電卓' 'Type=Application'; do
    grep -qxF "$key" "$entry" || fail "$entry lacks the line $key"
  done

  local icon=$share/icons/hicolor/32x32/apps/numira.png
  [ -f "$icon" ] || fail "no icon $icon"
  # PNG signature, then the IHDR chunk: width, height (4 bytes each, big
  # endian), bit depth, colour type (6: RGBA, so the background stays
  # transparent).
  local header
  header=$(od -A n -t x1 -N 26 "$icon" | tr -d ' \n')
  [ "${header:0:16}" = 89504e470d0a1a0a ] || fail "$icon is not a PNG file"
  [ "${header:32:16}" = 0000002000000020 ] || fail "$icon is not 32 x 32 (IHDR ${header:32:16})"
  [ "${header:50:2}" = 06 ] || fail "$icon has no alpha channel (colour type ${header:50:2})"
}

cmake --install "$build" --prefix "$scratch/user" >/dev/null
check_tree "" "$scratch/user"

DESTDIR="$scratch/stage" cmake --install "$build" --prefix /opt/numira >/dev/null
check_tree "$scratch/stage" /opt/numira
echo "PASS: install tree"
