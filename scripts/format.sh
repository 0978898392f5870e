#!/usr/bin/env bash
# Formats the project's C++ sources with .clang-format: every tracked file, or the ones named.
# With --check, formats nothing and fails when a file would change.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tool=$(command -v clang-format || command -v clang-format-14)
mode=(-i)
if [ "${1:-}" = "--check" ]; then mode=(--dry-run -Werror); shift; fi
if [ $# -gt 0 ]; then
  # Named files are C++ sources only: clang-format takes any other text for C++ too and rewraps
  # it (a Markdown file given by mistake came out mangled).
  files=()
  for f in "$@"; do
    case "$f" in
      *.cpp | *.h) files+=("$f") ;;
      *) echo "format.sh: $f is not a C++ source; left as it is" >&2 ;;
    esac
  done
  [ ${#files[@]} -gt 0 ] || exit 0
else
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi
"$tool" "${mode[@]}" "${files[@]}"
