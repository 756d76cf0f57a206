; The installer: one user's copy, no administrator rights, everything under the user's profile.
;   makensis -DVERSION=1.0.0 -DFILES=DIR -DOUTFILE=SETUP.exe [-DARCH=amd64-unicode] veltoCD.nsi
; FILES holds veltoCD.exe, stage.bmp, velto.bmp and README.txt; ARCH defaults to x86-unicode.
Unicode true
!ifdef ARCH
Target ${ARCH}
!endif

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include WinMessages.nsh

!define APP veltoCD
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${APP}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
RequestExecutionLevel user
SetCompressor /SOLID lzma
BrandingText "${APP} ${VERSION}"

!define MUI_ICON "../res/app.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\${APP}.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; No language dialog: the pages follow the user's UI language.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString SecProgramName ${LANG_ENGLISH} "veltoCD"
LangString SecProgramName ${LANG_JAPANESE} "veltoCD 本体"
LangString SecAutostartName ${LANG_ENGLISH} "Start veltoCD when I sign in"
LangString SecAutostartName ${LANG_JAPANESE} "サインインしたときに veltoCD を起動する"

; The player saves its settings only when it closes, so ask it as its own menu would and
; wait for it to end before its files are replaced or removed. Its main window is the
; unowned dialog titled veltoCD; an owned one is its settings dialog.
!macro CLOSE_PLAYER un
Function ${un}CloseRunningPlayer
    StrCpy $R0 0
    ${Do}
        FindWindow $R0 "#32770" "${APP}" "" $R0
        ${IfThen} $R0 = 0 ${|} ${Break} ${|}
        System::Call "user32::GetWindow(p R0, i 4) p .R1"
        ${If} $R1 = 0
            System::Call "user32::GetWindowThreadProcessId(p R0, *i .R2)"
            System::Call "kernel32::OpenProcess(i 0x100000, i 0, i R2) p .R3"
            System::Call "user32::PostMessage(p R0, i ${WM_CLOSE}, p 0, p 0)"
            ; The exe stays locked until the process has ended, not just its window.
            System::Call "kernel32::WaitForSingleObject(p R3, i 10000)"
            System::Call "kernel32::CloseHandle(p R3)"
            StrCpy $R4 0
            ${DoWhile} $R4 < 100
                IsWindow $R0 0 +2
                ${Break}
                Sleep 100
                IntOp $R4 $R4 + 1
            ${Loop}
            StrCpy $R0 0
        ${EndIf}
    ${Loop}
FunctionEnd
!macroend
!insertmacro CLOSE_PLAYER ""
!insertmacro CLOSE_PLAYER "un."

Section "$(SecProgramName)" SecProgram
    SectionIn RO
    Call CloseRunningPlayer
    SetOutPath "$INSTDIR"
    ; veltoCD.ini is the user's and is left as it is.
    File "${FILES}/veltoCD.exe"
    File "${FILES}/stage.bmp"
    File "${FILES}/velto.bmp"
    File "${FILES}/README.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\${APP}.exe"

    WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${APP}"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${APP}.exe,0"
    WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${APP}"
    WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
    ; Unticked on a reinstall: the start at sign-in goes.
    DeleteRegValue HKCU "${RUN_KEY}" "${APP}"
SectionEnd

Section /o "$(SecAutostartName)" SecAutostart
    WriteRegStr HKCU "${RUN_KEY}" "${APP}" '"$INSTDIR\${APP}.exe"'
SectionEnd

Function .onInit
    ; A reinstall keeps the earlier choice unless the command line says otherwise.
    ReadRegStr $0 HKCU "${RUN_KEY}" "${APP}"
    ${If} $0 != ""
        !insertmacro SelectSection ${SecAutostart}
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/AUTOSTART=" $1
    ${IfNot} ${Errors}
        ${If} $1 == 1
            !insertmacro SelectSection ${SecAutostart}
        ${Else}
            !insertmacro UnselectSection ${SecAutostart}
        ${EndIf}
    ${EndIf}
FunctionEnd

Section Uninstall
    Call un.CloseRunningPlayer
    DeleteRegValue HKCU "${RUN_KEY}" "${APP}"
    DeleteRegKey HKCU "${UNINST_KEY}"
    Delete "$SMPROGRAMS\${APP}.lnk"
    Delete "$INSTDIR\veltoCD.exe"
    Delete "$INSTDIR\stage.bmp"
    Delete "$INSTDIR\velto.bmp"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\veltoCD.ini"
    Delete "$INSTDIR\uninstall.exe"
    ; Last, so that a folder gone means everything is done. Not /r: files the user put
    ; there stay, and so does the folder then.
    RMDir "$INSTDIR"
SectionEnd
