#!/usr/bin/env bash
# Installs what is missing, builds and starts Orvo-232 Communicator.
set -euo pipefail
cd "$(dirname "$0")"
BUILD_DIR=build ./scripts/setup.sh
exec ./build/bin/orvo232 "$@"
