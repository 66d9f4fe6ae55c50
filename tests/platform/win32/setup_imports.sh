#!/bin/bash
# Fails when setup.exe imports a function that the first Windows 95 release
# lacks: Windows refuses to start a program with an import it can't resolve,
# so such functions are looked up with GetProcAddress instead.
# Usage: setup_imports.sh OBJDUMP SETUP.EXE
set -euo pipefail
objdump=$1 exe=$2
imports=$("$objdump" -p "$exe")
if ! grep -q 'DLL Name: KERNEL32.dll' <<<"$imports"; then
  echo "no KERNEL32.dll imports found in $exe" >&2
  exit 1
fi
for name in GetDiskFreeSpaceExA; do
  if grep -qw "$name" <<<"$imports"; then
    echo "$exe imports $name, which the first Windows 95 lacks" >&2
    exit 1
  fi
done
