#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")"
export BUILD_DIR=${BUILD_DIR:-build}
./scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 300 ${CTEST_ARGS:-}
