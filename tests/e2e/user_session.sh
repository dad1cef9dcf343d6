#!/usr/bin/env bash
# Runs the built program as a user would, on the simulated instrument's shared
# library in a virtual X display: Start, REC, a few seconds, END, Exit, with
# real mouse clicks. Then checks the log file byte for byte where the bytes are
# fixed, and record by record where they carry live readings.
# Usage: user_session.sh PROGRAM SIM_LIBRARY_DIR
set -euo pipefail
program="$(realpath "$1")"
simdir="$(realpath "$2")"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

cat > session.sh <<'SESSION'
set -euo pipefail
program="$1"
# A real X window, whatever platform the test suite runs the rest on.
QT_QPA_PLATFORM=xcb "$program" 2>program.err &
pid=$!
window=""
for _ in $(seq 100); do
  window="$(xdotool search --onlyvisible --name '^Vexmoor$' 2>/dev/null | head -n 1 || true)"
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "the program ended at start-up:" >&2; cat program.err >&2; exit 1; }
  sleep 0.1
done
[ -n "$window" ] || { echo "no window appeared" >&2; kill "$pid"; exit 1; }
# Dialog units to pixels from the window's own size (241 x 162 units).
eval "$(xdotool getwindowgeometry --shell "$window")"
click() {  # centre of a control given in dialog units: x y width height
  local px=$(( (($1 * 2 + $3) * WIDTH) / (2 * 241) ))
  local py=$(( (($2 * 2 + $4) * HEIGHT) / (2 * 162) ))
  xdotool mousemove --window "$window" "$px" "$py" click 1
  sleep 0.3
}
click 15 47 28 14     # Start
click 191 90 26 14    # REC
sleep 4.5
click 191 106 26 14   # END
click 15 96 28 13     # Exit
for _ in $(seq 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "the program did not end on Exit" >&2
  kill "$pid"
  exit 1
fi
status=0
wait "$pid" || status=$?
if [ "$status" -ne 0 ]; then
  echo "the program ended with status $status; what it printed:" >&2
  cat program.err >&2
  exit 1
fi
SESSION

# In the sanitized suite, leaks are matched against tests/sanitizers/lsan.supp
# by the whole allocation stack, which Qt's libraries (built without frame
# pointers) give only to the slow unwinder. No effect on an ordinary build.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
LD_LIBRARY_PATH="$simdir" xvfb-run -a -s "-screen 0 1024x768x24" bash session.sh "$program"

log=U_z5data.txt
header=$'Time      t1(C)      t2(C)     t1-t2(C)   R1 (Ohm)  R2 (Ohm)\r\r'
marker=$'end recording\r\r'
fail() {
  echo "FAIL: $*" >&2
  [ -f "$log" ] && od -c "$log" | head -n 40 >&2
  echo "what the program printed:" >&2
  cat program.err >&2
  exit 1
}

[ -f "$log" ] || fail "no log file"
[ "$(tail -c 1 "$log" | od -An -c | tr -d ' ')" = '\n' ] || fail "the log does not end in a line feed"
mapfile -t lines < "$log"
[ "${#lines[@]}" -ge 5 ] || fail "expected a header, at least three records and an end marker, got ${#lines[@]} lines"
[ "${lines[0]}" = "$header" ] || fail "header bytes"
[ "${lines[-1]}" = "$marker" ] || fail "end marker bytes"

# Records: time, then the columns of valid readings on both sensors (64
# characters), or on sensor 1 alone before sensor 2 first answered (53).
both='^[0-2][0-9]:[0-5][0-9]:[0-5][0-9] [+]2[0-9]\.[0-9]{3}    [+]2[0-9]\.[0-9]{3}    [+-][0-9]\.[0-9]{3}     1[0-9]{2}\.[0-9]{4}   1[0-9]{2}\.[0-9]{4}   '$'\r''$'
first='^[0-2][0-9]:[0-5][0-9]:[0-5][0-9] [+]2[0-9]\.[0-9]{3}               1[0-9]{2}\.[0-9]{4}              '$'\r''$'
records=("${lines[@]:1:${#lines[@]}-2}")
for i in "${!records[@]}"; do
  record="${records[$i]}"
  if [ "$i" -eq 0 ] && grep -Eq "$first" <<<"$record"; then
    [ "${#record}" -eq 54 ] || fail "record $i length ${#record}"
    continue
  fi
  grep -Eq "$both" <<<"$record" || fail "record $i: '$record'"
  [ "${#record}" -eq 65 ] || fail "record $i length ${#record}"
done
echo "user session: ${#records[@]} records between header and end marker"
