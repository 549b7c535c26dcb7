# Sourced by the scripts: a private X display (Xvfb) unless one is given, and the build
# tree's own Wine prefix kept warm by a persistent wineserver. Call kv_env_stop at the end.
kv_env_start() {
  local build=$1
  export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}" WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=d;mshtml=d}"
  KV_XVFB_PID=""
  if [ -z "${DISPLAY:-}" ] || [ "${KELVORA_OWN_DISPLAY:-1}" = 1 ]; then
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    KV_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "preparing the Wine prefix $WINEPREFIX (once)" >&2
    wineboot -i >/dev/null 2>&1 </dev/null || true
  fi
  # Without a window manager Wine waits about 2 s for every closing dialog unless its windows
  # are unmanaged.
  if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
  fi
  # wineboot and reg return while their server and Wine's services still run on their way out.
  # Made persistent then, that server ends anyway and the first test starts the services anew,
  # handing them its own output pipe: ctest then waits for that pipe until the test's timeout.
  # So wait until the prefix is quiet, then start one persistent server for the whole run.
  timeout 120 wineserver -w >/dev/null 2>&1 </dev/null || true
  setsid wineserver -p >/dev/null 2>&1 </dev/null || true
  # Start Wine's background services once with their output detached: started by the first
  # test instead, they would keep ctest's output pipe open and stall it.
  wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}
kv_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${KV_XVFB_PID:-}" ] && kill "$KV_XVFB_PID" 2>/dev/null || true
}
