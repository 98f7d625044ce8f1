#!/usr/bin/env bash
# Builds the show for web browsers into build-web/site/ and serves it on
# http://127.0.0.1:8000 (with --build: only builds).
#
# The site is plain static files: index.html with page.js and zip.js, the
# program as tessaline.js and tessaline.wasm, files.txt (the data files the
# page loads, with their sizes) and the data files themselves, made by the native data generator. Copy the folder to any web
# server to publish it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
serve=1
if [ "${1:-}" = "--build" ]; then
    serve=0
elif [ $# -gt 0 ]; then
    echo "usage: scripts/web.sh [--build]" >&2
    exit 1
fi
"$root/scripts/setup.sh"
"$root/scripts/setup_web.sh"

web="$root/build-web"
site="$web/site"
mkdir -p "$web"
# Emscripten's JavaScript optimizer needs Debian's acorn module.
export NODE_PATH=/usr/share/nodejs

# The data generator is native code: the native build makes the data files.
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

# The JPEG library, from the same libjpeg-turbo source the native build links,
# compiled to WebAssembly once. Its size_t probe goes wrong under the
# compiler's CMake toolchain, so the size is given (wasm32: 4 bytes).
jpegVersion=2.1.5
jpegSource="$web/libjpeg-turbo-$jpegVersion"
jpegPrefix="$web/jpeg"
if [ ! -f "$jpegPrefix/lib/libjpeg.a" ]; then
    if [ ! -d "$jpegSource" ]; then
        (cd "$web" && apt-get source -qq "libjpeg-turbo=1:$jpegVersion-2" >"$web/jpeg-source.log" 2>&1) || {
            cat "$web/jpeg-source.log" >&2
            echo "web: can't fetch the libjpeg-turbo $jpegVersion source (needs a deb-src entry; scripts/setup_web.sh adds one)" >&2
            exit 1
        }
    fi
    if ! (emcmake cmake -S "$jpegSource" -B "$web/jpeg-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF \
        -DSIZE_T=4 -DHAVE_SIZE_T=TRUE \
        -DCMAKE_INSTALL_PREFIX="$jpegPrefix" -DCMAKE_INSTALL_LIBDIR=lib &&
        ninja -C "$web/jpeg-build" -j2 jpeg-static) >"$web/jpeg-build.log" 2>&1; then
        tail -30 "$web/jpeg-build.log" >&2
        exit 1
    fi
    mkdir -p "$jpegPrefix/lib" "$jpegPrefix/include"
    cp "$jpegSource/jpeglib.h" "$jpegSource/jmorecfg.h" "$jpegSource/jerror.h" \
        "$web/jpeg-build/jconfig.h" "$jpegPrefix/include/"
    cp "$web/jpeg-build/libjpeg.a" "$jpegPrefix/lib/libjpeg.a"
fi

# The program, from the same sources, with the web platform and the GL layer.
mkdir -p "$web/program"
if [ ! -f "$web/program/build.ninja" ]; then
    if ! emcmake cmake -S "$root" -B "$web/program" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DTESSALINE_TESTS=OFF -DJPEG_INCLUDE_DIR="$jpegPrefix/include" \
        -DJPEG_LIBRARY="$jpegPrefix/lib/libjpeg.a" >"$web/program/configure.log" 2>&1; then
        cat "$web/program/configure.log" >&2
        exit 1
    fi
fi
if ! ninja -C "$web/program" -j2 tessaline >"$web/program/build.log" 2>&1; then
    grep -v '^\[' "$web/program/build.log" >&2
    exit 1
fi

# The site: the page, the program and the data files.
rm -rf "$site.new"
mkdir -p "$site.new"
cp "$root/platform/web/index.html" "$root/platform/web/page.js" "$root/platform/web/zip.js" \
    "$site.new/"
cp "$web/program/tessaline.js" "$web/program/tessaline.wasm" "$site.new/"
cp -r "$root/build/data/." "$site.new/"
# files.txt: "SIZE PATH" for each data file, so that the page can show how
# much of the whole it has loaded.
(cd "$site.new" && find . -type f ! -name index.html ! -name page.js ! -name zip.js \
    ! -name files.txt ! -name 'tessaline.*' -printf '%s %P\n' | LC_ALL=C sort -k2 >files.txt)
rm -rf "$site"
mv "$site.new" "$site"
echo "web: the site is in $site"

if [ "$serve" = 1 ]; then
    echo "web: open http://127.0.0.1:8000/ (Ctrl+C stops the server)"
    cd "$site"
    exec python3 -m http.server 8000 --bind 127.0.0.1
fi
