; The Windows installer. scripts/windows/package makes it with
;   makensis -DVERSION=<x.y.z> -DDIST=<program folder> -DFILES=<file lists> -DTITLE=<caption>
;            -DOUTFILE=<MovraSetup-x.y.z.exe> movra.nsi
; FILES names a folder holding install-files.nsh and uninstall-files.nsh, the lists of
; the program folder's files (without PTDATA) that package writes.
; Silent install: MovraSetup-x.y.z.exe /S [/D=C:\path]; silent removal: Uninstall.exe /S.
; The users' own data under %LOCALAPPDATA%\Movra is never touched, nor a PTDATA folder
; beside the program.
; A 64-bit installer: the program is 64-bit, and so it runs on a 64-bit-only Wine too.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"

!define PRODUCT "Movra"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${TITLE}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "Software\${PRODUCT}" "InstallDir"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${TITLE}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${TITLE} Setup"
VIAddVersionKey "LegalCopyright" ""

!define MUI_ICON "${DIST}\Image\PTLogo.ico"
!define MUI_UNICON "${DIST}\Image\PTLogo.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\MovraT.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Program"
  SetShellVarContext all
  !include "${FILES}\install-files.nsh"

  ; The empty database for a program folder the user may write to; an existing one
  ; holds the user's readings and stays as it is.
  SetOverwrite off
  SetOutPath "$INSTDIR\PTDATA\Data"
  File "${DIST}\PTDATA\Data\movradata1.dat"
  SetOverwrite on
  SetOutPath "$INSTDIR"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateDirectory "$SMPROGRAMS\${TITLE}"
  CreateShortcut "$SMPROGRAMS\${TITLE}\${TITLE}.lnk" "$INSTDIR\MovraT.exe" "" "$INSTDIR\Image\PTLogo.ico"
  CreateShortcut "$SMPROGRAMS\${TITLE}\Uninstall ${TITLE}.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "Software\${PRODUCT}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${TITLE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\MovraT.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  !include "${FILES}\uninstall-files.nsh"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$SMPROGRAMS\${TITLE}\${TITLE}.lnk"
  Delete "$SMPROGRAMS\${TITLE}\Uninstall ${TITLE}.lnk"
  RMDir "$SMPROGRAMS\${TITLE}"
  ; Only empty folders go: PTDATA and anything the user put here stay.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\${PRODUCT}"
SectionEnd
