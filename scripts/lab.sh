# Sourced by the scripts: a test lab. A private Wine prefix, one Wine server
# for the whole run, an X server for windows, and virtual serial lines (pty
# pairs) mapped to COM ports of the prefix, some of them with a simulated ZOR
# unit on the far end. Wine is the project's Wine root (scripts/wine), which
# runs both Windows builds.
#
# Inputs: ZOR_ROOT (the checkout), ZOR_BUILD (build tree, default
# $ZOR_ROOT/build), ZOR_LAB_DIR (the lab's folder, default $ZOR_BUILD/lab).
# Each lab has its own folder and, inside it, its own Wine prefix, so that
# labs of the test run, the run command and the benchmarks can run at once
# without stopping each other's Wine server or remapping each other's ports.
# Call lab_begin before starting anything: everything started from then on
# is stopped by lab_stop, also when the script fails or is interrupted.

: "${ZOR_BUILD:=$ZOR_ROOT/build}"
export ZOR_ROOT ZOR_BUILD
LAB=${ZOR_LAB_DIR:-$ZOR_BUILD/lab}
ZORSIM=$ZOR_BUILD/host/zorsim/zorsim
# Not exported: inside the root, scripts/wine sets Wine's own variables.
WINELOADER=$ZOR_ROOT/scripts/wine
WINESERVER=$ZOR_ROOT/scripts/wineserver
export WINEPREFIX=$LAB/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export ZOR_LAB=$LAB

lab_pids=()
lab_xvfb_pid=
lab_port_regs=()
lab_server_started=

lab_log() { echo "lab: $*" >&2; }

# True as soon as COMMAND succeeds, tried every 50 ms; false after SECONDS.
lab_wait_until() { # SECONDS COMMAND...
  local seconds=$1 i
  shift
  for ((i = 0; i < seconds * 20; i++)); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}

lab_wait_for() { # PATH SECONDS
  lab_wait_until "$2" test -e "$1" && return 0
  lab_log "timed out waiting for $1"
  return 1
}

# The clean-up trap first, then the lab's folder: whatever a later step
# starts is stopped even if that step times out.
lab_begin() {
  trap lab_stop EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  mkdir -p "$LAB"
}

# True when this machine runs 32-bit x86 code at all (see ia32_probe.c); the
# 32-bit build can run under Wine's WoW64 mode only then.
lab_runs_32bit() {
  local probe=$ZOR_BUILD/ia32_probe
  if [ ! -x "$probe" ] || [ "$ZOR_ROOT/scripts/ia32_probe.c" -nt "$probe" ]; then
    mkdir -p "$ZOR_BUILD"
    cc -O2 -o "$probe" "$ZOR_ROOT/scripts/ia32_probe.c" || return 1
  fi
  # Run by a shell of its own, which reports the expected fault to /dev/null.
  sh -c '"$0" && exit 0; exit 1' "$probe" 2>/dev/null
}

# Made on the lab's own display: made on another lab's display (the run
# command inherits the test run's), the new prefix was seen left half made.
# A prefix is complete once its registry is on disk. One without it was left
# by an interrupted run, and Wine would take its update mark for a finished
# set-up: it is made again from nothing.
lab_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    lab_log "creating the Wine prefix $WINEPREFIX"
    rm -rf --one-file-system "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    lab_server_started=1
    "$WINELOADER" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w
  fi
}

# An X server of the lab's own; it picks a free display number itself.
lab_display() {
  if [ -n "${ZOR_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
    return 0
  fi
  local fifo=$LAB/xvfb.display n=
  rm -f "$fifo"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  lab_xvfb_pid=$!
  read -r -t 10 n <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$n" ]; then
    lab_log "the X server did not start"
    return 1
  fi
  export DISPLAY=":$n"
}

# lab_pair NAME: a pty pair; its ends are $LAB/NAME-a and $LAB/NAME-b.
lab_pair() {
  socat "pty,raw,echo=0,link=$LAB/$1-a" "pty,raw,echo=0,link=$LAB/$1-b" >/dev/null 2>&1 &
  lab_pids+=($!)
  lab_wait_for "$LAB/$1-a" 10
  lab_wait_for "$LAB/$1-b" 10
}

# lab_unit NAME [zorsim options]: a simulated unit on a pty of its own; the
# tool's end is $LAB/NAME.tty, commands go to $LAB/NAME.ctl, the unit's state
# is in $LAB/NAME.state and its traffic in $LAB/NAME.log.
lab_unit() {
  local name=$1
  shift
  rm -f "$LAB/$name".{tty,ctl,state,log}
  "$ZORSIM" --link "$LAB/$name.tty" --control "$LAB/$name.ctl" --state "$LAB/$name.state" \
    --log "$LAB/$name.log" "$@" >"$LAB/$name.out" 2>&1 &
  lab_pids+=($!)
  lab_wait_for "$LAB/$name.tty" 10
  lab_wait_for "$LAB/$name.state" 10
}

# lab_port COMn PATH: the prefix opens PATH for \\.\COMn.
lab_port() {
  lab_port_regs+=("\"$1\"=\"$2\"")
}

# Writes the port map into the prefix and (re)starts the lab's Wine server,
# which reads the map when it starts, for the whole run.
lab_apply_ports() {
  local reg=$LAB/ports.reg
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
    printf '%s\n' "${lab_port_regs[@]}"
  } >"$reg"
  lab_server_started=1
  "$WINELOADER" regedit /S "$reg" >/dev/null 2>&1
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
  # The server becomes the controlling process of the first pty it opens, so
  # a unit's line pulled out (zorsim's unplug) sends it SIGHUP, on which it
  # writes a dump of its objects: that goes to a file of the lab's own.
  "$WINESERVER" -p 2>>"$LAB/wineserver.log"
  # Start Wine's own services now, with their output going nowhere: started
  # by the first test they would inherit its output pipe and keep ctest
  # waiting for it to close.
  "$WINELOADER" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# The standard lab of the test run:
#   COM5 <-> COM6  a plain pty pair, both ends in Wine (serial port tests)
#   COM7           simulated unit "unit" (device tests)
#   COM8           simulated unit "console" (the program's end-to-end tests)
#   COM11          simulated unit "zorctl" (zorctl's end-to-end tests); it
#                  answers only while the line's rate and parity match its own
#   COM12          a listed port that never opens (its device is a folder)
lab_start() {
  lab_begin
  lab_display
  lab_prefix
  lab_pair loop
  lab_port COM5 "$LAB/loop-a"
  lab_port COM6 "$LAB/loop-b"
  if [ -x "$ZORSIM" ]; then
    lab_unit unit --still
    lab_port COM7 "$LAB/unit.tty"
    lab_unit console --still
    lab_port COM8 "$LAB/console.tty"
    lab_unit zorctl --still --strict-line
    lab_port COM11 "$LAB/zorctl.tty"
  fi
  lab_port COM12 "$LAB"
  lab_apply_ports
}

lab_stop() {
  local pid
  [ -n "$lab_server_started" ] && "$WINESERVER" -k 2>/dev/null || true
  for pid in "${lab_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  [ -n "$lab_xvfb_pid" ] && kill "$lab_xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  lab_pids=()
  lab_xvfb_pid=
  lab_server_started=
}
