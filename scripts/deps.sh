#!/bin/sh
# Installs with apt-get whatever the build and the tests need and is missing.
set -e
packages="g++ cmake make libtcc-dev tcc libgtest-dev libbenchmark-dev midicsv python3"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
