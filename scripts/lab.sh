# Sourced by the scripts: the test lab. A private Wine prefix in the build
# tree, one Wine server for the whole run, an X server for windows, and
# virtual serial lines (pty pairs) mapped to COM ports of the prefix, some of
# them with a simulated ZOR unit on the far end.
#
# Inputs: ZOR_ROOT (the checkout), ZOR_BUILD (build tree, default
# $ZOR_ROOT/build). Everything started here is stopped by lab_stop.

: "${ZOR_BUILD:=$ZOR_ROOT/build}"
LAB=${ZOR_LAB_DIR:-$ZOR_BUILD/lab}
ZORSIM=$ZOR_BUILD/host/zorsim/zorsim
WINESERVER=/usr/lib/wine/wineserver64
export WINEPREFIX=$ZOR_BUILD/wine-prefix
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export ZOR_LAB=$LAB
# Code page 1250 for the Czech texts: Wine takes it from the locale.
export LC_ALL=cs_CZ.UTF-8

lab_pids=()
lab_xvfb_pid=
lab_port_regs=()

lab_log() { echo "lab: $*" >&2; }

lab_wait_for() { # PATH SECONDS
  local i
  for ((i = 0; i < $2 * 20; i++)); do
    [ -e "$1" ] && return 0
    sleep 0.05
  done
  lab_log "timed out waiting for $1"
  return 1
}

lab_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    lab_log "creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$WINELOADER" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w
  fi
}

lab_display() {
  if [ -n "${ZOR_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
    return 0
  fi
  local n
  for ((n = 90; n < 200; n++)); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  lab_xvfb_pid=$!
  lab_wait_for "/tmp/.X11-unix/X$n" 10
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

# Writes the port map into the prefix; the Wine server must be restarted
# afterwards for the ports to appear.
lab_apply_ports() {
  local reg=$LAB/ports.reg
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
    printf '%s\n' "${lab_port_regs[@]}"
  } >"$reg"
  "$WINELOADER" regedit /S "$reg" >/dev/null 2>&1
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
}

# The standard lab of the test run:
#   COM5 <-> COM6  a plain pty pair, both ends in Wine (serial port tests)
#   COM7           simulated unit "unit" (device tests)
#   COM8           simulated unit "console" (the program's end-to-end tests)
#   COM11          simulated unit "zorctl" (zorctl's end-to-end tests); it
#                  answers only while the line's rate and parity match its own
#   COM12          a listed port that never opens (its device is a folder)
lab_start() {
  mkdir -p "$LAB"
  lab_prefix
  lab_display
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
  "$WINESERVER" -p
  # Start Wine's own services now, with their output going nowhere: started
  # by the first test they would inherit its output pipe and keep ctest
  # waiting for it to close.
  "$WINELOADER" cmd /c exit </dev/null >/dev/null 2>&1 || true
  trap lab_stop EXIT
}

lab_stop() {
  local pid
  "$WINESERVER" -k 2>/dev/null || true
  for pid in "${lab_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  [ -n "$lab_xvfb_pid" ] && kill "$lab_xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  lab_pids=()
  lab_xvfb_pid=
}
