#!/usr/bin/env bash
# timed_stage.sh TIMES NAME COMMAND...: runs COMMAND and adds its wall time to
# the file TIMES under NAME. When it fails, prints the times so far and fails.
# `make test` prints the file at its end.
set -uo pipefail
times=$1 name=$2
shift 2
start=$(date +%s.%N)
"$@"
status=$?
awk -v n="$name" -v s="$start" -v e="$(date +%s.%N)" -v f="$([ $status = 0 ] || echo "  FAILED ($status)")" \
  'BEGIN { printf "  %-28s %7.1f s%s\n", n, e - s, f }' >>"$times"
if [ $status != 0 ]; then
  echo "Stage times:" >&2
  cat "$times" >&2
fi
exit $status
