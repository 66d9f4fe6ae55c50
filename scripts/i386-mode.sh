#!/usr/bin/env bash
# Tells how this machine runs 32-bit x86 (i386) Linux programs, such as
# 32-bit Wine's loader, by starting a tiny static i386 program and looking at
# the process the kernel made of it. Prints one line:
#   native                  the kernel runs it itself
#   emulated INTERPRETER    a binfmt_misc entry hands it to INTERPRETER (qemu-i386)
#   none                    it does not run (or took longer than 20 s to start)
# A binfmt_misc entry for i386 takes precedence over the kernel's own loader,
# so "emulated" says what really happens, whether or not the kernel could run
# it natively; that same entry can't make a kernel that refuses i386 look native.
#   --describe   a line for people instead: "native 32-bit", "emulated 32-bit
#                (qemu-i386 10.0.2)" or "no 32-bit programs run"
#   --require    the same line, but where no 32-bit program runs it says so on
#                stderr and fails (scripts/install-deps.sh makes them run)
set -euo pipefail

# A static i386 ELF of 123 bytes, loaded at 0x08048000: it writes one byte to
# stdout, waits for one byte (or the end) on stdin, then exits with 0.
write_probe() {
  {
    # ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    # One loadable segment: the whole file, readable and executable.
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    printf '\x7b\x00\x00\x00\x7b\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    # push '.'; write(1, esp, 1); read(0, esp, 1); exit(0)
    printf '\x6a\x2e\xb8\x04\x00\x00\x00\xbb\x01\x00\x00\x00\x89\xe1\xba\x01\x00\x00\x00\xcd\x80'
    printf '\xb8\x03\x00\x00\x00\x31\xdb\xcd\x80'
    printf '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'
  } >"$1"
  chmod +x "$1"
}

# Runs the probe and prints the mode. While the probe waits on stdin, its
# /proc entry shows what the kernel runs: the probe itself, or an interpreter.
probe_mode() {
  local probe=$1 mark exe=""
  coproc probe_run { exec "$probe" 2>/dev/null; }
  # Bash forgets a coprocess's descriptors once it has ended.
  local pid=$! out=${probe_run[0]:-} in=${probe_run[1]:-} status=0
  [ -n "$out" ] && { IFS= read -r -t 20 -N 1 -u "$out" mark || status=$?; }
  if [ -n "$out" ] && [ "$status" -eq 0 ]; then
    exe=$(readlink "/proc/$pid/exe" || true)
    exec {in}>&-  # the probe reads the end of its input and exits
  elif [ "$status" -gt 128 ]; then
    kill "$pid" 2>/dev/null || true  # still starting after 20 s
  fi
  wait "$pid" 2>/dev/null || true
  if [ -z "$exe" ]; then
    echo none
  elif [ "$exe" -ef "$probe" ]; then
    echo native
  else
    echo "emulated $exe"
  fi
}

describe() {
  case $1 in
    native) echo "native 32-bit" ;;
    none) echo "no 32-bit programs run" ;;
    emulated*) echo "emulated 32-bit ($("${1#emulated }" --version | sed -n '1s/ version \([^ ]*\).*/ \1/p'))" ;;
  esac
}

# In the project's build folder: a temporary folder may forbid running programs.
build="$(cd "$(dirname "$0")/.." && pwd)/build"
mkdir -p "$build"
probe=$(mktemp "$build/i386-probe.XXXXXX")
trap 'rm -f "$probe"' EXIT
write_probe "$probe"
mode=$(probe_mode "$probe")
case ${1:-} in
  --describe) describe "$mode" ;;
  --require)
    if [ "$mode" = none ]; then
      echo "No 32-bit program runs here, and so neither does the product:" \
        "scripts/install-deps.sh makes them run." >&2
      exit 1
    fi
    describe "$mode"
    ;;
  *) echo "$mode" ;;
esac
