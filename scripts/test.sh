#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$@"
dir=${BUILD_DIR:-$root/build}
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
