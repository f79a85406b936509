; The Windows installer: remorra.exe, remorra-ir.exe and Original.xml in one
; program folder, a Start-menu shortcut and an entry in the system's list of
; programs. Built by the mingw build's `installer` target:
;   makensis -DVERSION=1.0.1.0 -DSTAGE=DIR -DOUTFILE=FILE -DICON=FILE remorra.nsi
; The user's settings and profiles (Documents\Remorra) are never touched.
; A 64-bit installer for the 64-bit program: it runs where the program does,
; in the 64-bit Program Files and registry view.
Target amd64-unicode
!include FileFunc.nsh

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Remorra"

Name "Remorra ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Remorra"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
Icon "${ICON}"
UninstallIcon "${ICON}"
BrandingText "Remorra ${VERSION}"

; The installer's own version block carries the program's.
VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Remorra"
VIAddVersionKey /LANG=1033 "CompanyName" "Remorra"
VIAddVersionKey /LANG=1033 "FileDescription" "Remorra Remote Control Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" ""

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The shortcut for every user.
Function .onInit
  SetShellVarContext all
FunctionEnd

Section "Remorra"
  SetOutPath "$INSTDIR"
  File "${STAGE}/remorra.exe"
  File "${STAGE}/remorra-ir.exe"
  File "${STAGE}/Original.xml"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Remorra.lnk" "$INSTDIR\remorra.exe" "" "$INSTDIR\remorra.exe" 0

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "Remorra"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "Remorra"
  WriteRegStr HKLM "${UNINST_KEY}" "Comments" "Remorra Remote Control"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\remorra.exe,0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

; Only what the installer put there; the folder goes when nothing else is left.
Section "Uninstall"
  Delete "$INSTDIR\remorra.exe"
  Delete "$INSTDIR\remorra-ir.exe"
  Delete "$INSTDIR\Original.xml"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Remorra.lnk"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
