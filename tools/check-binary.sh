#!/usr/bin/env bash
# Checks a built Nimbara.exe: GUI subsystem, ASLR and DEP flags (and high-entropy ASLR on
# 64-bit), no symbols left (release), imports of Windows system DLLs only, and its resources.
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
# The resources as Windows reads them: the menu's texts in Windows-1252 ("\326" is "Ö"), both
# tray icons in 16, 32 and 48 pixels, version 1.0.0.0 and the manifest for common controls 6.
rc=$("${objdump%objdump}windres" -J coff -i "$exe" -O rc 2>/dev/null)
grep -qF 'MENUITEM L"&\326ffnen", 4009' <<<"$rc" || problem "no menu item \"&Öffnen\" (4009)"
for id in 108 112; do
  sizes=$(sed -n "/^$id 14 /,/^END/p" <<<"$rc" | grep -o '"\\0[0-9]*' | tr -d '"\\' | tr '\n' ' ')
  [ "$sizes" = "020 040 060 " ] || problem "icon $id is not 16, 32 and 48 pixels ($sizes)"
done
grep -q '^ FILEVERSION 1, 0, 0, 0$' <<<"$rc" && grep -q '^ PRODUCTVERSION 1, 0, 0, 0$' <<<"$rc" ||
  problem "not version 1.0.0.0"
manifest=$(strings -n 8 "$exe" | tr -d '\n')
for part in 'name="Nimbara.exe"' 'name="Microsoft.Windows.Common-Controls"' 'version="6.0.0.0"'; do
  grep -qF "$part" <<<"$manifest" || problem "manifest without $part"
done
[ $fail = 0 ] && echo "$exe: GUI, ASLR, DEP$([ "$bits" = 64 ] && echo ', high-entropy ASLR'), stripped, resources; imports: $(echo $imports)"
exit $fail
