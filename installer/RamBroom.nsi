; RamBroom's setup program and uninstaller (NSIS 3, Unicode). installer/build.sh passes:
;   VERSION    the four version numbers, "1.9.3.0"
;   VERSION3   the three the program shows, "1.9.3"
;   EXE32, EXE64   the two builds of RamBroom.exe
;   OUTFILE    where the setup program goes
;
; Command line of the setup program, besides NSIS's own /S (silent) and /D=folder:
;   /LOGON   silent mode: start RamBroom at logon (the "Start at logon" choice)
;   /NORUN   silent mode: do not start RamBroom at the end
;
; The program registers its logon task itself when it is started with "/inst"; "/uninst" makes
; a running copy delete that task and quit (the window class below receives it).

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include x64.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define PRODUCT "RamBroom"
!define PUBLISHER "Brenwick"
!define ABOUT_URL "http://link.brenwick.com/rambroom"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\RamBroom"
!define SETTINGS_KEY "Software\Brenwick\RamBroom"
!define VENDOR_KEY "Software\Brenwick"
!define WINDOW_CLASS "TFrmRamBroom"
!define TASK_NAME "RamBroomTaskMachine"
; WM_USER + wParam 2: the running copy deletes its logon task and quits.
!define QUIT_MESSAGE_WPARAM 2

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION3}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(RunNow)"
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one for every user language not listed; NSIS picks the user's own
; from the others by itself.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Korean"

LangString SecProgram ${LANG_ENGLISH} "RamBroom (program and Start-menu shortcut)"
LangString SecProgram ${LANG_KOREAN} "RamBroom (프로그램과 시작 메뉴 바로 가기)"
LangString SecLogon ${LANG_ENGLISH} "Start RamBroom at logon"
LangString SecLogon ${LANG_KOREAN} "로그온할 때 RamBroom 실행하기"
LangString RunNow ${LANG_ENGLISH} "Start RamBroom now"
LangString RunNow ${LANG_KOREAN} "지금 RamBroom 실행하기"
LangString CloseRunning ${LANG_ENGLISH} "RamBroom is running. Setup will close it to go on.$\r$\n$\r$\nClose RamBroom and continue?"
LangString CloseRunning ${LANG_KOREAN} "RamBroom이 실행 중입니다. 설치를 계속하려면 RamBroom을 종료해야 합니다.$\r$\n$\r$\nRamBroom을 종료하고 계속하시겠습니까?"
LangString StillRunning ${LANG_ENGLISH} "RamBroom did not close. Quit it from its icon in the notification area, then run Setup again."
LangString StillRunning ${LANG_KOREAN} "RamBroom이 종료되지 않았습니다. 알림 영역의 아이콘에서 종료한 다음 설치를 다시 실행하세요."
LangString RemoveSettings ${LANG_ENGLISH} "Remove your RamBroom settings as well?$\r$\n$\r$\nChoose No to keep them for a later installation."
LangString RemoveSettings ${LANG_KOREAN} "RamBroom 설정도 삭제하시겠습니까?$\r$\n$\r$\n나중에 다시 설치할 때 쓰려면 [아니요]를 누르세요."

Var Logon ; "1": start the program with "/inst" at the end

; Asks a running copy to quit and waits up to ten seconds for its window to go. $0: 1 when a
; copy was running, 0 when none; aborts Setup when the user declines or the copy stays.
!macro CloseRunningCopy un
Function ${un}CloseRunningCopy
    StrCpy $0 0
    FindWindow $1 "${WINDOW_CLASS}"
    ${If} $1 == 0
        Return
    ${EndIf}
    StrCpy $0 1
    !if "${un}" == ""
        MessageBox MB_OKCANCEL|MB_ICONINFORMATION "$(CloseRunning)" /SD IDOK IDOK close
        Abort
        close:
    !endif
    ; What "RamBroom.exe /uninst" sends; a copy that is not installed (a portable one) quits too.
    SendMessage $1 ${WM_USER} ${QUIT_MESSAGE_WPARAM} 0 /TIMEOUT=10000
    StrCpy $2 0
    ${Do}
        FindWindow $1 "${WINDOW_CLASS}"
        ${IfThen} $1 == 0 ${|} ${Break} ${|}
        ${If} $2 >= 100
            MessageBox MB_OK|MB_ICONSTOP "$(StillRunning)" /SD IDOK
            SetErrorLevel 2
            Quit
        ${EndIf}
        Sleep 100
        IntOp $2 $2 + 1
    ${Loop}
    ; The process may outlive its window by a moment: its file must be free to be replaced.
    Sleep 500
FunctionEnd
!macroend
!insertmacro CloseRunningCopy ""
!insertmacro CloseRunningCopy "un."

Section "$(SecProgram)" SecProgramId
    SectionIn RO
    Call CloseRunningCopy
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    SetOverwrite on
    ${If} ${RunningX64}
        File "/oname=RamBroom.exe" "${EXE64}"
    ${Else}
        File "/oname=RamBroom.exe" "${EXE32}"
    ${EndIf}
    File "/oname=License.txt" "${LICENSE}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\RamBroom.exe" "" "$INSTDIR\RamBroom.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\RamBroom.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION3}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${ABOUT_URL}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section /o "$(SecLogon)" SecLogonId
    StrCpy $Logon 1
SectionEnd

; After the sections: it selects one by its index.
Function .onInit
    ${If} ${RunningX64}
        SetRegView 64
        StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
    ; An earlier installation's folder, when there is one (an upgrade goes where it went).
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
        StrCpy $INSTDIR $0
    ${EndIf}
    StrCpy $Logon 0
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/LOGON" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${SecLogonId} ${SF_SELECTED}
    ${EndIf}
    ; A running copy deletes its logon task as it quits for the upgrade: when the task is there,
    ; "Start at logon" is chosen already, so the new program registers it again.
    ; (The scheduler keeps each task as a file of its name; Wine's schtasks answers /Query with
    ; success whatever is registered, so the file is what is looked at.)
    ${DisableX64FSRedirection}
    ${If} ${FileExists} "$WINDIR\System32\Tasks\${TASK_NAME}"
        SectionSetFlags ${SecLogonId} ${SF_SELECTED}
    ${EndIf}
    ${EnableX64FSRedirection}
FunctionEnd

Function StartProgram
    ${If} $Logon == 1
        Exec '"$INSTDIR\RamBroom.exe" /inst'
    ${Else}
        Exec '"$INSTDIR\RamBroom.exe"'
    ${EndIf}
FunctionEnd

Function .onInstSuccess
    ; The finish page asks; a silent installation starts the program unless told not to.
    ${If} ${Silent}
        ${GetParameters} $0
        ClearErrors
        ${GetOptions} $0 "/NORUN" $1
        ${If} ${Errors}
            Call StartProgram
        ${EndIf}
    ${EndIf}
FunctionEnd

Function un.onInit
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
FunctionEnd

Section "Uninstall"
    SetShellVarContext all
    ; A running copy deletes the logon task as it quits. Without one, nothing would: an elevated
    ; task would be left pointing at a deleted program, so it is deleted here.
    FindWindow $1 "${WINDOW_CLASS}"
    ${If} $1 != 0
        ExecWait '"$INSTDIR\RamBroom.exe" /uninst'
        Call un.CloseRunningCopy
    ${Else}
        nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_NAME}" /F'
        Pop $0
    ${EndIf}

    Delete "$INSTDIR\RamBroom.exe"
    Delete "$INSTDIR\License.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ; The settings and the installation identifier are the user's: kept unless asked (and always
    ; in silent mode, for an upgrade by a deployment tool).
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(RemoveSettings)" /SD IDNO IDNO keep
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegValue HKCU "${VENDOR_KEY}" "WrenUID"
    DeleteRegKey /ifempty HKCU "${VENDOR_KEY}"
    keep:
SectionEnd
