; The Windows installer: the program in Program Files, a Start menu entry, an
; entry under "Open with" for TGA and BMP pictures (their default program stays
; as it is), and an uninstaller that takes all of it away again.
;   makensis -DVERSION=1.01 -DSTAGE=folder -DOUTFILE=setup.exe data/vornsplineedit.nsi
; STAGE holds vornsplineedit.exe, README.txt and LICENSE.txt.

Unicode true
; The default stubs are 32-bit, which a Windows (or a Wine) without 32-bit
; support cannot start.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!define NAME "VORN Spline Editor"
!define EXE "vornsplineedit.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\vornsplineedit"
!define APP_KEY "Software\Classes\Applications\${EXE}"

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${NAME}"
; A later install goes where the first one went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
Icon "${STAGE}\vornsplineedit.ico"
UninstallIcon "${STAGE}\vornsplineedit.ico"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "FileDescription" "${NAME} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "See LICENSE.txt"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles
LicenseData "${STAGE}\LICENSE.txt"

; The types the editor is offered for under "Open with".
!macro OpenWith ext
  WriteRegStr HKLM "Software\Classes\${ext}\OpenWithList\${EXE}" "" ""
  WriteRegStr HKLM "${APP_KEY}\SupportedTypes" "${ext}" ""
!macroend
; Only what we added: a key of the type's own (its default program) stays.
!macro ForgetOpenWith ext
  DeleteRegKey HKLM "Software\Classes\${ext}\OpenWithList\${EXE}"
  DeleteRegKey /ifnosubkeys /ifnovalues HKLM "Software\Classes\${ext}\OpenWithList"
  DeleteRegKey /ifnosubkeys /ifnovalues HKLM "Software\Classes\${ext}"
!macroend

Section
  SetShellVarContext all
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "${STAGE}\${EXE}"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\${EXE}"

  WriteRegStr HKLM "${APP_KEY}" "FriendlyAppName" "${NAME}"
  WriteRegStr HKLM "${APP_KEY}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
  !insertmacro OpenWith ".tga"
  !insertmacro OpenWith ".bmp"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Explorer refreshes its "Open with" lists.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section Uninstall
  SetShellVarContext all
  SetRegView 64
  ; File by file: a folder the user chose may hold other things.
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${NAME}.lnk"

  !insertmacro ForgetOpenWith ".tga"
  !insertmacro ForgetOpenWith ".bmp"
  DeleteRegKey HKLM "${APP_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
