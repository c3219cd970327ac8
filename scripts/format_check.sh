#!/usr/bin/env bash
# Fails when a C++ file of the project differs from what clang-format makes of
# it, naming the files; `make format` rewrites them. One clang-format process
# reads every file (each still takes the nearest .clang-format): starting one
# per file cost over a minute.
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
# Each drift is reported as "FILE:LINE:COLUMN: error: ..."; a failure of the
# tool itself (a file it cannot read) has no such line and is shown as it is.
if report=$("$tool" --dry-run --Werror "${files[@]}" 2>&1); then
  echo "format-check: ${#files[@]} files match .clang-format"
  exit 0
fi
mapfile -t drift < <(grep -oE '^[^: ]+:[0-9]+:[0-9]+: error: code should be clang-formatted' <<<"$report" | cut -d: -f1 | sort -u)
if [ ${#drift[@]} -eq 0 ]; then
  echo "format-check: $tool failed:" >&2
  echo "$report" >&2
  exit 1
fi
echo "format-check: ${#drift[@]} file(s) differ from .clang-format (run make format):" >&2
printf '  %s\n' "${drift[@]}" >&2
exit 1
