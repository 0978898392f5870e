#!/usr/bin/env bash
# Sets up, builds and runs the main job on the sample site.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
bin=${BUILD_DIR:-$root/build}/bin
"$bin/zebhost" --help
"$bin/zebhost" forward "リンク部品"
