; The Windows installer of the Zorva lock bridge, made by scripts/package-windows.sh with makensis.
; It installs the program into one folder (C:\Zorva Kilit unless chosen otherwise) whose Data
; (Data\Ini, the rooms and settings; Data\Log, the card record) the operators may write, adds a
; Start-menu entry, upgrades in place without touching Data, and uninstalls without deleting
; Data unless asked to.
;
; Defines: VERSION (1.2.5), STAGE (the folder of the files to install), OUTFILE, TITLE (the
; window title, the name of the start-with-Windows value).
;
; Silent use: setup.exe /S [/D=C:\Folder]; uninstall.exe /S [/DELETEDATA]

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Zorva Kilit"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZorvaKilit"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; The program writes Data\Ini beside itself, so it does not go under Program Files, where an
; operator without administrative rights could not write.
InstallDir "C:\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; The Run value for starting with Windows lives under HKEY_LOCAL_MACHINE, and so do the
; uninstaller's entries.
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\zorva-kilit.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Turkish"
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    ; 64-bit program: its own view of the registry; the Start menu of every user.
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Program"
    SectionIn RO
    SetOutPath "$INSTDIR"
    ; An upgrade overwrites the program's own files and nothing else: Data\Ini, with the rooms
    ; and the settings, stays as it is. A vendor's LevelLock.dll put in place of the stand-in
    ; is kept too.
    File "${STAGE}/zorva-kilit.exe"
    File "${STAGE}/zorva-lock-host.exe"
    File "${STAGE}/zorva-lock-host32.exe"
    File "${STAGE}/README.md"
    SetOverwrite off
    File "${STAGE}/LevelLock.dll"
    SetOverwrite on

    CreateDirectory "$INSTDIR\Data\Ini"
    CreateDirectory "$INSTDIR\Data\Log"
    ; Members of Users (the operators) may change the rooms and the settings, and the program
    ; they run adds to the card record.
    nsExec::ExecToLog 'icacls "$INSTDIR\Data" /grant *S-1-5-32-545:(OI)(CI)M /T /Q'
    Pop $0

    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\zorva-kilit.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Kaldır.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Zorva"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "un.Program"
    SectionIn RO
    Delete "$INSTDIR\zorva-kilit.exe"
    Delete "$INSTDIR\zorva-lock-host.exe"
    Delete "$INSTDIR\zorva-lock-host32.exe"
    Delete "$INSTDIR\LevelLock.dll"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\uninstall.exe"
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Kaldır.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    ; A program that is gone must not be started with Windows.
    DeleteRegValue HKLM "${RUN_KEY}" "${TITLE}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ; Only when empty: Data, with the rooms, the settings and the card record, stays unless it
    ; is to go.
    RMDir "$INSTDIR"
SectionEnd

Section /o "un.Odalar, ayarlar ve kart kayıtları (Data)" SecData
    RMDir /r "$INSTDIR\Data"
    RMDir "$INSTDIR"
SectionEnd

; After the sections, so that it knows them.
Function un.onInit
    SetRegView 64
    SetShellVarContext all
    ; /DELETEDATA in a silent uninstall, as ticking the box would.
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/DELETEDATA" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${SecData} ${SF_SELECTED}
    ${EndIf}
FunctionEnd
