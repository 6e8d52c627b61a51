; The pages2pdf installer: the window, the command-line tool and the help page, a Start-menu shortcut,
; "Open with pages2pdf" for .pages files and folders, and an entry in "Apps and features".
; Installs for every user when elevated (Program Files), else for the current user alone.
;
; makensis -DVERSION=1.0.0 -DARCH=x86|amd64 -DBINDIR=<folder with the three files> -DOUTFILE=<setup.exe>

Unicode true
!ifndef VERSION | ARCH | BINDIR | OUTFILE
  !error "VERSION, ARCH, BINDIR and OUTFILE must be defined"
!endif
!if ${ARCH} == amd64
  Target amd64-unicode
  !define MULTIUSER_USE_PROGRAMFILES64
!else
  Target x86-unicode
!endif

!define PRODUCT "pages2pdf"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define PROGID "pages2pdf.Document"
!define FOLDER_VERB "Software\Classes\Directory\shell\pages2pdf"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
; The uninstaller finds which of the two installs it belongs to through this value.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include LogicLib.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "pages2pdf"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "pages2pdf"
  SetOutPath "$INSTDIR"
  File "${BINDIR}\Project2.exe"
  File "${BINDIR}\pages2pdf.exe"
  File "${BINDIR}\help.html"
  SetOutPath "$INSTDIR\hyphen"
  File "${BINDIR}\hyphen\*.dic"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Project2.exe" "" "$INSTDIR\Project2.exe" 0

  ; SHCTX is HKLM for every user, HKCU for one.
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "Pages document"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" '"$INSTDIR\Project2.exe",0'
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open" "" "Open with pages2pdf"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\Project2.exe" "%1"'
  WriteRegStr SHCTX "Software\Classes\.pages\OpenWithProgids" "${PROGID}" ""
  WriteRegStr SHCTX "Software\Classes\Applications\Project2.exe" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr SHCTX "Software\Classes\Applications\Project2.exe\shell\open\command" "" '"$INSTDIR\Project2.exe" "%1"'
  WriteRegStr SHCTX "Software\Classes\Applications\Project2.exe\SupportedTypes" ".pages" ""
  ; Folders: document bundles, and folders searched for documents.
  WriteRegStr SHCTX "${FOLDER_VERB}" "" "Open with pages2pdf"
  WriteRegStr SHCTX "${FOLDER_VERB}" "Icon" '"$INSTDIR\Project2.exe",0'
  WriteRegStr SHCTX "${FOLDER_VERB}\command" "" '"$INSTDIR\Project2.exe" "%1"'

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "pages2pdf"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\Project2.exe",0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" 7500
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\Project2.exe"
  Delete "$INSTDIR\pages2pdf.exe"
  Delete "$INSTDIR\help.html"
  Delete "$INSTDIR\hyphen\hyph_*.dic"
  RMDir "$INSTDIR\hyphen"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: never a user's own files put there.
  RMDir "$INSTDIR"

  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  DeleteRegValue SHCTX "Software\Classes\.pages\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.pages\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.pages"
  DeleteRegKey SHCTX "Software\Classes\Applications\Project2.exe"
  DeleteRegKey SHCTX "${FOLDER_VERB}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; The window's remembered settings.
  DeleteRegKey HKCU "Software\${PRODUCT}"
SectionEnd
