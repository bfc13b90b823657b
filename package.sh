#!/usr/bin/env bash
# Build the Debian package vornsplineedit_<version>_<arch>.deb into the top of
# this checkout (Release build in build-package/) and check it:
# desktop-file-validate, appstreamcli, groff on the manual page, lintian.
set -eu
cd "$(dirname "$0")"
. scripts/setup.sh
vse_install_packages "${VSE_BASE_PACKAGES[@]}" "${VSE_DESKTOP_CHECK_PACKAGES[@]}" \
    dpkg-dev file lintian

dir=build-package
rm -f "$dir"/vornsplineedit_*.deb
# Debian's hardening flags (fortified functions, read-only relocations, bind now).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
vse_build "$dir" \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/vornsplineedit_*.deb)

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
scripts/check-desktop-files.sh "$root/usr"
for size in 32 48 64 128; do
    [ -f "$root/usr/share/icons/hicolor/${size}x${size}/apps/vornsplineedit.png" ] ||
        { echo "no ${size}x${size} icon in the package" >&2; exit 1; }
done
[ -x "$root/usr/bin/vornsplineedit" ] || { echo "no binary in /usr/bin" >&2; exit 1; }
# A hand-written Depends would be wrong on the next toolkit release.
dpkg-deb -f "$deb" Depends | grep -q 'libwx' || { echo "Depends lacks the toolkit" >&2; exit 1; }
changelog=$(dpkg-parsechangelog -l data/changelog -S Version)
[ "$changelog" = "$(dpkg-deb -f "$deb" Version)" ] ||
    { echo "data/changelog is at $changelog, the package at $(dpkg-deb -f "$deb" Version)" >&2; exit 1; }
lintian --fail-on error "$deb"

cp "$deb" .
echo "Built $(basename "$deb"); install it with: apt-get install ./$(basename "$deb")"
