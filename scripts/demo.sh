#!/bin/sh
# Builds the program alone (no tests, no benchmarks) and compiles the bundled
# demo song into examples/demo.mid.
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2 --target qoral
build/qoral examples/demo.mml
