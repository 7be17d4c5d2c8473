#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, unpacks it into
# a scratch root with dpkg -x, and checks its file list, its dependencies,
# that the unpacked program runs, that a second packing gives the same bytes,
# and (where lintian is installed) that lintian finds no error and no
# hardening tag.
#   tests/packaging/check-package.sh BUILD-FOLDER
set -euo pipefail
build="$1"
here="$(cd "$(dirname "$0")" && pwd)"
if ! command -v dpkg-deb >/dev/null; then
  echo "SKIP: dpkg-deb is not installed, so no Debian package can be built or unpacked"
  exit 77
fi
work="$(mktemp -d /tmp/sondrel-package.XXXXXX)"
trap 'rm -rf "$work"' EXIT

export SOURCE_DATE_EPOCH=1767225600
for out in out again; do
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/$out" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    exit 1
  }
done
package="$work/out/sondrel_2.4-1_amd64.deb"
[ -f "$package" ] || { echo "no $package"; ls "$work/out"; exit 1; }
cmp "$package" "$work/again/sondrel_2.4-1_amd64.deb"

dpkg-deb -x "$package" "$work/root"
(cd "$work/root" && find . -type f | sort) >"$work/files"
diff -u "$here/package-files.txt" "$work/files"

depends="$(dpkg-deb -f "$package" Depends)"
for needed in libqt6widgets6 libsdl2-2.0-0 libsndfile1 qt6-qpa-plugins libc6; do
  case "$depends" in
    *"$needed"*) ;;
    *) echo "Depends lacks $needed: $depends"; exit 1 ;;
  esac
done

[ "$("$work/root/usr/bin/sondrel" --version)" = "Sondrel 2.4" ]
grep -qx 'StartupWMClass=Sondrel' "$work/root/usr/share/applications/org.kelvo.Sondrel.desktop"
grep -q 'License: GPL-3+' "$work/root/usr/share/doc/sondrel/copyright"

if command -v lintian >/dev/null; then
  lintian -I --no-tag-display-limit "$package" 2>/dev/null | tee "$work/lintian"
  if grep -q -e '^E:' -e 'hardening-' "$work/lintian"; then exit 1; fi
fi
echo "package ok: $(wc -l <"$work/files") files"
