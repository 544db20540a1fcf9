; The per-user setup of the Nimbara tray client: puts Nimbara.exe into a folder the user can
; write to (the self-update replaces it there), writes InstallDir, a Start-menu entry, the
; uninstall entry and, when its box stays ticked, the start at log-on, and starts the client.
; The uninstaller takes all of it away again and asks whether to keep the settings.
; usage: makensis -DPROGRAM=PATH/Nimbara.exe -DOUTFILE=PATH/Nimbara-Setup-1.0.0.exe nimbara.nsi
; Silent: Nimbara-Setup-1.0.0.exe /S [/D=FOLDER]; Uninstall.exe /S keeps the settings.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define VERSION "1.0.0"
!define PUBLISHER "Qelto"
!define PRODUCT_KEY "Software\Qelto\Nimbara"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Nimbara"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define NAMESPACE "{5E1A7C20-3B9D-4F62-A8D1-7C04E9B2F318}"

Name "Nimbara"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Nimbara"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "Nimbara"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "Nimbara Setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define MUI_FINISHPAGE_RUN "$INSTDIR\Nimbara.exe"
!define MUI_FINISHPAGE_RUN_PARAMETERS "/tray"
!define MUI_FINISHPAGE_RUN_TEXT "Nimbara jetzt starten"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

; Waits up to ten seconds for a program file that a client which was asked to end still holds.
!macro DeleteWhenFree FILE
  StrCpy $R1 0
  ${Do}
    ClearErrors
    Delete "${FILE}"
    ${IfNot} ${Errors}
    ${OrIf} $R1 >= 40
      ${Break}
    ${EndIf}
    Sleep 250
    IntOp $R1 $R1 + 1
  ${Loop}
!macroend

Section "Nimbara (erforderlich)" SectionProgram
  SectionIn RO
  ; The running client ends first, whichever folder it was started from: its file is in use.
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  File "/oname=Nimbara.exe" "${PROGRAM}"
  ExecWait '"$PLUGINSDIR\Nimbara.exe" /stop'
  SetOutPath "$INSTDIR"
  !insertmacro DeleteWhenFree "$INSTDIR\Nimbara.exe"
  File "/oname=Nimbara.exe" "${PROGRAM}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKCU "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\Nimbara.lnk" "$INSTDIR\Nimbara.exe" "/tray"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Nimbara"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Nimbara.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The same value the Settings page writes for "Beim Anmelden starten".
Section "Beim Anmelden starten" SectionRun
  WriteRegStr HKCU "${RUN_KEY}" "Nimbara" "$INSTDIR\Nimbara.exe /tray"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionProgram} "Das Programm Nimbara für Ihr Benutzerkonto."
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionRun} "Nimbara startet bei jeder Anmeldung im Infobereich."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; The client takes its drive away before it ends; its file is in use until it has ended.
Section "Uninstall"
  ExecWait '"$INSTDIR\Nimbara.exe" /umount'
  ExecWait '"$INSTDIR\Nimbara.exe" /stop'
  !insertmacro DeleteWhenFree "$INSTDIR\Nimbara.exe"
  Delete "$INSTDIR\Nimbara.bak"
  Delete "$INSTDIR\Nimbara.new"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Nimbara.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Nimbara"
  DeleteRegKey HKCU "Software\Microsoft\Windows\CurrentVersion\Explorer\MyComputer\NameSpace\${NAMESPACE}"
  DeleteRegKey HKCU "Software\Microsoft\Windows\CurrentVersion\Explorer\Desktop\NameSpace\${NAMESPACE}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${IfNot} ${Silent}
    MessageBox MB_YESNO|MB_ICONQUESTION "Sollen Ihre Einstellungen und Logindaten für eine spätere Installation erhalten bleiben?" IDYES keep
    DeleteRegKey HKCU "${PRODUCT_KEY}"
    keep:
  ${EndIf}
SectionEnd
