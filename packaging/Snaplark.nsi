; Per-user installer of Snaplark: no administrator rights, the program in the
; user's own Programs folder, a Start-menu shortcut and an "Apps & features"
; entry in the user's own registry hive.
;
;   makensis -DVERSION=x.y.z -DPUBLISHER=<name> -DCOPYRIGHT=<text> -DSTAGE=<folder>
;            -DICON=<.ico> -DOUTFILE=<.exe> [-DSIGN=<command>] Snaplark.nsi
;
; STAGE holds the files to install: Snaplark.exe, README.txt and LICENSE.txt.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
; Installed files get the time of the install; the installer keeps no file dates.
SetDateSave off
RequestExecutionLevel user

!include LogicLib.nsh
!include FileFunc.nsh
!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Snaplark"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Quenby\Snaplark"
!define KEPT_SETTINGS "Your settings stay in HKEY_CURRENT_USER\${SETTINGS_KEY}."
!define REMOVE_SETTINGS "To remove them too, run: reg delete HKCU\${SETTINGS_KEY} /f"

Name "Snaplark"
Caption "Snaplark ${VERSION} Setup"
OutFile "${OUTFILE}"

; A signed build: SIGN is the command that signs the file named after it.
; The uninstaller is signed before it goes into the installer, then the
; installer itself; a failed signing fails the build.
!ifdef SIGN
  !uninstfinalize `${SIGN} "%1"` = 0
  !finalize `${SIGN} "%1"` = 0
!endif

InstallDir "$LOCALAPPDATA\Programs\Snaplark"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Snaplark ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

; The program's version block, told apart only by description and file name.
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Snaplark setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1033 "InternalName" "Snaplark"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey /LANG=1033 "OriginalFilename" "Snaplark-${VERSION}-setup.exe"
VIAddVersionKey /LANG=1033 "ProductName" "Snaplark"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}.0"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Snaplark.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Snaplark (it shows its icon in the notification area)"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "Snaplark will be removed from the folder below.$\r$\n${KEPT_SETTINGS}$\r$\n${REMOVE_SETTINGS}"
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; A running Snaplark holds its single-instance mutex. Files of a running
; program cannot be replaced or removed, so both directions wait until the
; user has ended it; a silent run fails with exit code 2 instead. A copy
; running elevated has a mutex this user may not open (access denied, 5):
; running all the same.
!macro REFUSE_WHILE_RUNNING un
Function ${un}RefuseWhileRunning
  retry:
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "SnaplarkMutex") p .r0 ?e'
  Pop $1
  ${If} $0 P<> 0
  ${OrIf} $1 = 5
    ${If} $0 P<> 0
      System::Call 'kernel32::CloseHandle(p r0)'
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Snaplark is running.$\n$\nPlease exit it first: right-click its icon in the notification area and choose Exit. Then click Retry." \
      /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro REFUSE_WHILE_RUNNING ""
!insertmacro REFUSE_WHILE_RUNNING "un."

Function .onInit
  Call RefuseWhileRunning
FunctionEnd

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/CLEANUP" $R1
  ${IfNot} ${Errors}
    Call un.RemoveUninstaller
    Quit
  ${EndIf}
  Call un.RefuseWhileRunning
FunctionEnd

; Run in place (_?=), the uninstaller cannot delete its own file. A copy of
; it, started with /CLEANUP, does so once the first one has ended, and then
; removes the folder.
Function un.RemoveUninstaller
  StrCpy $R2 0
  ${Do}
    ClearErrors
    Delete "$INSTDIR\Uninstall.exe"
    ${IfNot} ${Errors}
    ${OrIf} $R2 >= 300
      ${Break}
    ${EndIf}
    Sleep 100
    IntOp $R2 $R2 + 1
  ${Loop}
  ; Not recursive: anything the user put in the folder stays, and so does the folder.
  RMDir "$INSTDIR"
FunctionEnd

Section "Snaplark"
  SetOutPath "$INSTDIR"
  File "${STAGE}/Snaplark.exe"
  File "${STAGE}/README.txt"
  File "${STAGE}/LICENSE.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Snaplark.lnk" "$INSTDIR\Snaplark.exe" "" "$INSTDIR\Snaplark.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Snaplark"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Snaplark.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  ; _?= runs the uninstaller in place instead of from a copy that returns at
  ; once, so whoever runs it waits for the end and gets its exit code.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; $R2 := 1 when $R0 contains $R1, ignoring case as Windows paths do; else 0.
Function un.Contains
  StrLen $R3 $R1
  StrCpy $R4 0
  StrCpy $R2 0
  ${Do}
    StrCpy $R5 $R0 $R3 $R4
    ${If} $R5 == ""
      ${Break}
    ${EndIf}
    ${If} $R5 == $R1
      StrCpy $R2 1
      ${Break}
    ${EndIf}
    IntOp $R4 $R4 + 1
  ${Loop}
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\Snaplark.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$SMPROGRAMS\Snaplark.lnk"

  ; The autorun entry goes only when it starts this copy; another copy's
  ; entry stays.
  ClearErrors
  ReadRegStr $R0 HKCU "${RUN_KEY}" "Snaplark"
  ${IfNot} ${Errors}
    StrCpy $R1 "$INSTDIR\Snaplark.exe"
    Call un.Contains
    ${If} $R2 == 1
      DeleteRegValue HKCU "${RUN_KEY}" "Snaplark"
    ${EndIf}
  ${EndIf}

  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ClearErrors
  Delete "$INSTDIR\Uninstall.exe"
  ${If} ${Errors}
    CopyFiles /SILENT "$INSTDIR\Uninstall.exe" "$TEMP\Snaplark-uninstall.exe"
    Exec '"$TEMP\Snaplark-uninstall.exe" /S /CLEANUP _?=$INSTDIR'
  ${Else}
    RMDir "$INSTDIR"
  ${EndIf}

  DetailPrint "${KEPT_SETTINGS}"
  DetailPrint "${REMOVE_SETTINGS}"
SectionEnd
