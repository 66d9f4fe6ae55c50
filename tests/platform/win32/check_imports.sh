#!/bin/bash
# Fails unless every given program would start on Windows 95 and NT 4.0: the
# loader refuses a program that imports a function its system does not export,
# or that asks for a later subsystem. Checks, from objdump's reading of the PE
# headers, that each program
#   - asks for subsystem and OS version 4.0 at most,
#   - imports only from the DLLs of the table and only functions it lists
#     (tests/platform/win32/exports_95_nt4.txt), and only by name.
# Usage: check_imports.sh OBJDUMP TABLE PROGRAM...
set -euo pipefail
objdump=$1 table=$2
shift 2

check_program() {
  "$objdump" -p "$1" | awk -v program="$(basename "$1")" -v table="$table" '
    BEGIN {
      while ((getline line < table) > 0) {
        if (line ~ /^#/ || line ~ /^[ \t]*$/) continue
        if (line ~ /^\[/) { dll = toupper(substr(line, 2, length(line) - 2)); known[dll] = 1; continue }
        exported[dll SUBSEP line] = 1
      }
      faults = 0
    }
    function refuse(why) { print program ": " why; faults++ }
    /^Major(Subsystem|OSystem)Version/ { major[$1] = $2 }
    /^Minor(Subsystem|OSystem)Version/ { minor[$1] = $2 }
    /DLL Name:/ {
      dll = toupper($3); dlls++
      if (!(dll in known)) refuse("imports from " $3 ", which a bare Windows 95 lacks")
      next
    }
    /^\t[0-9a-f]+\t +[0-9]+ +[^ ]/ && dll != "" {
      name = $3; functions++
      if (dll in known && !((dll SUBSEP name) in exported))
        refuse("imports " name " from " dll ", not exported by Windows 95 and NT 4.0")
      next
    }
    /^\t[0-9a-f]+\t/ && /<none>|[Oo]rdinal/ && dll != "" { refuse("imports by ordinal from " dll) }
    /^$/ { if (dll != "") dll = "" }
    END {
      for (kind in major) {
        sub(/^Major/, "", kind)
        if (major["Major" kind] > 4 || (major["Major" kind] == 4 && minor["Minor" kind] > 0))
          refuse(kind " " major["Major" kind] "." minor["Minor" kind] " is above 4.0")
      }
      if (dlls == 0) refuse("no imports found")
      if (faults > 0) exit 1
      printf "%s: %d functions from %d DLLs, subsystem %d.%d, all there on Windows 95 and NT 4.0\n",
             program, functions, dlls, major["MajorSubsystemVersion"], minor["MinorSubsystemVersion"]
    }'
}

status=0
for program in "$@"; do
  check_program "$program" || status=1
done
exit $status
