#!/bin/sh
# Builds qoral and compiles the bundled demo song into examples/demo.mid.
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2
build/qoral examples/demo.mml
