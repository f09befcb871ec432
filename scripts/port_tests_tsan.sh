#!/usr/bin/env bash
# Builds and runs the tests labelled "port" (those that drive the real port's thread) under
# ThreadSanitizer, in a build folder of their own; only their targets are built. Run after
# scripts/setup.sh has installed the packages.
set -euo pipefail
cd "$(dirname "$0")/.."
SOURCE_DIR=$PWD
BUILD_DIR=${BUILD_DIR:-build-tsan}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVO_SANITIZE_THREAD=ON \
    -DORVO_BENCH=OFF ${CMAKE_ARGS:-} >/dev/null
cd "$BUILD_DIR"
# Each test is built by the target of its name.
mapfile -t tests < <(ctest -N -L port | sed -n 's/^ *Test *#[0-9]*: *//p')
[ ${#tests[@]} -gt 0 ] || { echo "no test labelled port"; exit 1; }
cmake --build . --parallel --target "${tests[@]}"
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1 suppressions=$SOURCE_DIR/tests/tsan.supp ${TSAN_OPTIONS:-}"
ctest -L port --output-on-failure --timeout 600
