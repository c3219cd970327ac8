#!/usr/bin/env bash
# Fails when a C++ file of the project differs from what clang-format makes of
# it, naming the files; `make format` rewrites them.
# Usage: scripts/format_check.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
tool=clang-format-14
command -v "$tool" >/dev/null || { echo "format-check: $tool is missing (Debian package clang-format-14)" >&2; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  "$tool" -i "${files[@]}"
  exit 0
fi
drift=()
for f in "${files[@]}"; do
  "$tool" --dry-run --Werror "$f" 2>/dev/null || drift+=("$f")
done
if [ ${#drift[@]} -gt 0 ]; then
  echo "format-check: ${#drift[@]} file(s) differ from .clang-format (run make format):" >&2
  printf '  %s\n' "${drift[@]}" >&2
  exit 1
fi
echo "format-check: ${#files[@]} files match .clang-format"
