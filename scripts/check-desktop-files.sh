#!/usr/bin/env bash
# Checks what the program installs for the desktop, under an installed prefix:
#   scripts/check-desktop-files.sh PREFIX            e.g. an unpacked package's usr/
#   scripts/check-desktop-files.sh --install BUILD   installs BUILD into a scratch prefix first
# Exits 77 (skipped) when a validator is missing, so the test suite runs without them.
set -eu
for tool in desktop-file-validate appstreamcli groff; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

if [ "$1" = "--install" ]; then
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    cmake --install "$2" --prefix "$scratch" >/dev/null
    set -- "$scratch"
fi
prefix=$1
share=$prefix/share
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

desktop=$share/applications/vornsplineedit.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
mime=$(sed -n 's/^MimeType=//p' "$desktop")
# Claiming text/plain would take every .txt file away from the user's text editor.
case ";$mime" in *";text/plain;"*) fail "the desktop entry claims text/plain" ;; esac
for type in image/x-tga image/bmp; do
    case ";$mime" in *";$type;"*) ;; *) fail "the desktop entry does not offer $type" ;; esac
done

metainfo=$(ls "$share"/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" >/dev/null ||
    { appstreamcli validate --no-net "$metainfo" >&2; fail "appstreamcli validate $metainfo"; }
grep -q '<launchable type="desktop-id">vornsplineedit.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not launch vornsplineedit.desktop"

warnings=$(zcat "$share/man/man1/vornsplineedit.1.gz" | groff -man -ww -z 2>&1)
[ -z "$warnings" ] || fail "groff on the manual page: $warnings"

# Every PNG must be as large as the theme folder it sits in says (width and height
# are the big-endian words at bytes 16 and 20 of a PNG).
[ -f "$share/icons/hicolor/scalable/apps/vornsplineedit.svg" ] || fail "no scalable icon"
for png in "$share"/icons/hicolor/*x*/apps/vornsplineedit.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    read -r w0 w1 w2 w3 h0 h1 h2 h3 < <(od -An -tu1 -j16 -N8 "$png")
    actual=$(( (w0<<24)+(w1<<16)+(w2<<8)+w3 ))x$(( (h0<<24)+(h1<<16)+(h2<<8)+h3 ))
    [ "$actual" = "$size" ] || fail "$png is $actual"
done

[ $failed -eq 0 ] && echo "desktop entry, metainfo, manual page and icons: all good"
exit $failed
