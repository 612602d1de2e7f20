; The Windows installer of Tessaly, built by scripts/windows with Debian's makensis:
;   makensis -DVERSION=1.0.0 -DOUTFILE=<installer.exe> -DFILE_LISTS=<folder> -DSIZE_KB=<n> tessaly.nsi
; FILE_LISTS holds install.nsh and uninstall.nsh, which scripts/windows writes from the program
; folder: every file installed is named, and so is every file the uninstaller deletes.
;
; Installed for the current user only, without asking for administrator rights: the program
; writes nothing beside itself, and its settings live in %APPDATA%\tessaly.ini.

Unicode true
; A 64-bit installer for a 64-bit program: it runs on every system the program runs on.
Target amd64-unicode
!include "MUI2.nsh"
!include "LogicLib.nsh"

!ifndef VERSION | OUTFILE | FILE_LISTS | SIZE_KB
  !error "scripts/windows passes VERSION, OUTFILE, FILE_LISTS and SIZE_KB"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaly"
!define APP_KEY "Software\Classes\Applications\tessaly.exe"
!define PROGID "Tessaly.Image"

Name "Tessaly"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tessaly"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel user
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "Tessaly"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileDescription" "Tessaly 安装程序"
VIAddVersionKey /LANG=2052 "LegalCopyright" "© 2026 Tessaly developers"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\tessaly.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; "Open with" for the image types Tessaly reads: it is offered in the list, never made the
; default program, so the extension's own default value is not touched.
!macro OpenWith EXT
  WriteRegStr HKCU "${APP_KEY}\SupportedTypes" "${EXT}" ""
  WriteRegStr HKCU "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKCU "Software\Classes\${EXT}\OpenWithList\tessaly.exe" "" ""
!macroend

; Takes away only our entries; a key is deleted only when nothing else is left in it, so
; another program's association (or the extension's default) stays.
!macro un.OpenWith EXT
  DeleteRegValue HKCU "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}"
  DeleteRegKey HKCU "Software\Classes\${EXT}\OpenWithList\tessaly.exe"
  DeleteRegKey /ifnosubkeys /ifnovalues HKCU "Software\Classes\${EXT}\OpenWithProgids"
  DeleteRegKey /ifnosubkeys /ifnovalues HKCU "Software\Classes\${EXT}\OpenWithList"
  DeleteRegKey /ifnosubkeys /ifnovalues HKCU "Software\Classes\${EXT}"
!macroend

!macro ForEachImageType MACRO
  !insertmacro ${MACRO} ".jpg"
  !insertmacro ${MACRO} ".jpeg"
  !insertmacro ${MACRO} ".png"
  !insertmacro ${MACRO} ".bmp"
  !insertmacro ${MACRO} ".gif"
  !insertmacro ${MACRO} ".tif"
  !insertmacro ${MACRO} ".tiff"
!macroend

Section "Tessaly"
  SetShellVarContext current
  ; An earlier installation is uninstalled first, by its own uninstaller and in place (_?=), so
  ; that a file it had and this version has not is not left behind for no uninstaller to remove.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    ExecWait '"$0\uninstall.exe" /S _?=$0'
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}
  !include "${FILE_LISTS}\install.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Tessaly.lnk" "$INSTDIR\tessaly.exe"

  WriteRegStr HKCU "${APP_KEY}" "FriendlyAppName" "Tessaly"
  WriteRegStr HKCU "${APP_KEY}\shell\open\command" "" '"$INSTDIR\tessaly.exe" "%1"'
  WriteRegStr HKCU "Software\Classes\${PROGID}" "" "图片"
  WriteRegStr HKCU "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\tessaly.exe" "%1"'
  !insertmacro ForEachImageType OpenWith

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tessaly"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tessaly"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tessaly.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}

  ; Explorer reads the "Open with" lists again.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

; What was installed, and nothing else: the settings in %APPDATA%\tessaly.ini and the results
; beside the user's pictures or in the folder chosen for them are the user's.
Section "Uninstall"
  SetShellVarContext current
  !include "${FILE_LISTS}\uninstall.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Tessaly.lnk"

  !insertmacro ForEachImageType un.OpenWith
  DeleteRegKey HKCU "${APP_KEY}"
  DeleteRegKey HKCU "Software\Classes\${PROGID}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
