#!/usr/bin/env bash
# Builds wxWidgets for Windows (MSW, static, monolithic) from Debian's own source
# package of the toolkit, once, into a cache folder named after its version, and
# prints that folder. Later runs find it there and build nothing.
#   scripts/windows-toolkit.sh            build if needed, print the prefix
# Needs root the first time (the cache lives under /var/cache) and the packages
# package-windows.sh installs (the MinGW-w64 compiler, dpkg-dev, make).
set -eu
cache=${VSE_WINDOWS_CACHE:-/var/cache/vornsplineedit}
host=x86_64-w64-mingw32

# The same version as the toolkit Debian ships for Linux here, so that both
# builds of the editor stand on the same code.
version=$(apt-cache policy libwxbase3.2-1 | sed -n 's/^ *Candidate: *//p')
version=${version%+b[0-9]*}
[ -n "$version" ] && [ "$version" != "(none)" ] ||
    { echo "no version of wxwidgets3.2 known to apt here" >&2; exit 1; }
prefix=$cache/wx-msw-$version
mkdir -p "$cache"

# Two scripts may want the toolkit at once (the package and the tests).
exec 9>"$cache/.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

# Our own deb-src list and lists folder: the system's apt configuration stays
# as it is, and the source comes from the archive the machine already uses.
apt_dir=$cache/apt
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/archives/partial"
: >"$apt_dir/sources.list"
for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    sed 's/^Types:.*\bdeb\b.*$/Types: deb-src/' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
done
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -e "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >>"$apt_dir/sources.list"
done
apt_opts=(-o Dir::Etc::SourceList="$apt_dir/sources.list"
          -o Dir::Etc::SourceParts="$apt_dir/sources.list.d"
          -o Dir::State::Lists="$apt_dir/lists"
          -o Dir::Cache::Archives="$apt_dir/archives"
          -o Dir::Cache::pkgcache="" -o Dir::Cache::srcpkgcache=""
          -o APT::Sandbox::User=root)
started=$(date +%s)
work=$cache/build-$version
rm -rf "$work"
mkdir -p "$work"
apt-get "${apt_opts[@]}" update -qq </dev/null
(cd "$work" && apt-get "${apt_opts[@]}" source -qq --download-only "wxwidgets3.2=$version" </dev/null)
# apt checked the files against the signed index; dpkg-source lacks the uploader's key.
(cd "$work" && dpkg-source -q -x --skip-patches ./*.dsc src 2>/dev/null >/dev/null)
# Debian's patches fix its own Linux packaging; apply them all the same, so the
# code is what Debian ships.
(cd "$work/src" && if [ -f debian/patches/series ]; then
    while read -r p; do
        case "$p" in ''|'#'*) continue ;; esac
        patch -p1 -s <"debian/patches/$p"
    done <debian/patches/series
fi)

mkdir -p "$work/obj"
cd "$work/obj"
configure_started=$(date +%s)
../src/configure --host=$host --prefix="$prefix" \
    CC=$host-gcc-posix CXX=$host-g++-posix \
    --disable-shared --enable-monolithic --with-msw \
    --without-libpng --without-libjpeg --without-libtiff --without-zlib \
    --without-expat --without-regex --without-opengl --without-liblzma \
    --disable-html --disable-aui --disable-propgrid --disable-ribbon \
    --disable-richtext --disable-stc --disable-xrc --disable-webview \
    --disable-mediactrl --disable-sockets --disable-svg >configure.log 2>&1 ||
    { tail -30 configure.log >&2; exit 1; }
build_started=$(date +%s)
make -j"$(nproc)" >make.log 2>&1 || { tail -40 make.log >&2; exit 1; }
make install DESTDIR="$work/stage" >install.log 2>&1 || { tail -20 install.log >&2; exit 1; }
done_at=$(date +%s)
cd /
{
    echo "version=$version"
    echo "configure_seconds=$((build_started - configure_started))"
    echo "build_seconds=$((done_at - build_started))"
    echo "total_seconds=$((done_at - started))"
} >"$work/stage$prefix/.complete"
rm -rf "$prefix"
mv "$work/stage$prefix" "$prefix"
rm -rf "$work"
echo "toolkit built in $((done_at - started)) s (configure $((build_started - configure_started)) s," \
    "make $((done_at - build_started)) s): $prefix" >&2
echo "$prefix"
