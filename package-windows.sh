#!/usr/bin/env bash
# Build the Windows program and its installer from this Debian machine, into
# the top of this checkout:
#   vornsplineedit-<version>-windows-x64-installer.exe   (NSIS, 64-bit)
#   vornsplineedit-<version>-windows-x64.zip             (portable: the .exe, README, licence)
# Installs what it needs first (as root, or with sudo). The toolkit for Windows
# is built once from Debian's source package into /var/cache/vornsplineedit
# (about 11 minutes on two cores); later runs reuse it.
# scripts/test-windows.sh runs the Windows tests under Wine.
set -eu
cd "$(dirname "$0")"
. scripts/windows-setup.sh
vse_install_packages "${VSW_PACKAGES[@]}"

version=$(sed -n 's/^project(vornsplineedit VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
dir=build-windows
started=$(date +%s)
wx=$(vsw_toolkit)
echo "toolkit: $wx ($(vsw_since "$started") s this run; $(tr '\n' ' ' <"$wx/.complete"))"

started=$(date +%s)
vsw_build "$dir" -- vornsplineedit
echo "editor built in $(vsw_since "$started") s"
exe=$dir/vornsplineedit.exe

vsw_check_imports "$exe"
echo "imports: $(vsw_imports "$exe" | tr '\n' ' ')"
# The icon group the window loads by name, with all its sizes.
wrestool -x --type=14 --name=VSE_ICON "$exe" -o "$dir/VSE_ICON.ico"
sizes=$(icotool -l "$dir/VSE_ICON.ico" | sed -n 's/.*--width=\([0-9]*\) .*/\1/p' | sort -n | tr '\n' ' ')
[ "$sizes" = "16 32 48 256 " ] || { echo "the icon group VSE_ICON in $exe holds sizes '$sizes'" >&2; exit 1; }

stage=$dir/stage
rm -rf "$stage" && mkdir -p "$stage"
"$VSW_HOST-strip" -o "$stage/vornsplineedit.exe" "$exe"
# Notepad on older Windows shows LF-only text as one line.
sed 's/$/\r/' README.md >"$stage/README.txt"
sed 's/$/\r/' data/copyright >"$stage/LICENSE.txt"
cp "$dir/data/ico/vornsplineedit.ico" "$stage/"

installer=vornsplineedit-$version-windows-x64-installer.exe
zip=vornsplineedit-$version-windows-x64.zip
rm -f "$installer" "$zip"
makensis -V2 -WX -DVERSION="$version" -DSTAGE="$PWD/$stage" -DOUTFILE="$PWD/$installer" data/vornsplineedit.nsi
(cd "$stage" && zip -q -X "../../$zip" vornsplineedit.exe README.txt LICENSE.txt)

size() { stat -c %s "$1" | awk '{ printf "%.1f MB", $1 / 1048576 }'; }
echo "vornsplineedit.exe: $(size "$exe") unstripped, $(size "$stage/vornsplineedit.exe") stripped"
echo "Built $installer ($(size "$installer")) and $zip ($(size "$zip"))"
