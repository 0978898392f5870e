#!/usr/bin/env bash
# Formats the project's C++ sources with .clang-format: every tracked file, or the ones named.
# With --check, formats nothing and fails when a file would change.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tool=$(command -v clang-format || command -v clang-format-14)
mode=(-i)
if [ "${1:-}" = "--check" ]; then mode=(--dry-run -Werror); shift; fi
if [ $# -gt 0 ]; then files=("$@"); else mapfile -t files < <(git ls-files '*.cpp' '*.h'); fi
"$tool" "${mode[@]}" "${files[@]}"
