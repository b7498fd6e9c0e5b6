#!/bin/sh
# Builds the web playground into build-web/site, a folder ready to publish on
# any static web server: qoral compiled to WebAssembly by Emscripten (the same
# sources, without the script engine), the page bundled with esbuild, the
# synthesizer and the General MIDI sound font.
#   scripts/web.sh            build
#   scripts/web.sh --serve    build, then serve it on http://localhost:8000/
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh web
root=$PWD
# Debian's Emscripten keeps a read-only cache: its libraries are built once
# into a cache inside the build folder.
# Its optimiser needs Debian's acorn, kept outside the node in use's own path.
export EM_CACHE="$root/build-web/em-cache" EM_FROZEN_CACHE= NODE_PATH=/usr/share/nodejs
mkdir -p build-web
emcmake cmake -S . -B build-web -DQORAL_WEB=ON -DCMAKE_BUILD_TYPE=Release > build-web/configure.log
cmake --build build-web -j2
(cd web && npm ci --no-audit --no-fund --loglevel=error)
node web/build.mjs build-web build-web/site
if [ "${1:-}" = --serve ]; then
    echo "open http://localhost:8000/"
    exec python3 -m http.server 8000 --bind 127.0.0.1 --directory build-web/site
fi
