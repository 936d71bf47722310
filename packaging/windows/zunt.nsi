; The Windows setup of zunt, in Russian: installs for the current user with
; no administrator rights (into %LOCALAPPDATA%\Programs\zunt unless another
; folder is chosen, or given as /D=), puts that folder on the user's PATH,
; adds Explorer's verbs on .erm scripts and on zunt.toml, a Start menu folder
; and an entry in Apps and features; its uninstaller takes all of that away
; again and nothing else. /S installs and uninstalls without a window. An
; install over an older one replaces it in place.
;
; Every key it writes is under HKEY_CURRENT_USER:
;   Software\Classes\SystemFileAssociations\.erm\shell\zunt      the script's verb
;   Software\Classes\SystemFileAssociations\.toml\shell\zunt     the mod's verb (zunt.toml only)
;   Software\Microsoft\Windows\CurrentVersion\Uninstall\zunt     Apps and features
;   Environment, value Path                                      one entry, the folder
;
; Made by the build (cmake/package-windows.cmake):
;   makensis -WX -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DFILES_NSH=files.nsh
;            -DOUTFILE=zunt-1.0.0-setup.exe zunt.nsi
; files.nsh (packaging/windows/setup_files.py) lists the files to install.

Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh
!include "${FILES_NSH}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zunt"
!define ASSOCIATIONS "Software\Classes\SystemFileAssociations"
!define ERM_VERB "${ASSOCIATIONS}\.erm\shell\zunt"
!define TOML_VERB "${ASSOCIATIONS}\.toml\shell\zunt"
!define START_MENU "$SMPROGRAMS\zunt"
; HKEY_CURRENT_USER as a 64-bit handle, for the System plug-in's calls.
!define HKCU_HANDLE -2147483647
; The longest text an NSIS variable holds, its final zero aside.
!define MAX_TEXT 1023

Name "zunt ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\zunt"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "zunt ${VERSION}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "zunt"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Установка zunt ${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "MIT, the zunt developers"

LangString CannotWrite ${LANG_RUSSIAN} "Не удалось записать файл"
LangString PathNotAdded ${LANG_RUSSIAN} "Переменная PATH пользователя длиннее, \
чем программа установки может прочесть и записать (${MAX_TEXT} символа), \
и осталась как была. Чтобы набирать zunt-cli в консоли, добавьте в неё папку \
$INSTDIR сами (см. README.txt)."
LangString PathNotCleaned ${LANG_RUSSIAN} "Переменная PATH пользователя длиннее, \
чем программа удаления может прочесть (${MAX_TEXT} символа), и осталась как была: \
уберите из неё папку $INSTDIR сами."
LangString UninstallLink ${LANG_RUSSIAN} "Удалить zunt"

; The user's PATH as ReadUserPath finds it.
Var PathText   ; its text
Var PathType   ; REG_SZ (1) or REG_EXPAND_SZ (2, also when there is none yet)
Var PathWhole  ; 1 when PathText is all of it, 0 when it is longer than MAX_TEXT
Var PathKept   ; what PathWithout keeps of it
Var PathFound  ; how many entries PathWithout took out

; Writes text to an open file in UTF-8: !insertmacro WriteUtf8 HANDLE TEXT.
!macro WriteUtf8 handle text
  Push "${handle}"
  Push "${text}"
  Call WriteUtf8
!macroend

Function WriteUtf8
  Exch $1 ; the text
  Exch
  Exch $0 ; the file
  Push $2
  Push $3
  System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w r1, i -1, p 0, i 0, p 0, p 0) i .r2'
  System::Alloc $2
  Pop $3
  System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w r1, i -1, p r3, i r2, p 0, p 0)'
  IntOp $2 $2 - 1 ; without the final zero
  System::Call 'kernel32::WriteFile(p r0, p r3, i r2, *i 0, p 0) i .r2'
  System::Free $3
  ${If} $2 = 0
    SetErrors
  ${EndIf}
  Pop $3
  Pop $2
  Pop $0
  Pop $1
FunctionEnd

; The functions the installer and the uninstaller share, for each of them.
!macro PathFunctions un
  ; Reads HKCU\Environment's Path into PathText, PathType and PathWhole. An
  ; NSIS text holds MAX_TEXT characters: a longer value, which ReadRegStr
  ; would give cut short or not at all, is only said to be so.
  Function ${un}ReadUserPath
    Push $0
    Push $1
    Push $2
    Push $3
    StrCpy $PathText ""
    StrCpy $PathType 2
    StrCpy $PathWhole 1
    System::Call 'advapi32::RegOpenKeyExW(p ${HKCU_HANDLE}, w "Environment", i 0, i 0x20019, *p .r1) i .r0'
    ${If} $0 = 0
      ; The value's type and its size in bytes, its final zero included.
      System::Call 'advapi32::RegQueryValueExW(p r1, w "Path", p 0, *i .r2, p 0, *i .r3) i .r0'
      System::Call 'advapi32::RegCloseKey(p r1)'
      ${If} $0 = 0
        StrCpy $PathType $2
        ReadRegStr $PathText HKCU "Environment" "Path"
        StrLen $0 $PathText
        IntOp $0 $0 + 1
        IntOp $0 $0 * 2
        ${If} $3 > $0
          StrCpy $PathWhole 0
        ${ElseIf} $PathType <> 1
        ${AndIf} $PathType <> 2
          StrCpy $PathWhole 0
        ${EndIf}
      ${ElseIf} $0 <> 2 ; there is a value, but it cannot be read
        StrCpy $PathWhole 0
      ${EndIf}
    ${EndIf}
    Pop $3
    Pop $2
    Pop $1
    Pop $0
  FunctionEnd

  ; Takes the entries that name the folder on the stack (letter case aside,
  ; with or without a final backslash) out of PathText into PathKept, the
  ; other entries as they were; PathFound counts them.
  Function ${un}PathWithout
    Exch $0 ; the folder
    Push $1 ; the text not looked at yet
    Push $2 ; the length of the next entry
    Push $3 ; a character
    Push $4 ; the entry
    Push $5 ; entries kept so far
    StrCpy $1 $PathText
    StrCpy $PathKept ""
    StrCpy $PathFound 0
    StrCpy $5 0
    ${Do}
      StrCpy $2 0
      ${Do}
        StrCpy $3 $1 1 $2
        ${If} $3 == ""
        ${OrIf} $3 == ";"
          ${ExitDo}
        ${EndIf}
        IntOp $2 $2 + 1
      ${Loop}
      StrCpy $4 $1 $2
      IntOp $2 $2 + 1
      StrCpy $1 $1 "" $2
      ${If} $4 == $0
      ${OrIf} $4 == "$0\"
        IntOp $PathFound $PathFound + 1
      ${ElseIf} $5 = 0
        StrCpy $PathKept $4
        IntOp $5 $5 + 1
      ${Else}
        StrCpy $PathKept "$PathKept;$4"
      ${EndIf}
    ${LoopUntil} $3 == ""
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Pop $0
  FunctionEnd

  ; Writes PathKept as the user's PATH, with the type it had, or deletes the
  ; value when nothing is kept, and tells the running programs.
  Function ${un}WriteUserPath
    ${If} $PathKept == ""
      DeleteRegValue HKCU "Environment" "Path"
    ${ElseIf} $PathType = 1
      WriteRegStr HKCU "Environment" "Path" $PathKept
    ${Else}
      WriteRegExpandStr HKCU "Environment" "Path" $PathKept
    ${EndIf}
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  FunctionEnd
!macroend
!insertmacro PathFunctions ""
!insertmacro PathFunctions "un."

; Puts INSTDIR on the user's PATH, once: a PATH that holds it already is left
; as it is, and so is one too long to be read or written whole. The entry it
; adds is kept in the uninstall key, for the uninstaller to take out.
Function AddToPath
  Call ReadUserPath
  ${If} $PathWhole = 0
    Goto too_long
  ${EndIf}
  Push $INSTDIR
  Call PathWithout
  ${If} $PathFound > 0
    Return
  ${EndIf}
  StrLen $0 $PathText
  StrLen $1 $INSTDIR
  IntOp $0 $0 + $1
  ${If} $0 >= ${MAX_TEXT}
    Goto too_long
  ${EndIf}
  StrCpy $0 $PathText 1 -1
  ${If} $PathText == ""
  ${OrIf} $0 == ";"
    StrCpy $PathKept "$PathText$INSTDIR"
  ${Else}
    StrCpy $PathKept "$PathText;$INSTDIR"
  ${EndIf}
  Call WriteUserPath
  WriteRegStr HKCU "${UNINSTALL_KEY}" "PathEntry" $INSTDIR
  Return
too_long:
  DetailPrint "$(PathNotAdded)"
  MessageBox MB_OK|MB_ICONINFORMATION "$(PathNotAdded)" /SD IDOK
FunctionEnd

; Takes the entry that the installer added out of the user's PATH.
Function un.RemoveFromPath
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "PathEntry"
  ${If} $0 == ""
    Return
  ${EndIf}
  Call un.ReadUserPath
  ${If} $PathWhole = 0
    DetailPrint "$(PathNotCleaned)"
    MessageBox MB_OK|MB_ICONINFORMATION "$(PathNotCleaned)" /SD IDOK
    Return
  ${EndIf}
  Push $0
  Call un.PathWithout
  ${If} $PathFound > 0
    Call un.WriteUserPath
  ${EndIf}
FunctionEnd

; Deletes a key of HKCU when it has neither values nor subkeys.
!macro DeleteEmptyKey key
  System::Call 'shlwapi::SHDeleteEmptyKeyW(p ${HKCU_HANDLE}, w "${key}")'
!macroend

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section
  ; An older install in another folder goes first, with all it made.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    ExecWait '"$0\uninstall.exe" /S _?=$0'
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}

  !insertmacro ZuntInstallFiles
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Explorer's verbs: on every .erm script, and on a mod's zunt.toml.
  WriteRegStr HKCU "${ERM_VERB}" "" "Перевести (zunt)"
  WriteRegStr HKCU "${ERM_VERB}\command" "" '"$INSTDIR\zunt.exe" --in-script-folder "%1"'
  WriteRegStr HKCU "${TOML_VERB}" "" "Перевести мод (zunt)"
  WriteRegStr HKCU "${TOML_VERB}" "AppliesTo" 'System.FileName:="zunt.toml"'
  WriteRegStr HKCU "${TOML_VERB}\command" "" '"$INSTDIR\zunt.exe" "%1"'

  CreateDirectory "${START_MENU}"
  CreateShortcut "${START_MENU}\README.lnk" "$INSTDIR\README.txt"
  CreateShortcut "${START_MENU}\$(UninstallLink).lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "zunt"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "the zunt developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zunt.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${ZUNT_SIZE_KB}
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  Call AddToPath
  ; The verbs changed: Explorer reads them again.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  Call un.RemoveFromPath

  DeleteRegKey HKCU "${ERM_VERB}"
  DeleteRegKey HKCU "${TOML_VERB}"
  ; The keys above them, when nothing else is left in them.
  !insertmacro DeleteEmptyKey "${ASSOCIATIONS}\.erm\shell"
  !insertmacro DeleteEmptyKey "${ASSOCIATIONS}\.erm"
  !insertmacro DeleteEmptyKey "${ASSOCIATIONS}\.toml\shell"
  !insertmacro DeleteEmptyKey "${ASSOCIATIONS}\.toml"
  !insertmacro DeleteEmptyKey "${ASSOCIATIONS}"
  !insertmacro DeleteEmptyKey "Software\Classes" ; never empty on Windows, but in a new Wine prefix

  Delete "${START_MENU}\README.lnk"
  Delete "${START_MENU}\$(UninstallLink).lnk"
  RMDir "${START_MENU}"

  ; The files it installed; the folder stays when the user's files are in it.
  !insertmacro ZuntRemoveFiles
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  !insertmacro DeleteEmptyKey "Software\Microsoft\Windows\CurrentVersion\Uninstall"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
