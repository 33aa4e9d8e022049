; The Windows installer of Karuvel (made by build-windows.sh with NSIS):
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.2.3 -DSOURCE=<program folder> -DICON=<.ico> -DOUTFILE=<setup.exe> karuvel.nsi
;
; Installs for every user of the PC into "Program Files\Karuvel": the program folder
; Karuvel\ and, beside it, the path file "パスデータ.txt" naming the school's data folder.
; Silent, for a classroom of PCs:
;   Karuvel-<version>-setup.exe /S /DATA=\\server\share\karuvel-data
; Without /DATA a silent install keeps the path file already there, or else makes a demo
; school in the installing user's AppData. /D=<folder> (last, unquoted) installs elsewhere.
; Uninstalling removes the program, the path file and the Start-menu entry; the data
; folder is the school's and stays.

; A 64-bit installer (the program is 64-bit; it also runs where only 64-bit Windows programs can).
Target amd64-unicode
; zlib: made in seconds rather than minutes, on every build of the tests.
SetCompressor /SOLID zlib
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "nsDialogs.nsh"
!include "x64.nsh"

!define PRODUCT "Karuvel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Karuvel"
!define PATH_FILE "パスデータ.txt"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1041 "FileDescription" "${PRODUCT} セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "CompanyName" "The Karuvel developers"
VIAddVersionKey /LANG=1041 "LegalCopyright" "The Karuvel developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

Var DataFolder
Var DataField

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
Page custom DataPage DataPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; Japanese first: the language of the schools; English for everyone else.
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

LangString DataTitle ${LANG_JAPANESE} "データフォルダ"
LangString DataTitle ${LANG_ENGLISH} "Data folder"
LangString DataSubtitle ${LANG_JAPANESE} "学校の共有データフォルダを指定します。"
LangString DataSubtitle ${LANG_ENGLISH} "Choose the school's shared data folder."
LangString DataText ${LANG_JAPANESE} "教室のPCが共有するデータフォルダ（共通データ.txt のあるフォルダ）を入力してください。$\r$\n例: \\サーバー名\karuvel-data または D:\karuvel-data$\r$\n$\r$\n空欄のままにすると、すでにあるパスデータ.txt をそのまま使います。ない場合は、試しに使うためのデモの学校をこのユーザーの AppData に作ります。"
LangString DataText ${LANG_ENGLISH} "Enter the data folder the classroom PCs share (the folder holding 共通データ.txt).$\r$\nFor example \\server\karuvel-data or D:\karuvel-data$\r$\n$\r$\nLeft empty, the path file already there is kept; without one, a demo school to try the program is made in this user's AppData."
LangString DataBrowse ${LANG_JAPANESE} "参照..."
LangString DataBrowse ${LANG_ENGLISH} "Browse..."
LangString DataMissing ${LANG_JAPANESE} "このフォルダには 共通データ.txt がありません。このまま使いますか？"
LangString DataMissing ${LANG_ENGLISH} "This folder has no 共通データ.txt. Use it all the same?"
LangString PathFileFailed ${LANG_JAPANESE} "パスデータ.txt を書けませんでした。"
LangString PathFileFailed ${LANG_ENGLISH} "The path file パスデータ.txt could not be written."
LangString DemoFailed ${LANG_JAPANESE} "デモの学校を作れませんでした。"
LangString DemoFailed ${LANG_ENGLISH} "The demo school could not be made."
LangString ShortcutName ${LANG_JAPANESE} "Karuvel 地図ドリル"
LangString ShortcutName ${LANG_ENGLISH} "Karuvel map drill"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "64-bit Windows is needed." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
  ; /DATA=<folder>: the school's data folder, for a silent install.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/DATA=" $DataFolder
  ${If} ${Errors}
    StrCpy $DataFolder ""
  ${EndIf}
  ; The language is the system's: Japanese on a Japanese Windows, else English.
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function DataPage
  !insertmacro MUI_HEADER_TEXT "$(DataTitle)" "$(DataSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 60u "$(DataText)"
  Pop $0
  ${NSD_CreateText} 0 70u 80% 12u "$DataFolder"
  Pop $DataField
  ${NSD_CreateBrowseButton} 82% 69u 18% 14u "$(DataBrowse)"
  Pop $0
  ${NSD_OnClick} $0 DataBrowse
  nsDialogs::Show
FunctionEnd

Function DataBrowse
  ${NSD_GetText} $DataField $0
  nsDialogs::SelectFolderDialog "$(DataSubtitle)" "$0"
  Pop $0
  ${If} $0 != "error"
    ${NSD_SetText} $DataField "$0"
  ${EndIf}
FunctionEnd

Function DataPageLeave
  ${NSD_GetText} $DataField $DataFolder
  ${If} $DataFolder != ""
  ${AndIfNot} ${FileExists} "$DataFolder\共通データ.txt"
    MessageBox MB_YESNO|MB_ICONQUESTION "$(DataMissing)" /SD IDYES IDYES +2
    Abort
  ${EndIf}
FunctionEnd

Section "Karuvel" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR\Karuvel"
  File /r "${SOURCE}\*.*"

  ; The path file beside the program folder, written by the demo maker (code page 932, CR LF).
  ${If} $DataFolder != ""
    ExecWait '"$INSTDIR\Karuvel\karuvel-make-demo.exe" --path-file "$INSTDIR\${PATH_FILE}" "$DataFolder"' $0
    ${If} $0 != 0
      MessageBox MB_ICONEXCLAMATION "$(PathFileFailed)" /SD IDOK
    ${EndIf}
  ${ElseIfNot} ${FileExists} "$INSTDIR\${PATH_FILE}"
    ; No data folder: a demo school in the installing user's AppData.
    SetShellVarContext current
    StrCpy $1 "$APPDATA\Karuvel\demo-school"
    CreateDirectory "$APPDATA\Karuvel"
    SetShellVarContext all
    ${IfNot} ${FileExists} "$1\共通データ.txt"
      ExecWait '"$INSTDIR\Karuvel\karuvel-make-demo.exe" "$1"' $0
      ${If} $0 != 0
        MessageBox MB_ICONEXCLAMATION "$(DemoFailed)" /SD IDOK
      ${EndIf}
    ${EndIf}
    ExecWait '"$INSTDIR\Karuvel\karuvel-make-demo.exe" --path-file "$INSTDIR\${PATH_FILE}" "$1"' $0
    ${If} $0 != 0
      MessageBox MB_ICONEXCLAMATION "$(PathFileFailed)" /SD IDOK
    ${EndIf}
  ${EndIf}

  ; The Start menu (for every user).
  CreateShortcut "$SMPROGRAMS\$(ShortcutName).lnk" "$INSTDIR\Karuvel\karuvel.exe" "" "$INSTDIR\Karuvel\karuvel.exe" 0

  ; The uninstaller and its entry in the system's list of programs.
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Karuvel ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Karuvel developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Karuvel\karuvel.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  ; The shortcut's name in the other language, so that the uninstaller finds both.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "KaruvelShortcut" "$SMPROGRAMS\$(ShortcutName).lnk"
SectionEnd

Section "Uninstall"
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "KaruvelShortcut"
  ${If} $0 != ""
    Delete "$0"
  ${EndIf}
  RMDir /r "$INSTDIR\Karuvel"
  Delete "$INSTDIR\${PATH_FILE}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
