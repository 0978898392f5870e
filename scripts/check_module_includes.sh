#!/usr/bin/env bash
# The module sees only its own folders, the host's declarations (module/host), the platform and
# the standard library. Lists every include in module/ that reaches anything else; fails if any.
set -euo pipefail
root="${1:-$(dirname "$0")/..}"
cd "$root/module"
folders=$(find . -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | paste -sd'|')
bad=$(grep -rnE '^\s*#\s*include' --include='*.h' --include='*.cpp' . |
  grep -vE "#\s*include \"(($folders)/[A-Za-z0-9_]+\.h|platform/[A-Za-z0-9_]+\.h)\"" |
  grep -vE '#\s*include <[a-z_]+>' || true)
if [ -n "$bad" ]; then
  echo "module includes outside module/, platform/ and the standard library:" >&2
  echo "$bad" >&2
  exit 1
fi
