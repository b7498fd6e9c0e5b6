#!/bin/sh
# Builds and runs every test: unit and end-to-end tests, then the whole suite
# again in a separate build under AddressSanitizer and UndefinedBehaviorSanitizer.
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh web
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2
ctest --test-dir build --output-on-failure
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQORAL_SANITIZE=ON
cmake --build build-asan -j2
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure
# The web playground: the WebAssembly build compiles like the native program
# (in node), and the page works in headless Chromium.
scripts/web.sh
QORAL_NATIVE=build/qoral node --test web/test/wasm.test.mjs web/test/browser.test.mjs
