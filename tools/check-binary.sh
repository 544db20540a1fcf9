#!/usr/bin/env bash
# Checks a built Nimbara.exe: GUI subsystem, ASLR and DEP flags (and high-entropy ASLR on
# 64-bit), no symbols left (release), and imports of Windows system DLLs only.
# usage: check-binary.sh OBJDUMP EXE 32|64
set -u
objdump="$1" exe="$2" bits="$3"
headers="$("$objdump" -p "$exe")" || exit 1
fail=0
problem() { echo "$exe: $*"; fail=1; }

grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || problem "not the GUI subsystem"
flags=$(awk '/^DllCharacteristics/ {print $2}' <<<"$headers")
(( 16#$flags & 0x40 )) || problem "no ASLR (--dynamicbase)"
(( 16#$flags & 0x100 )) || problem "no DEP (--nxcompat)"
if [ "$bits" = 64 ]; then
  (( 16#$flags & 0x20 )) || problem "no high-entropy ASLR (--high-entropy-va)"
fi
"$objdump" -t "$exe" 2>/dev/null | grep -q 'no symbols' || problem "symbols left in the release build"

allowed='^(kernel32|user32|gdi32|advapi32|shell32|comctl32|wininet|mpr|shfolder|ole32|msvcrt)\.dll$'
imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers")
[ -n "$imports" ] || problem "no imports found"
for dll in $imports; do
  [[ $dll =~ $allowed ]] || problem "imports $dll, which is not a Windows system DLL"
done
[ $fail = 0 ] && echo "$exe: GUI, ASLR, DEP$([ "$bits" = 64 ] && echo ', high-entropy ASLR'), stripped; imports: $(echo $imports)"
exit $fail
