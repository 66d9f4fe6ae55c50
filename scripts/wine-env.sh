# Prepares the shell for running the Windows build under Wine; `source` it.
# Sets an isolated, headless environment inside build/, starts Xvfb on a fixed
# display, creates the Wine prefix once and keeps one wineserver alive between
# runs. Safe to source again: work already done is skipped, and it is quiet.
#
# Exports QM_WINE, the loader to run the programs with. QM_WINE_ARCH=win64
# selects 64-bit Wine and a prefix of its own, for the 64-bit build. Where no
# 32-bit program runs (a kernel that runs none, before scripts/install-deps.sh
# has set up qemu-user for them), sourcing it for the 32-bit build fails with
# a message.

qm_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
qm_display=${QM_DISPLAY:-:77}  # QM_DISPLAY: another X display, for a second work tree

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME="$qm_root/build/winehome"
export XDG_DATA_HOME="$HOME/.local/share" XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache"
export DISPLAY=$qm_display

qm_i386_runs() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

if [ "${QM_WINE_ARCH:-win32}" = win64 ]; then
  export WINEARCH=win64 WINEPREFIX="$qm_root/build/wineprefix64" QM_WINE=/usr/lib/wine/wine64
else
  export WINEARCH=win32 WINEPREFIX="$qm_root/build/wineprefix" QM_WINE=wine
  if ! qm_i386_runs; then
    echo "wine-env.sh: 32-bit Wine does not run here" \
      "($("$qm_root/scripts/i386-mode.sh" --describe)); scripts/install-deps.sh makes it run." >&2
    return 1
  fi
fi
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"

# Runs a command with no inherited descriptors besides /dev/null, so that the
# Xvfb and Wine services it leaves running hold no pipe of the caller (CTest
# waits until every holder of its output pipe has closed it).
qm_exec_without_fds() {
  for fd in /proc/$BASHPID/fd/*; do
    fd=${fd##*/}
    [ "$fd" -gt 2 ] && eval "exec $fd>&-"
  done
  exec "$@"
}
qm_detached() { (qm_exec_without_fds "$@") </dev/null >/dev/null 2>&1; }

# One X server on the fixed display, started once (a lock file left by a
# server that is gone does not count).
qm_x_lock="/tmp/.X${qm_display#:}-lock"
if ! { [ -f "$qm_x_lock" ] && kill -0 "$(tr -d ' ' <"$qm_x_lock")" 2>/dev/null; }; then
  rm -f "$qm_x_lock" "/tmp/.X11-unix/X${qm_display#:}"
  (qm_exec_without_fds Xvfb "$qm_display" -screen 0 1024x768x24 -nolisten tcp) </dev/null >/dev/null 2>&1 &
  for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X${qm_display#:}" ] && break; sleep 0.1; done
fi

# The prefix, made once. Managed=N: without a window manager Wine otherwise
# waits about two seconds whenever a dialog is hidden.
if ! [ -f "$WINEPREFIX/.qm-ready" ]; then
  qm_detached "$QM_WINE" wineboot -i
  qm_detached "$QM_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
  wineserver -w
  touch "$WINEPREFIX/.qm-ready"
fi

# One persistent wineserver for this prefix, so that each program starts
# quickly; the first program after it starts Wine's services, here detached.
if ! wineserver -k0 2>/dev/null; then
  qm_detached wineserver -p
  qm_detached "$QM_WINE" cmd /c exit
fi
unset qm_root qm_display qm_x_lock
unset -f qm_detached qm_exec_without_fds qm_i386_runs
