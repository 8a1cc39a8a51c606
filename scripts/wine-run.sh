#!/usr/bin/env bash
# Runs one Windows program under 32-bit Wine for CTest (the cross-compiling emulator).
# usage: wine-run.sh PREFIX_DIR PROGRAM [ARGS...]
# The Wine prefix lives in the build folder and is made on first use; Wine's debug output is
# off; when no X display is set, one virtual display (Xvfb) is shared by the build folder's
# tests. Parallel tests share the prefix and the display, which both are made under a lock.
set -euo pipefail
prefix=$1
shift

export WINEPREFIX=$prefix
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No prompts to install Mono or Gecko (our programs need neither), and no crash debugger:
# a crashing test ends at once instead of waiting in the debugger.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}

state_dir=$(dirname "$prefix")/wine-state
mkdir -p "$state_dir"

start_display() {
  local pidfile=$state_dir/xvfb.pid displayfile=$state_dir/xvfb.display
  if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
    DISPLAY=$(cat "$displayfile")
    return
  fi
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  # Detached and with its own output files, so that CTest does not wait for it.
  setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$state_dir/xvfb.log" 2>&1 </dev/null 9>&- &
  echo $! >"$pidfile"
  echo ":$n" >"$displayfile"
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.05
  done
  DISPLAY=":$n"
}

{
  flock 9
  if [ -z "${DISPLAY:-}" ]; then
    start_display
    export DISPLAY
  fi
  if [ ! -f "$prefix/.velmoran-ready" ]; then
    wineboot --init >"$state_dir/wineboot.log" 2>&1 </dev/null
    # Without a window manager Wine draws frames and captions itself.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$state_dir/wineboot.log" 2>&1 </dev/null
    wineserver -w
    touch "$prefix/.velmoran-ready"
  fi
} 9>"$state_dir/lock"

exec wine "$@"
