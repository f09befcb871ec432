#!/usr/bin/env bash
# Builds and runs the tests labelled "port" (those that drive the real port's thread) under
# ThreadSanitizer, in a build folder of their own; only their targets are built. Run after
# scripts/setup.sh has installed the packages. Clang builds them: its reports name functions in
# anonymous namespaces and lambdas in full, which tests/tsan.supp relies on.
set -euo pipefail
cd "$(dirname "$0")/.."
SOURCE_DIR=$PWD
BUILD_DIR=${BUILD_DIR:-build-tsan}

missing=()
for p in clang libclang-rt-dev llvm; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DORVO_SANITIZE_THREAD=ON -DORVO_BENCH=OFF ${CMAKE_ARGS:-} >/dev/null
cd "$BUILD_DIR"
# Each test is built by the target of its name.
mapfile -t tests < <(ctest -N -L port | sed -n 's/^ *Test *#[0-9]*: *//p')
[ ${#tests[@]} -gt 0 ] || { echo "no test labelled port"; exit 1; }
cmake --build . --parallel --target "${tests[@]}"
export QT_QPA_PLATFORM=offscreen
# Qt comes uninstrumented: what it does inside itself is not watched (see tests/tsan.supp).
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1 suppressions=$SOURCE_DIR/tests/tsan.supp ${TSAN_OPTIONS:-}"
ctest -L port --output-on-failure --timeout 600
