#!/bin/sh
# Installs with apt-get whatever the build and the tests need and is missing.
#   scripts/deps.sh        the program, its tests and benchmarks
#   scripts/deps.sh web    also the web playground: Emscripten (with the acorn
#                          parser it runs), Chromium for its browser tests, the
#                          General MIDI sound font it ships, and Node.js with
#                          npm when the machine has none
set -e
packages="g++ cmake make libtcc-dev tcc libgtest-dev libbenchmark-dev midicsv python3"
if [ "${1:-}" = web ]; then
    packages="$packages emscripten node-acorn chromium timgm6mb-soundfont"
    command -v node > /dev/null || packages="$packages nodejs"
    command -v npm > /dev/null || packages="$packages npm"
fi
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
