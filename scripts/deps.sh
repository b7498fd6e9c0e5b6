#!/bin/sh
# Installs with apt-get whatever the build and the tests need and is missing.
set -e
# The web playground: Emscripten (with the acorn parser it runs), Chromium for
# its browser tests, and the General MIDI sound font it ships; Node.js and npm
# are expected on the machine.
packages="g++ cmake make libtcc-dev tcc libgtest-dev libbenchmark-dev midicsv python3
          emscripten node-acorn chromium timgm6mb-soundfont"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
