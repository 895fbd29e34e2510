#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
#
# Makes the Debian package from a built tree into a scratch folder and checks
# it: its name, that it holds exactly what the install rules install (for the
# prefix /usr, owned by root), the dependencies found by dpkg-shlibdeps,
# lintian (no error, no warning), and an install into a throw-away root with
# dpkg --root, where kelto-tape runs and kelto finds Qt's translations where a
# package it recommends puts them, and the removal from it.
# Without the Debian tools it skips (exit 77), unless
# NUMIRA_REQUIRE_PACKAGE_TOOLS=1 (scripts/test) makes that a failure.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

missing=()
for tool in cpack dpkg dpkg-deb dpkg-shlibdeps lintian; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ "${NUMIRA_REQUIRE_PACKAGE_TOOLS:-0}" = 1 ] && fail "the package test needs ${missing[*]}"
  echo "SKIP: the package test needs ${missing[*]}"
  exit 77
fi

scratch=$(mktemp -d /tmp/numira-deb.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB failed"; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb=$scratch/out/numira_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb; cpack made: $(ls "$scratch/out")"

# The package's files against the install rules' own output.
DESTDIR="$scratch/installed" cmake --install "$build" --prefix /usr >/dev/null
(cd "$scratch/installed" && find . -type f | sort) >"$scratch/expected"
dpkg-deb -c "$deb" >"$scratch/listing"
grep -v '^d' "$scratch/listing" | awk '{print $6}' | sort >"$scratch/packaged"
diff -u "$scratch/expected" "$scratch/packaged" || fail "the package does not hold what the install rules install"
for path in ./usr/bin/kelto ./usr/bin/kelto-tape ./usr/share/applications/numira.desktop \
  ./usr/share/man/man1/kelto.1.gz ./usr/share/man/man1/kelto-tape.1.gz \
  ./usr/share/doc/numira/copyright ./usr/share/doc/numira/changelog.gz; do
  grep -qxF "$path" "$scratch/packaged" || fail "the package lacks $path"
done
grep -q '^\./usr/share/icons/hicolor/.*/apps/numira\.' "$scratch/packaged" || fail "the package has no icon"
awk '$2 != "root/root" {print; bad = 1} END {exit bad}' "$scratch/listing" || fail "files not owned by root"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6widgets6; do
  [[ $depends == *"$library "* ]] || fail "Depends lacks $library: $depends"
done

echo "--- lintian"
lintian --fail-on error,warning --display-info --tag-display-limit 0 "$deb" || fail "lintian reports an error or a warning"

# Qt's texts in the user's language, as the installed package finds them: the
# installed kelto, started under ja_JP.UTF-8 (off screen, so without an X
# server), loads Qt's Japanese translation, and the package that holds that
# file must be one the package depends on or recommends, or a plain Debian
# system would show the tape's menu in English. Qt maps the translation file
# it loads and keeps it mapped, so the program's memory map names it.
check_qt_translation() {
  local home=$scratch/home kelto_pid translation="" owner
  mkdir -p "$home"
  env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home" LANG=ja_JP.UTF-8 QT_QPA_PLATFORM=offscreen \
    "$root/usr/bin/kelto" >"$scratch/kelto.log" 2>&1 &
  kelto_pid=$!
  for _ in $(seq 200); do
    translation=$(sed -n 's|^.* \(/[^ ]*/qtbase_ja[^/ ]*\.qm\)$|\1|p' "/proc/$kelto_pid/maps" 2>/dev/null | head -n 1)
    [ -z "$translation" ] && kill -0 "$kelto_pid" 2>/dev/null || break
    sleep 0.1
  done
  # Killed outright: a kelto told to end would store its settings beside itself.
  kill -KILL "$kelto_pid" 2>/dev/null || { cat "$scratch/kelto.log" >&2; fail "the installed kelto ended at start"; }
  wait "$kelto_pid" 2>/dev/null || true
  [ -n "$translation" ] ||
    fail "the installed kelto loaded no Japanese translation of Qt (qt6-translations-l10n installs it)"
  owner=$(dpkg-query -S "$translation" 2>/dev/null | cut -d: -f1) || fail "no installed package holds $translation"
  [[ ", $depends, $(dpkg-deb -f "$deb" Recommends), " == *", $owner"[,\ ]* ]] ||
    fail "$translation comes from $owner, which the package neither depends on nor recommends"
  echo "Qt's Japanese texts: $translation from $owner"
}

# A throw-away root with an empty package database.
root=$scratch/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
: >"$root/var/lib/dpkg/available"
dpkg_root=(dpkg --root="$root" --force-not-root --force-depends --log=/dev/null)
# The empty database knows none of the dependencies: dpkg names each one.
"${dpkg_root[@]}" -i "$deb" >"$scratch/dpkg.log" 2>&1 || { cat "$scratch/dpkg.log" >&2; fail "dpkg -i into $root failed"; }
[ "$("$root/usr/bin/kelto-tape" --separators '.,' '12+3=' | tail -n 1)" = $'title\t15.00000' ] ||
  fail "the installed kelto-tape does not compute 12+3="
grep -qxF 'Exec="/usr/bin/kelto"' "$root/usr/share/applications/numira.desktop" ||
  fail "the desktop entry does not start /usr/bin/kelto"
check_qt_translation
"${dpkg_root[@]}" -r numira >"$scratch/dpkg.log" 2>&1 || fail "dpkg -r from $root failed"
[ ! -e "$root/usr/bin/kelto" ] || fail "dpkg -r left /usr/bin/kelto behind"
echo "PASS: $(basename "$deb")"
