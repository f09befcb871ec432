#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy at the root) on the program's sources, as a build directory's
# compile_commands.json compiles them; any finding fails. Tests and benchmarks are left out:
# their literals are the expected bytes and sizes they check, named where they are used.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}
mapfile -t files < <(python3 - "$BUILD_DIR" <<'PY'
import json, os, re, sys
root = os.getcwd()
program = re.compile(r'(app|windows|files_views|hexeditor|plot|scripting|transmit|terminal|platform)/')
entries = json.load(open(os.path.join(sys.argv[1], "compile_commands.json")))
for f in sorted({e["file"] for e in entries}):
    rel = os.path.relpath(f, root)
    if program.match(rel):
        print(f)
PY
)
run-clang-tidy -p "$BUILD_DIR" -quiet -j "${TIDY_JOBS:-$(nproc)}" "${files[@]}"
