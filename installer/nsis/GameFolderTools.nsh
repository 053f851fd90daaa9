; GameFolderTools.nsh: an NSIS 3 include that installs a game with the
; records Uninstaller.exe and Prefclear.exe read, in the form they read them.
;
; Define the game before the !include (see SampleGame.nsi and makers.md):
;   GAME_NAME       the game's name: the Uninstaller's question, the menu folder
;   GAME_REGISTRY   SOFTWARE\<maker>\<game>, below HKEY_LOCAL_MACHINE
;   GAME_MAKER      DefaultGameMakerName: the folder above the game folder
;   GAME_MENU       DefaultGameMakerProgramMenuName (may be empty)
;   GAME_FOLDER     DefaultGameFolderName
;   GAME_EXE        GameExeFileName: the game's program, also the entry's icon
;   optional: GAME_MUTEX, GAME_PUBLISHER, GAME_VERSION; GAME_INSTALL_DIR,
;   the game folder (default $PROGRAMFILES32\<GAME_MAKER>\<GAME_FOLDER>; the
;   include sets InstallDir to it); GAME_TOOLS, the folder that holds
;   Uninstaller.exe, Prefclear.exe and GameFolderCheck.exe (default: this
;   file's own folder, as in the release package); GAME_CHECK, the build-time
;   check (default GAME_TOOLS\GameFolderCheck.exe; on Linux or macOS a
;   build of it for that system, GAME_TOOLS/GameFolderCheck)
;
; Then, in a section:
;   !insertmacro GameRecordsBegin                 Installer.ini, InstallFiles.ini
;   !insertmacro GameFile    "dest" "source"      one file, listed as it is installed
;   !insertmacro GameFolder  "dest" "source"      a whole folder, every file listed
;   !insertmacro GameUninstaller / GamePrefclear  the two programs, listed
;   !insertmacro GameShortcut        "target" "LinkName"   all users' program menu
;   !insertmacro GameDesktopShortcut "target" "LinkName"   all users' desktop
;   !insertmacro GameSaveFolder Documents|AppData|GameFolder
;   !insertmacro GameRegistry                     game key and uninstall entry (32-bit view)
;
; Every record is Shift-JIS (code page 932) with CR LF, whatever the code page
; of the Windows that runs the installer. GameFolderCheck, the check both
; kits share, stops the build for a value the records cannot hold; a name
; only the running installer knows, or one the check could not see, stops
; the installer before it writes that name.

!ifndef GAME_FOLDER_TOOLS_NSH
!define GAME_FOLDER_TOOLS_NSH

!ifndef NSIS_UNICODE
  !error "GameFolderTools.nsh: put 'Unicode true' at the top of the script (the records are converted from Unicode)"
!endif

!include LogicLib.nsh

!define _GFT_DIR "${__FILEDIR__}"
!define /ifndef GAME_TOOLS "${_GFT_DIR}"
!define /ifndef GAME_MENU ""

!ifndef GAME_NAME | GAME_REGISTRY | GAME_MAKER | GAME_FOLDER | GAME_EXE
  !error "GameFolderTools.nsh: define GAME_NAME, GAME_REGISTRY, GAME_MAKER, GAME_FOLDER and GAME_EXE before the !include"
!endif

; The Uninstaller needs administrator rights, and so do the all-users
; shortcuts and the keys below HKEY_LOCAL_MACHINE.
RequestExecutionLevel admin

; ---- build-time checks ------------------------------------------------------

; makensis on POSIX gives !system's wait status: the exit status times 256.
!macro _GFT_ExitStatus
  !if ${_GFT_RC} >= 256
    !define /redef /math _GFT_RC ${_GFT_RC} >> 8
  !endif
!macroend

; GameFolderCheck, the check both kits share, is handed the values in a file,
; one a line, exactly as the script wrote them. Its problems stop the build
; (an error) or are shown (a warning). Where it cannot run, the installer
; still stops before it writes a name Shift-JIS cannot hold.
!ifndef GAME_CHECK
  !ifdef NSIS_WIN32_MAKENSIS
    !define GAME_CHECK "${GAME_TOOLS}\GameFolderCheck.exe"
  !else if /FileExists "${GAME_TOOLS}/GameFolderCheck"
    !define GAME_CHECK "${GAME_TOOLS}/GameFolderCheck"
  !else
    ; WSL runs the Windows build as it is.
    !define GAME_CHECK "${GAME_TOOLS}/GameFolderCheck.exe"
  !endif
!endif
!if /FileExists "${GAME_CHECK}"
  !define _GFT_CHECKED
!else
  !warning `GameFolderCheck is not at ${GAME_CHECK}: the build-time checks did not run; the installer still stops before it writes a name Shift-JIS cannot hold`
!endif

!macro _GFT_CheckBegin COMMAND
  !tempfile _GFT_T
  !appendfile /CHARSET=UTF8 /RawNL "${_GFT_T}" `${COMMAND}$\n`
!macroend

!macro _GFT_CheckArg VALUE
  !appendfile /CHARSET=UTF8 /RawNL "${_GFT_T}" `${VALUE}$\n`
!macroend

!macro _GFT_CheckRun
  !ifdef _GFT_CHECKED
    !tempfile _GFT_O
    ; Not a quote first: cmd /c, which runs the command on Windows, would
    ; take the first and the last quote of the line for its own.
    !system `cd . && "${GAME_CHECK}" "@${_GFT_T}" > "${_GFT_O}"` _GFT_RC
    !insertmacro _GFT_ExitStatus
    !if ${_GFT_RC} <> 0
      !define /file _GFT_SAID "${_GFT_O}"
      !if ${_GFT_RC} = 1
        !error `${_GFT_SAID}`
      !else if ${_GFT_RC} = 2
        !warning `${_GFT_SAID}`
      !else if ${_GFT_RC} >= 126
        !warning `GameFolderCheck could not start (${_GFT_RC}): ${GAME_CHECK}; the build-time checks did not run`
      !else
        !error `GameFolderCheck failed (${_GFT_RC}): ${_GFT_SAID}`
      !endif
      !undef _GFT_SAID
    !endif
    !delfile "${_GFT_O}"
    !undef _GFT_O _GFT_RC
  !endif
  !delfile "${_GFT_T}"
  !undef _GFT_T
!macroend

!insertmacro _GFT_CheckBegin game
!insertmacro _GFT_CheckArg `${GAME_NAME}`
!insertmacro _GFT_CheckArg `${GAME_REGISTRY}`
!insertmacro _GFT_CheckArg `${GAME_MAKER}`
!insertmacro _GFT_CheckArg `${GAME_MENU}`
!insertmacro _GFT_CheckArg `${GAME_FOLDER}`
!insertmacro _GFT_CheckArg `${GAME_EXE}`
!ifdef GAME_MUTEX
  !insertmacro _GFT_CheckArg `${GAME_MUTEX}`
!endif
!insertmacro _GFT_CheckRun

; The game folder: below the maker's folder, which the Uninstaller removes
; when it is left empty.
!if `${GAME_MAKER}` == ``
  !define /ifndef GAME_INSTALL_DIR "$PROGRAMFILES32\${GAME_FOLDER}"
!else
  !define /ifndef GAME_INSTALL_DIR "$PROGRAMFILES32\${GAME_MAKER}\${GAME_FOLDER}"
!endif
!insertmacro _GFT_CheckBegin installdir
!insertmacro _GFT_CheckArg `${GAME_INSTALL_DIR}`
!insertmacro _GFT_CheckArg `${GAME_MAKER}`
!insertmacro _GFT_CheckRun
InstallDir "${GAME_INSTALL_DIR}"

; The uninstall entry: TarnwickGame_ and the last part of GAME_REGISTRY.
!searchparse /ignorecase /noerrors `${GAME_REGISTRY}` `SOFTWARE\` _GFT_R1 `\` _GFT_R2
!define /ifndef _GFT_R1 ``
!ifdef _GFT_R2
  !define _GFT_ENTRY "TarnwickGame_${_GFT_R2}"
!else
  !define _GFT_ENTRY "TarnwickGame_${_GFT_R1}"
!endif
!undef _GFT_R1
!ifdef _GFT_R2
  !undef _GFT_R2
!endif

!if `${GAME_MENU}` == ``
  !define _GFT_MENU_FOLDER "$SMPROGRAMS\${GAME_NAME}"
!else
  !define _GFT_MENU_FOLDER "$SMPROGRAMS\${GAME_MENU}\${GAME_NAME}"
!endif
!define _GFT_RECORDS "$INSTDIR\InstallInfo"
!define _GFT_UNINSTALL_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\${_GFT_ENTRY}"

; ---- run time -----------------------------------------------------------------

; The functions below pass their values in these variables and leave the
; maker's registers ($0-$9, $R0-$R9) as they were.
Var _GFT_Text       ; in: text to convert
Var _GFT_File       ; in: record file to append to
Var _GFT_Buf        ; out: code page 932 bytes (System::Alloc), 0 when none
Var _GFT_Len        ; out: their count, without the ending NUL
Var _GFT_Ok         ; out: 1 done, 0 failed
Var _GFT_Bytes      ; bytes of the files listed so far (EstimatedSize)
Var _GFT_Stage      ; where GameFolder unpacks a folder before moving it in
Var _GFT_Names      ; handle of the list of the unpacked folder's files
Var _GFT_Bad        ; the first unpacked name code page 932 cannot hold

; Stops the installation: the player sees why, a silent run ends with code 2.
!macro _GFT_Fail MESSAGE
  MessageBox MB_OK|MB_ICONSTOP `${MESSAGE}` /SD IDOK
  Abort `${MESSAGE}`
!macroend

; $_GFT_Text in code page 932 into $_GFT_Buf/$_GFT_Len; $_GFT_Ok 0 when a
; character has no exact code page 932 form. WC_NO_BEST_FIT_CHARS (0x400):
; "¥" must not quietly become "\", nor "é" "e". The flag that says a
; character had no form starts at 1, so a call that leaves it unset fails too.
Function _GFT_Encode
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $0 $_GFT_Text
  StrLen $1 $0
  IntOp $1 $1 * 2
  IntOp $1 $1 + 2
  System::Alloc $1
  Pop $2
  System::Call 'kernel32::WideCharToMultiByte(i 932, i 0x400, w r0, i -1, p r2, i r1, p 0, *i 1 r3) i .r1'
  ${If} $1 = 0
  ${OrIf} $3 <> 0
    System::Free $2
    StrCpy $_GFT_Buf 0
    StrCpy $_GFT_Len 0
    StrCpy $_GFT_Ok 0
  ${Else}
    StrCpy $_GFT_Buf $2
    IntOp $_GFT_Len $1 - 1
    StrCpy $_GFT_Ok 1
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; $_GFT_Ok 1 when TEXT has an exact code page 932 form.
!macro _GFT_IsCp932 TEXT
  StrCpy $_GFT_Text `${TEXT}`
  Call _GFT_Encode
  ${If} $_GFT_Ok = 1
    System::Free $_GFT_Buf
  ${EndIf}
!macroend

; Appends $_GFT_Text and CR LF, in code page 932, to $_GFT_File;
; $_GFT_Ok 0 when it cannot be converted (then nothing is written) or written.
Function _GFT_AppendLine
  Push $0
  Push $1
  Push $2
  StrCpy $_GFT_Text "$_GFT_Text$\r$\n"
  Call _GFT_Encode
  ${If} $_GFT_Ok = 1
    StrCpy $_GFT_Ok 0
    ClearErrors
    FileOpen $0 $_GFT_File a
    ${IfNot} ${Errors}
      FileSeek $0 0 END
      StrCpy $1 $_GFT_Buf
      StrCpy $2 $_GFT_Len
      System::Call 'kernel32::WriteFile(p r0, p r1, i r2, *i 0 r2, p 0) i .r1'
      FileClose $0
      ${If} $1 <> 0
      ${AndIf} $2 = $_GFT_Len
        StrCpy $_GFT_Ok 1
      ${EndIf}
    ${EndIf}
    System::Free $_GFT_Buf
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

!macro _GFT_Append FILE LINE
  StrCpy $_GFT_File `${FILE}`
  StrCpy $_GFT_Text `${LINE}`
  Call _GFT_AppendLine
  ${If} $_GFT_Ok = 0
    !insertmacro _GFT_Fail `${LINE}$\r$\n$\r$\nこの行を記録に書けないため (Shift-JIS で書けない文字か、書き込みの失敗)、インストールを中止しました。`
  ${EndIf}
!macroend

; Lists the installed file $INSTDIR\<$_GFT_Text> with its size and CRC-32
; (the Uninstaller reads and ignores both numbers; they let anyone check the
; installed bytes). One InstallFileList statement per file keeps the list
; whole after every step, so an interrupted installation can still be
; uninstalled. $_GFT_Ok 0 on failure.
Function _GFT_ListFile
  Push $0     ; relative path
  Push $1     ; handle
  Push $2     ; size
  Push $3     ; buffer
  Push $4     ; CRC-32
  Push $5     ; bytes read
  Push $6     ; ReadFile's result
  StrCpy $0 $_GFT_Text
  StrCpy $_GFT_Ok 0
  StrCpy $1 "$INSTDIR\$0"
  System::Call 'kernel32::CreateFileW(w r1, i 0x80000000, i 1, p 0, i 3, i 0, p 0) p .r1'
  ${If} $1 <> -1
    System::Call 'kernel32::GetFileSizeEx(p r1, *l 0 r2) i .r6'
    System::Alloc 1048576
    Pop $3
    StrCpy $4 0
    ${Do}
      System::Call 'kernel32::ReadFile(p r1, p r3, i 1048576, *i 0 r5, p 0) i .r6'
      ${IfThen} $6 = 0 ${|} ${Break} ${|}
      ${IfThen} $5 = 0 ${|} ${Break} ${|}
      System::Call 'ntdll::RtlComputeCrc32(i r4, p r3, i r5) i .r4'
    ${Loop}
    System::Free $3
    System::Call 'kernel32::CloseHandle(p r1)'
    ${If} $6 <> 0
      IntFmt $4 "0x%08x" $4
      System::Int64Op $_GFT_Bytes + $2
      Pop $_GFT_Bytes
      StrCpy $_GFT_File "${_GFT_RECORDS}\InstallFiles.ini"
      StrCpy $_GFT_Text `#InstallFileList { "$0" , $2 , $4 }`
      Call _GFT_AppendLine
    ${EndIf}
  ${EndIf}
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

!macro _GFT_List RELATIVE
  StrCpy $_GFT_Text `${RELATIVE}`
  Call _GFT_ListFile
  ${If} $_GFT_Ok = 0
    !insertmacro _GFT_Fail `${RELATIVE}$\r$\n$\r$\nこのファイルを記録に書けないため、インストールを中止しました。`
  ${EndIf}
!macroend

; Creates the folder that will hold $INSTDIR\<$_GFT_Text>.
Function _GFT_MakeParent
  Push $0
  Push $1
  Push $2
  StrCpy $1 "$INSTDIR\$_GFT_Text"
  StrLen $2 $1
  ${Do}
    IntOp $2 $2 - 1
    StrCpy $0 $1 1 $2
  ${LoopUntil} $0 == "\"
  StrCpy $1 $1 $2
  CreateDirectory $1
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; ---- the macros a maker's script calls --------------------------------------

; The other macros append to the records GameRecordsBegin starts afresh.
!macro _GFT_AfterBegin WHAT
  !ifndef _GFT_BEGUN
    !error `${WHAT}: call GameRecordsBegin first (it starts the records afresh)`
  !endif
!macroend

; Starts the records: InstallInfo\Installer.ini with the game's settings and
; an InstallFiles.ini with no entry yet. Every value is converted before
; anything is written, so a value code page 932 cannot hold stops the
; installation before it has changed anything.
!macro GameRecordsBegin
  !ifdef _GFT_BEGUN
    !error `GameRecordsBegin is called twice: the second call starts the records afresh, so the uninstall would remove only what is listed after it; call it once, first`
  !endif
  !define _GFT_BEGUN
  SetShellVarContext all
  StrCpy $_GFT_Bytes 0
  StrCpy $_GFT_Stage "${_GFT_RECORDS}\unpack"
  StrCpy $_GFT_Names ""
  StrCpy $_GFT_Bad ""
  !ifdef GAME_MUTEX
    !insertmacro _GFT_IsCp932 `${GAME_NAME}${GAME_REGISTRY}${GAME_MAKER}${GAME_MENU}${GAME_FOLDER}${GAME_EXE}${GAME_MUTEX}`
  !else
    !insertmacro _GFT_IsCp932 `${GAME_NAME}${GAME_REGISTRY}${GAME_MAKER}${GAME_MENU}${GAME_FOLDER}${GAME_EXE}`
  !endif
  ${If} $_GFT_Ok = 0
    !insertmacro _GFT_Fail `${GAME_NAME}$\r$\n$\r$\nこのゲームの設定に Shift-JIS で書けない文字があるため、インストールを中止しました。`
  ${EndIf}
  CreateDirectory "${_GFT_RECORDS}"
  Delete "${_GFT_RECORDS}\Installer.ini"
  Delete "${_GFT_RECORDS}\InstallFiles.ini"
  !insertmacro _GFT_Append "${_GFT_RECORDS}\Installer.ini" `#InstallerSetupFileVersion = 1`
  !insertmacro _GFT_Append "${_GFT_RECORDS}\Installer.ini" `#GameName = "${GAME_NAME}"`
  !insertmacro _GFT_Append "${_GFT_RECORDS}\Installer.ini" `#Registry = "${GAME_REGISTRY}"`
  !ifdef GAME_MUTEX
    !insertmacro _GFT_Append "${_GFT_RECORDS}\Installer.ini" `#MutexName = "${GAME_MUTEX}"`
  !endif
  !insertmacro _GFT_Append "${_GFT_RECORDS}\Installer.ini" `#DefaultGameMakerName = "${GAME_MAKER}"`
  !insertmacro _GFT_Append "${_GFT_RECORDS}\Installer.ini" `#DefaultGameMakerProgramMenuName = "${GAME_MENU}"`
  !insertmacro _GFT_Append "${_GFT_RECORDS}\Installer.ini" `#DefaultGameFolderName = "${GAME_FOLDER}"`
  !insertmacro _GFT_Append "${_GFT_RECORDS}\Installer.ini" `#GameExeFileName = "${GAME_EXE}"`
  !insertmacro _GFT_Append "${_GFT_RECORDS}\Installer.ini" `#UninstallerExeFileName = "Uninstaller.exe"`
  !insertmacro _GFT_Append "${_GFT_RECORDS}\InstallFiles.ini" `#InstallerSetupFileVersion = 1`
!macroend

; Installs SOURCE (a file on the build machine) as DEST (relative to the game
; folder) and lists it.
!macro GameFile DEST SOURCE
  !insertmacro _GFT_AfterBegin GameFile
  !insertmacro _GFT_CheckBegin file
  !insertmacro _GFT_CheckArg `${DEST}`
  !insertmacro _GFT_CheckArg `${SOURCE}`
  !insertmacro _GFT_CheckRun
  !if `${DEST}` == `Uninstaller.exe`
    !define /ifndef _GFT_UNINSTALLER
  !endif
  StrCpy $_GFT_Text `${DEST}`
  Call _GFT_MakeParent
  File `/oname=$INSTDIR\${DEST}` `${SOURCE}`
  !insertmacro _GFT_List `${DEST}`
!macroend

; Installs the folder SOURCE with everything in it as DEST (relative to the
; game folder) and lists every file. It is unpacked into a folder of its own
; first and each file is moved into place and listed from there, so the list
; names exactly what this installer carries, never a file that was already
; in the game folder. Folders without files are not installed: no list entry
; could take them away again.
!macro GameFolder DEST SOURCE
  !insertmacro _GFT_AfterBegin GameFolder
  !insertmacro _GFT_CheckBegin folder
  !insertmacro _GFT_CheckArg `${DEST}`
  !insertmacro _GFT_CheckArg `${SOURCE}`
  !insertmacro _GFT_CheckRun
  RMDir /r $_GFT_Stage
  SetOutPath $_GFT_Stage
  File /r `${SOURCE}\*.*`
  SetOutPath $INSTDIR
  Push $0
  Push $1
  Push $2
  ; Every unpacked file's path, into a list; the folders still to walk wait
  ; on the stack above a "|", which no name holds.
  StrCpy $_GFT_Bad ""
  FileOpen $_GFT_Names "$_GFT_Stage.txt" w
  Push "|"
  Push ""
  ${Do}
    Pop $0
    ${IfThen} $0 == "|" ${|} ${Break} ${|}
    FindFirst $1 $2 "$_GFT_Stage\$0*.*"
    ${DoWhile} $2 != ""
      ${If} $2 == "."
      ${OrIf} $2 == ".."
      ${ElseIf} ${FileExists} "$_GFT_Stage\$0$2\*.*"
        Push "$0$2\"
      ${Else}
        FileWriteUTF16LE $_GFT_Names "$0$2$\r$\n"
        ${If} $_GFT_Bad == ""
          !insertmacro _GFT_IsCp932 "$0$2"
          ${IfThen} $_GFT_Ok = 0 ${|} StrCpy $_GFT_Bad "$0$2" ${|}
        ${EndIf}
      ${EndIf}
      FindNext $1 $2
    ${Loop}
    FindClose $1
  ${Loop}
  FileClose $_GFT_Names
  ; A name the list cannot hold stops the installation before any of the
  ; folder's files is moved in.
  ${If} $_GFT_Bad != ""
    RMDir /r $_GFT_Stage
    Delete "$_GFT_Stage.txt"
    !insertmacro _GFT_Fail `${DEST}\$_GFT_Bad$\r$\n$\r$\nこの名前は Shift-JIS で書けないため、インストールを中止しました。`
  ${EndIf}
  FileOpen $_GFT_Names "$_GFT_Stage.txt" r
  ${Do}
    ClearErrors
    FileReadUTF16LE $_GFT_Names $0
    ${IfThen} ${Errors} ${|} ${Break} ${|}
    StrCpy $0 $0 -2     ; CR LF
    StrCpy $1 `${DEST}\$0`
    StrCpy $_GFT_Text $1
    Call _GFT_MakeParent
    Delete "$INSTDIR\$1"
    ClearErrors
    Rename "$_GFT_Stage\$0" "$INSTDIR\$1"
    ${If} ${Errors}
      FileClose $_GFT_Names
      RMDir /r $_GFT_Stage
      Delete "$_GFT_Stage.txt"
      !insertmacro _GFT_Fail `$1$\r$\n$\r$\nこのファイルを置けないため、インストールを中止しました。`
    ${EndIf}
    !insertmacro _GFT_List $1
  ${Loop}
  FileClose $_GFT_Names
  RMDir /r $_GFT_Stage
  Delete "$_GFT_Stage.txt"
  Pop $2
  Pop $1
  Pop $0
!macroend

; The two programs, from GAME_TOOLS, listed like the game's own files.
!macro GameUninstaller
  !insertmacro GameFile "Uninstaller.exe" "${GAME_TOOLS}\Uninstaller.exe"
!macroend

!macro GamePrefclear
  !insertmacro GameFile "Prefclear.exe" "${GAME_TOOLS}\Prefclear.exe"
!macroend

; A shortcut in the game's folder of the all-users program menu (the
; Uninstaller takes it away, and the menu folders when they are empty).
; TARGET is relative to the game folder; LINK is the shortcut's name without
; .lnk. The record comes first: a shortcut made and not recorded would stay.
!macro GameShortcut TARGET LINK
  !insertmacro _GFT_AfterBegin GameShortcut
  !insertmacro _GFT_CheckBegin shortcut
  !insertmacro _GFT_CheckArg GameShortcut
  !insertmacro _GFT_CheckArg `${TARGET}`
  !insertmacro _GFT_CheckArg `${LINK}`
  !insertmacro _GFT_CheckRun
  !insertmacro _GFT_Append "${_GFT_RECORDS}\Installer.ini" `#Shortcut = "${TARGET}" , "${LINK}"`
  SetOutPath $INSTDIR
  CreateDirectory "${_GFT_MENU_FOLDER}"
  CreateShortcut "${_GFT_MENU_FOLDER}\${LINK}.lnk" "$INSTDIR\${TARGET}"
!macroend

; A shortcut on the all-users desktop.
!macro GameDesktopShortcut TARGET LINK
  !insertmacro _GFT_AfterBegin GameDesktopShortcut
  !insertmacro _GFT_CheckBegin shortcut
  !insertmacro _GFT_CheckArg GameDesktopShortcut
  !insertmacro _GFT_CheckArg `${TARGET}`
  !insertmacro _GFT_CheckArg `${LINK}`
  !insertmacro _GFT_CheckRun
  !insertmacro _GFT_Append "${_GFT_RECORDS}\Installer.ini" `#DesktopShortcut = "${TARGET}" , "${LINK}"`
  SetOutPath $INSTDIR
  CreateShortcut "$DESKTOP\${LINK}.lnk" "$INSTDIR\${TARGET}"
!macroend

; InstallInfo\SaveFolderSetting.ini: where the game keeps its save data, for
; Prefclear. Twelve bytes: "SFSF", 0 and the location, little-endian.
!macro GameSaveFolder LOCATION
  !insertmacro _GFT_AfterBegin GameSaveFolder
  !if `${LOCATION}` == Documents
    !define _GFT_LOCATION 0
  !else if `${LOCATION}` == AppData
    !define _GFT_LOCATION 1
  !else if `${LOCATION}` == GameFolder
    !define _GFT_LOCATION 2
  !else
    !error `GameSaveFolder "${LOCATION}": write Documents, AppData or GameFolder`
  !endif
  StrCpy $_GFT_Ok 0
  ClearErrors
  FileOpen $_GFT_Names "${_GFT_RECORDS}\SaveFolderSetting.ini" w
  ${IfNot} ${Errors}
    FileWriteByte $_GFT_Names 0x53  ; S
    FileWriteByte $_GFT_Names 0x46  ; F
    FileWriteByte $_GFT_Names 0x53  ; S
    FileWriteByte $_GFT_Names 0x46  ; F
    FileWriteByte $_GFT_Names 0
    FileWriteByte $_GFT_Names 0
    FileWriteByte $_GFT_Names 0
    FileWriteByte $_GFT_Names 0
    FileWriteByte $_GFT_Names ${_GFT_LOCATION}
    FileWriteByte $_GFT_Names 0
    FileWriteByte $_GFT_Names 0
    FileWriteByte $_GFT_Names 0
    FileClose $_GFT_Names
    ${IfNot} ${Errors}
      StrCpy $_GFT_Ok 1
    ${EndIf}
  ${EndIf}
  ${If} $_GFT_Ok = 0
    !insertmacro _GFT_Fail `SaveFolderSetting.ini を書けないため、インストールを中止しました。`
  ${EndIf}
  !undef _GFT_LOCATION
!macroend

; The game key and the uninstall entry, in the 32-bit view, where the
; Uninstaller (a 32-bit program) looks; an installer built for amd64 writes
; there too. Call it last: EstimatedSize is the size of the files listed, in KiB.
!macro GameRegistry
  !insertmacro _GFT_AfterBegin GameRegistry
  !ifndef _GFT_UNINSTALLER
    !error `GameRegistry: install Uninstaller.exe first (GameUninstaller): UninstallString names it`
  !endif
  SetRegView 32
  ClearErrors
  WriteRegStr HKLM "${GAME_REGISTRY}" "InstallPath" "$INSTDIR"
  WriteRegStr HKLM "${_GFT_UNINSTALL_KEY}" "DisplayName" "${GAME_NAME}"
  WriteRegStr HKLM "${_GFT_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${GAME_EXE}"
  WriteRegStr HKLM "${_GFT_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstaller.exe"'
  WriteRegDWORD HKLM "${_GFT_UNINSTALL_KEY}" "NoModify" 1
  !ifdef GAME_PUBLISHER
    WriteRegStr HKLM "${_GFT_UNINSTALL_KEY}" "Publisher" "${GAME_PUBLISHER}"
  !endif
  !ifdef GAME_VERSION
    WriteRegStr HKLM "${_GFT_UNINSTALL_KEY}" "DisplayVersion" "${GAME_VERSION}"
  !endif
  System::Int64Op $_GFT_Bytes + 1023
  Pop $_GFT_Text
  System::Int64Op $_GFT_Text / 1024
  Pop $_GFT_Text
  WriteRegDWORD HKLM "${_GFT_UNINSTALL_KEY}" "EstimatedSize" $_GFT_Text
  SetRegView lastused
  ${If} ${Errors}
    !insertmacro _GFT_Fail `${_GFT_UNINSTALL_KEY}$\r$\n$\r$\nレジストリに書けないため、インストールを中止しました。`
  ${EndIf}
!macroend

!endif ; GAME_FOLDER_TOOLS_NSH
