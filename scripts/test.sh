#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
# A full build from scratch: compiling the sources in batches takes half the time.
"$root/scripts/build.sh" -DZEB_UNITY_BUILD=ON "$@"
dir=${BUILD_DIR:-$root/build}
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
