#!/usr/bin/env bash
# zorsim against an independent Modbus master (mbpoll): reads the identity,
# the readings and the bus settings, writes a correction, follows control
# commands and, with --strict-line, ignores a master on the wrong line.
# Each case starts its own unit on its own pty.
#
# usage: mbpoll_test.sh PATH-TO-ZORSIM
set -uo pipefail
zorsim=$1
work=$(mktemp -d)
failures=0
checks=0
unit_pid=

stop_unit() {
  if [ -n "$unit_pid" ]; then
    kill -TERM "$unit_pid" 2>/dev/null
    wait "$unit_pid" 2>/dev/null
    unit_pid=
  fi
}
trap 'stop_unit; rm -rf "$work"' EXIT

start_unit() { # zorsim options...
  "$zorsim" --link "$work/tty" --control "$work/ctl" --state "$work/state" --log "$work/log" \
    "$@" >"$work/out" 2>&1 &
  unit_pid=$!
  for _ in $(seq 100); do
    [ -e "$work/state" ] && [ -e "$work/tty" ] && return 0
    sleep 0.05
  done
  echo "FAIL: zorsim did not start: $(cat "$work/out")"
  exit 1
}

# poll OPTIONS... : one mbpoll run against the unit; prints the values
# ("REF VALUE" per line) or the error text mbpoll gave.
poll() {
  mbpoll -m rtu -b 19200 -P even -1 -0 -o 0.5 "$@" "$work/tty" 2>&1 |
    sed -n 's/^\[\([0-9]*\)\]:[[:space:]]*\(-\?[0-9]*\).*/\1 \2/p; /failed/p'
}

# write REF VALUE [OPTIONS...]: a single holding register.
write() {
  local ref=$1 value=$2
  shift 2
  mbpoll -m rtu -b 19200 -P even -1 -0 -o 0.5 -t 4 -r "$ref" "$@" "$work/tty" "$value" 2>&1 |
    grep -E 'Written|failed'
}

state() { sed -n "s/^$1=//p" "$work/state"; }

command() { # waits until the unit has counted the command
  local before
  before=$(state commands)
  echo "$1" >"$work/ctl"
  for _ in $(seq 100); do
    [ "$(state commands)" != "$before" ] && return 0
    sleep 0.02
  done
  echo "FAIL: command '$1' was not taken"
  failures=$((failures + 1))
}

expect() { # NAME EXPECTED ACTUAL
  checks=$((checks + 1))
  if [ "$2" == "$3" ]; then
    echo "ok: $1"
  else
    echo "FAIL: $1"
    echo "  expected: $(printf '%s' "$2" | tr '\n' '|')"
    echo "  actual:   $(printf '%s' "$3" | tr '\n' '|')"
    failures=$((failures + 1))
  fi
}

lines() { printf '%s\n' "$@"; }

echo "== a unit with the factory settings"
start_unit --still --temperature -1234 --humidity 5555 --formaldehyde 42
expect "identity ZOR" "$(lines '0 23119' '1 20992' '2 0' '3 0')" "$(poll -a 1 -t 3 -r 0 -c 4)"
expect "firmware and serial" "$(lines '4 274' '5 1' '6 2')" "$(poll -a 1 -t 3 -r 4 -c 3)"
expect "readings (-12.34 degC as unsigned)" "$(lines '16 64302' '17 5555' '18 42')" \
  "$(poll -a 1 -t 3 -r 16 -c 3)"
expect "bus settings" "$(lines '512 1' '513 4' '514 2')" "$(poll -a 1 -t 4 -r 512 -c 3)"
expect "write a temperature correction" "Written 1 references." "$(write 256 150 -a 1)"
expect "the correction reads back" "256 150" "$(poll -a 1 -t 4 -r 256)"
expect "the reading includes it" "16 64452" "$(poll -a 1 -t 3 -r 16)"
expect "state: tcorr" "150" "$(state tcorr)"
expect "state: last_write" "256 150" "$(state last_write)"
expect "state: temperature" "-1084" "$(state temperature)"
expect "a correction over the limit is refused" "1" \
  "$(write 257 5001 -a 1 | grep -c 'Illegal data value')"
expect "the restart register cannot be read" "1" \
  "$(poll -a 1 -t 4 -r 1040 | grep -c 'Illegal data address')"
expect "another address gets no answer" "1" "$(poll -a 2 -t 3 -r 4 | grep -c 'timed out')"
expect "state: ignored" "1" "$(state ignored)"
expect "state: tool_line (a pty shows no even parity)" "19200 N" "$(state tool_line)"

echo "== control commands"
command "set address 7"
command "identity zor1"
command "fault silent"
expect "the new address is silent under the fault" "1" \
  "$(poll -a 7 -t 3 -r 0 -c 2 | grep -c 'timed out')"
command "fault none"
expect "identity zor1 at address 7" "$(lines '0 31343' '1 29233')" "$(poll -a 7 -t 3 -r 0 -c 2)"
command "bogus command"
expect "state: bad_commands" "1" "$(state bad_commands)"
command "reset"
expect "reset brings back address 1" "4 274" "$(poll -a 1 -t 3 -r 4)"
expect "state: commands counted" "6" "$(state commands)"

echo "== a restart takes the stored address"
write 512 9 -a 1 >/dev/null
expect "stored but not yet active" "1" "$(state address)"
expect "restart echo" "Written 1 references." "$(write 1040 21930 -a 1)"
sleep 0.6
expect "answers at 9 after the restart silence" "512 9" "$(poll -a 9 -t 4 -r 512)"
expect "state: restarts" "1" "$(state restarts)"
stop_unit
expect "stopping removes the link, the FIFO and the state file" "" \
  "$(ls "$work/tty" "$work/ctl" "$work/state" 2>/dev/null)"

echo "== --strict-line with the unit at 9600 odd"
start_unit --still --strict-line --baud 9600 --parity odd
expect "a master at 19200 even is ignored" "1" "$(poll -a 1 -t 3 -r 4 | grep -c 'timed out')"
expect "state: bad_frames" "1" "$(state bad_frames)"
expect "state: tool_line" "19200 N" "$(state tool_line)"
expect "a master at 9600 odd is answered" "4 274" "$(poll -a 1 -t 3 -r 4 -b 9600 -P odd)"
stop_unit

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
