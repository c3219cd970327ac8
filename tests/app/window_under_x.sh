#!/usr/bin/env bash
# The real window under a real X server (Xvfb), driven by keys (xdotool), on a
# generated 200 MB log: Go by its mnemonic, keys answered while converting, Esc
# cancels leaving nothing behind, the window converts again afterwards and
# grows its result panel, the log is loaded again from the recent logs (Down
# on Load...), and Tab to Exit with Enter ends it with status 0 (not Go,
# although Go is enabled), soon. The timings come from the window's own trace
# (SENTROVA_TRACE), in its clock.
#
#   window_under_x.sh SENTROVA GENERATE_LOG SENTROVA_CONVERT WORK_FOLDER
set -euo pipefail
sentrova=$1 generate=$2 convert=$3 work=$4
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
max_gap_ms=100
max_cancel_ms=500

mkdir -p "$work"
log=$work/drive200.nmea
kml=$work/drive200.kml
[ -s "$log" ] || "$generate" 200 "$log"
rm -f "$kml" "$work"/.drive200.kml.*
trace=$work/trace.txt
: >"$trace"

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- trace"; cat "$trace"; exit 1; }

rm -f "$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
# Remembered options of the user's own starts must not change the run.
export XDG_CONFIG_HOME=$work/config
rm -rf "$XDG_CONFIG_HOME"

SENTROVA_TRACE=$trace QT_QPA_PLATFORM=xcb "$sentrova" "$log" &
app=$!
pids+=($app)
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Sentrova$' | head -n1) ||
  fail "no window appeared"
xdotool windowfocus --sync "$window"

# The time (ms) of the first trace line after line $1 that matches $2, waiting up to $3 s.
line_of() { grep -n -E "$2" "$trace" | awk -F: -v after="$1" '$1 > after { print $1; exit }'; }
wait_for() {
  local after=$1 pattern=$2 seconds=$3 n
  for _ in $(seq $((seconds * 50))); do
    n=$(line_of "$after" "$pattern")
    [ -n "$n" ] && { echo "$n"; return 0; }
    sleep 0.02
  done
  return 1
}
time_at() { sed -n "${1}p" "$trace" | cut -d' ' -f1; }
lines() { wc -l <"$trace"; }
# The longest gap of the event loop between two trace lines.
longest_gap() { awk -v a="$1" -v b="$2" 'NR > a && NR < b && $2 == "gap" && $3 > m { m = $3 } END { print m + 0 }' "$trace"; }
ms() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", b - a }'; }

# 1. Go, keys while converting, Esc.
start=$(lines)
xdotool key alt+g
go=$(wait_for "$start" ' key Alt\+G$' 5) || fail "Alt+G did not arrive"
progress=$(wait_for "$go" ' paint-progress [1-9]' 20) || fail "no progress painted"
first_paint_ms=$(ms "$(time_at "$go")" "$(time_at "$progress")")
xdotool key Tab
sleep 0.05
xdotool key Tab
tab=$(wait_for "$progress" ' key Tab$' 5) || fail "a key pressed while converting was not answered"
xdotool key Escape
esc=$(wait_for "$tab" ' key Esc$' 5) || fail "Esc did not arrive"
cancelled=$(wait_for "$esc" ' status Cancelled' 5) || fail "Esc did not cancel"
cancel_ms=$(ms "$(time_at "$esc")" "$(time_at "$cancelled")")
gap1=$(longest_gap "$go" "$cancelled")
grep -q ' status Done' "$trace" && fail "the run ended before Esc could cancel it"
left=$(find "$work" -maxdepth 1 -name '*.kml' -o -maxdepth 1 -name '.drive200.kml.*' | wc -l)
[ "$left" -eq 0 ] || fail "a cancelled run left files: $(ls -a "$work")"
[ "$cancel_ms" -le "$max_cancel_ms" ] || fail "Esc took $cancel_ms ms to cancel"

# 2. Still usable: Go again, to the end.
start=$(lines)
xdotool key alt+g
go=$(wait_for "$start" ' key Alt\+G$' 5) || fail "the second Alt+G did not arrive"
done_line=$(wait_for "$go" ' status Done !!' 60) || fail "the second run did not finish"
done_ms=$(ms "$(time_at "$go")" "$(time_at "$done_line")")
gap2=$(longest_gap "$go" "$done_line")
sed -n "${done_line}p" "$trace" | grep -qE 'Done !! [1-9][0-9]* placemarks' ||
  fail "the status does not give the count: $(sed -n "${done_line}p" "$trace")"
"$convert" -q -o "$work/reference.kml" "$log"
cmp -s "$kml" "$work/reference.kml" || fail "the window's KML differs from the batch converter's"
rm -f "$work/reference.kml"
wait_for "$done_line" ' status Ready$' 10 >/dev/null || fail "the status did not go back to Ready"
# The result panel widens the window; the first run, cancelled, left it as it was.
size=$(xdotool getwindowgeometry "$window" | awk '/Geometry:/ { print $2 }')
[ "$size" = 841x214 ] || fail "the window with its result is $size, not 841x214"

# 3. The log again from the recent logs, then Tab to Exit and Enter.
start=$(lines)
xdotool key Down
sleep 0.3
xdotool key Return
sleep 0.3
start=$(lines)
for _ in $(seq 8); do
  xdotool key Tab
  sleep 0.2
  [ -n "$(line_of "$start" ' focus btnExit$')" ] && break
done
wait_for "$start" ' focus btnExit$' 1 >/dev/null || fail "Tab did not reach Exit"
# Tab passes Go only when it is enabled: the recent log was loaded again.
[ -n "$(line_of "$start" ' focus btnGo$')" ] || fail "Go was not enabled again from the recent logs"
t0=$(date +%s%N)
xdotool key Return
status=0
# tail looks at the process every 10 ms (its own default is a second).
timeout 10 tail --pid="$app" -s 0.01 -f /dev/null || fail "Enter on Exit did not end the program"
exit_ms=$((($(date +%s%N) - t0) / 1000000))
wait "$app" || status=$?
[ "$status" -eq 0 ] || fail "Enter on Exit ended the program with status $status"
grep -q ' status Converting' <(tail -n +"$start" "$trace") && fail "Enter on Exit started Go"
[ -e "$kml" ] || fail "the KML is gone"
rm -f "$kml"

longest=$((gap1 > gap2 ? gap1 : gap2))
gap_text="$longest ms"
[ "$longest" -gt 0 ] || gap_text="under 20 ms" # the trace notes gaps from 20 ms on
echo "200 MB log: Go to first progress paint $first_paint_ms ms (the 1 s pause included)," \
  "longest event-loop gap while converting $gap_text, cancel $cancel_ms ms, Go to \"Done !!\" $done_ms ms," \
  "Enter on Exit to the end of the process $exit_ms ms"
# The window is gone at once; a process that lingers a second after it is a fault.
[ "$exit_ms" -le 1000 ] || fail "the process took $exit_ms ms to end after Exit"
[ "$longest" -le "$max_gap_ms" ] || fail "the event loop stood still for $longest ms"
