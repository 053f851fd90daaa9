; GameFolderTools.iss: an Inno Setup 6 include that installs a game with the
; records Uninstaller.exe and Prefclear.exe read, in the form they read them.
;
; Define the game before the #include (see SampleGame.iss and makers.md):
;   GAME_NAME       the game's name: the Uninstaller's question, the menu folder
;   GAME_REGISTRY   SOFTWARE\<maker>\<game>, below HKEY_LOCAL_MACHINE
;   GAME_MAKER      DefaultGameMakerName: the folder above the game folder
;   GAME_MENU       DefaultGameMakerProgramMenuName (may be empty)
;   GAME_FOLDER     DefaultGameFolderName
;   GAME_EXE        GameExeFileName: the game's program, also the entry's icon
;   optional: GAME_MUTEX, GAME_PUBLISHER, GAME_VERSION; GAME_INSTALL_DIR, the
;   game folder (default {commonpf32}\<GAME_MAKER>\<GAME_FOLDER>; it is the
;   DefaultDirName); GAME_TOOLS, the folder of Uninstaller.exe, Prefclear.exe
;   and GameFolderCheck.exe (default: this file's own, as in the release
;   package); GAME_CHECK, the build-time check (default
;   GAME_TOOLS\GameFolderCheck.exe).
;
; Then each declaration, on a line of its own after [Setup]:
;   #emit GameFile("dest", "source")      one file, listed as it is installed
;   #emit GameFolder("dest", "source")    a whole folder, every file listed
;   #emit GameUninstaller()               Uninstaller.exe, listed
;   #emit GamePrefclear()                 Prefclear.exe, listed
;   #emit GameShortcut("target", "LinkName")         all users' program menu
;   #emit GameDesktopShortcut("target", "LinkName")  all users' desktop
;   #expr GameSaveFolder("Documents")     or "AppData", "GameFolder"
;   #emit GameRegistry()                  last: the keys (32-bit view) and the code
;
; Installer.ini, InstallFiles.ini and SaveFolderSetting.ini are written by the
; installer, converted to code page 932 explicitly (WideCharToMultiByte with
; no best fit), with CR LF, whatever the code page of the Windows that runs
; it or of the machine that compiles it. A name that code page 932 cannot
; hold stops the compile (GameFolderCheck); should the check not have run,
; the installer stops before it writes anything. Inno Setup's own
; uninstaller is off: the game's uninstaller is Uninstaller.exe.

#ifdef GAME_FOLDER_TOOLS_ISS
  #error GameFolderTools.iss is included twice; include it once, after the game's defines
#endif
#define GAME_FOLDER_TOOLS_ISS

#if !Defined(GAME_NAME) || !Defined(GAME_REGISTRY) || !Defined(GAME_MAKER) || !Defined(GAME_FOLDER) || !Defined(GAME_EXE)
  #error GameFolderTools.iss: define GAME_NAME, GAME_REGISTRY, GAME_MAKER, GAME_FOLDER and GAME_EXE before the #include
#endif
#ifndef GAME_MENU
  #define GAME_MENU ""
#endif
#ifndef GAME_TOOLS
  #define GAME_TOOLS ExtractFileDir(__PATHFILENAME__)
#endif
#ifndef GAME_CHECK
  #define GAME_CHECK AddBackslash(GAME_TOOLS) + "GameFolderCheck.exe"
#endif
#ifndef GAME_INSTALL_DIR
  #if GAME_MAKER == ""
    #define GAME_INSTALL_DIR "{commonpf32}\" + GAME_FOLDER
  #else
    #define GAME_INSTALL_DIR "{commonpf32}\" + GAME_MAKER + "\" + GAME_FOLDER
  #endif
#endif

; ---- build-time checks ------------------------------------------------------

; Runs GameFolderCheck on the quoted values (it takes each quoted run as it
; is, backslashes and all). Its lines show in the compiler's output; an
; error stops the compile with the first of them, a warning is repeated
; among the compiler's warnings.
#if FileExists(GAME_CHECK)
  #define _GFT_Checked 1
#else
  #define _GFT_Checked 0
  #pragma warning "GameFolderCheck.exe is not at " + GAME_CHECK + ": the build-time checks did not run; the installer still stops before it writes a name Shift-JIS cannot hold"
#endif
#define _GFT_Check(str Arguments) \
  !_GFT_Checked ? "" : \
  (Local[0] = Exec(GAME_CHECK, Arguments, SourcePath, 1, SW_HIDE)) == 0 ? "" : \
  Local[0] == 2 ? Warning(ExecAndGetFirstLine(GAME_CHECK, Arguments, SourcePath)) : \
  Local[0] == 1 ? Error(ExecAndGetFirstLine(GAME_CHECK, Arguments, SourcePath)) : \
  Error("GameFolderCheck did not run (" + Str(Local[0]) + "): " + GAME_CHECK)
#define _GFT_Q(str Text) '"' + Text + '"'

; Text inside an entry's parameter, where Inno Setup expands {constants},
; and inside a Pascal string of the [Code] section.
#define _GFT_Braces(str Text) StringChange(Text, "{", "{{")
#define _GFT_Pascal(str Text) "'" + StringChange(Text, "'", "''") + "'"

#expr _GFT_Check("game " + _GFT_Q(GAME_NAME) + " " + _GFT_Q(GAME_REGISTRY) + " " + _GFT_Q(GAME_MAKER) + " " + \
                 _GFT_Q(GAME_MENU) + " " + _GFT_Q(GAME_FOLDER) + " " + _GFT_Q(GAME_EXE) + \
                 (Defined(GAME_MUTEX) ? " " + _GFT_Q(GAME_MUTEX) : ""))
#expr _GFT_Check("installdir " + _GFT_Q(GAME_INSTALL_DIR) + " " + _GFT_Q(GAME_MAKER))

; The uninstall entry: TarnwickGame_ and the last part of GAME_REGISTRY.
#define _GFT_ENTRY "TarnwickGame_" + Copy(GAME_REGISTRY, RPos("\", GAME_REGISTRY) + 1)
#define _GFT_UNINSTALL_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\" + _GFT_ENTRY
#if GAME_MENU == ""
  #define _GFT_MENU_FOLDER "{commonprograms}\" + _GFT_Braces(GAME_NAME)
#else
  #define _GFT_MENU_FOLDER "{commonprograms}\" + _GFT_Braces(GAME_MENU) + "\" + _GFT_Braces(GAME_NAME)
#endif

; What the declarations gathered for the [Code] section GameRegistry writes:
; Installer.ini's shortcut statements, in order, and the save-folder code.
#define _GFT_Shortcuts ""
#define _GFT_SaveFolder -1
#define _GFT_HasUninstaller 0
#define _GFT_Ended 0

#define _GFT_NotEnded(str What) \
  _GFT_Ended ? Error(What + ": call it before GameRegistry, which writes the records' code last") : ""

; DEST's folder below {app}, and its name.
#define _GFT_DestDir(str Dest) \
  RPos("\", Dest) ? "{app}\" + _GFT_Braces(Copy(Dest, 1, RPos("\", Dest) - 1)) : "{app}"
#define _GFT_DestName(str Dest) _GFT_Braces(Copy(Dest, RPos("\", Dest) + 1))

[Setup]
; The Uninstaller needs administrator rights, and so do the all-users
; shortcuts and the keys below HKEY_LOCAL_MACHINE.
PrivilegesRequired=admin
DefaultDirName={#GAME_INSTALL_DIR}
DisableProgramGroupPage=yes
; No unins000.exe and no _is1 entry: the game has one uninstall entry, and
; it starts Uninstaller.exe.
Uninstallable=no

; ---- the declarations ---------------------------------------------------------

; Installs SOURCE (a file on the build machine) as DEST (relative to the game
; folder) and lists it once it is in place.
#define GameFile(str Dest, str Source) \
  _GFT_NotEnded("GameFile"), \
  _GFT_Check("file " + _GFT_Q(Dest) + " " + _GFT_Q(Source)), \
  (LowerCase(Dest) == "uninstaller.exe" ? _GFT_HasUninstaller = 1 : 0), \
  "[Files]" + NewLine + \
  "Source: " + _GFT_Q(Source) + "; DestDir: " + _GFT_Q(_GFT_DestDir(Dest)) + \
  "; DestName: " + _GFT_Q(_GFT_DestName(Dest)) + "; Flags: ignoreversion; AfterInstall: GFTListFile"

; Installs every file below the folder SOURCE as DEST\... and lists each one
; once it is in place: the list names exactly what this installer carries,
; never a file that was already in the game folder. Folders without files
; are not installed, since no list entry could take them away again.
#define GameFolder(str Dest, str Source) \
  _GFT_NotEnded("GameFolder"), \
  _GFT_Check("folder " + _GFT_Q(Dest) + " " + _GFT_Q(Source)), \
  "[Files]" + NewLine + \
  "Source: " + _GFT_Q(AddBackslash(Source) + "*") + "; DestDir: " + _GFT_Q("{app}\" + _GFT_Braces(Dest)) + \
  "; Flags: ignoreversion recursesubdirs; AfterInstall: GFTListFile"

#define GameUninstaller() GameFile("Uninstaller.exe", AddBackslash(GAME_TOOLS) + "Uninstaller.exe")
#define GamePrefclear() GameFile("Prefclear.exe", AddBackslash(GAME_TOOLS) + "Prefclear.exe")

; A shortcut, recorded just before it is made: a shortcut made and not
; recorded would stay. TARGET is relative to the game folder, LINK the
; shortcut's name without .lnk; the game folder is its working folder
; (Prefclear finds OrrinStart.ini there).
#define _GFT_Shortcut(str What, str Key, str Folder, str Target, str Link) \
  _GFT_NotEnded(What), \
  _GFT_Check("shortcut " + What + " " + _GFT_Q(Target) + " " + _GFT_Q(Link)), \
  Local[0] = _GFT_Pascal(Key) + ", " + _GFT_Pascal(Target) + ", " + _GFT_Pascal(Link), \
  _GFT_Shortcuts = _GFT_Shortcuts + "  GFTAdd(GFTShortcuts, GFTShortcutLine(" + Local[0] + "));" + NewLine, \
  "[Icons]" + NewLine + \
  "Name: " + _GFT_Q(Folder + "\" + _GFT_Braces(Link)) + "; Filename: " + _GFT_Q("{app}\" + _GFT_Braces(Target)) + \
  "; WorkingDir: " + _GFT_Q("{app}") + "; BeforeInstall: GFTRecordShortcut(" + Local[0] + ")"
#define GameShortcut(str Target, str Link) \
  _GFT_Shortcut("GameShortcut", "Shortcut", _GFT_MENU_FOLDER, Target, Link)
#define GameDesktopShortcut(str Target, str Link) \
  _GFT_Shortcut("GameDesktopShortcut", "DesktopShortcut", "{commondesktop}", Target, Link)

; InstallInfo\SaveFolderSetting.ini: where the game keeps its save data, for
; Prefclear. Twelve bytes: "SFSF", 0 and the location, little-endian.
#define GameSaveFolder(str Location) \
  _GFT_NotEnded("GameSaveFolder"), \
  _GFT_SaveFolder = Location == "Documents" ? 0 : Location == "AppData" ? 1 : Location == "GameFolder" ? 2 : \
    Error("GameSaveFolder(" + _GFT_Q(Location) + "): write " + _GFT_Q("Documents") + ", " + _GFT_Q("AppData") + \
          " or " + _GFT_Q("GameFolder"))

; ---- the keys and the code that writes the records -----------------------------

; In the 32-bit view (HKLM32), where the Uninstaller (a 32-bit program)
; looks. EstimatedSize is the size of the files listed, in KiB.
#define _GFT_Value(str Name, str Type, str Data) \
  "Root: HKLM32; Subkey: " + _GFT_Q(_GFT_Braces(_GFT_UNINSTALL_KEY)) + "; ValueType: " + Type + \
  "; ValueName: " + _GFT_Q(Name) + "; ValueData: " + _GFT_Q(Data) + NewLine
#define GameRegistry() \
  _GFT_NotEnded("GameRegistry"), \
  (_GFT_HasUninstaller ? "" : Error("GameRegistry: install Uninstaller.exe first (#emit GameUninstaller()): " + \
    "UninstallString names it")), \
  _GFT_Ended = 1, \
  "[Registry]" + NewLine + \
  "Root: HKLM32; Subkey: " + _GFT_Q(_GFT_Braces(GAME_REGISTRY)) + \
  "; ValueType: string; ValueName: " + _GFT_Q("InstallPath") + "; ValueData: " + _GFT_Q("{app}") + NewLine + \
  _GFT_Value("DisplayName", "string", _GFT_Braces(GAME_NAME)) + \
  _GFT_Value("DisplayIcon", "string", "{app}\" + _GFT_Braces(GAME_EXE)) + \
  _GFT_Value("UninstallString", "string", '""{app}\Uninstaller.exe""') + \
  _GFT_Value("NoModify", "dword", "1") + \
  (Defined(GAME_PUBLISHER) ? _GFT_Value("Publisher", "string", _GFT_Braces(GAME_PUBLISHER)) : "") + \
  (Defined(GAME_VERSION) ? _GFT_Value("DisplayVersion", "string", _GFT_Braces(GAME_VERSION)) : "") + \
  _GFT_Value("EstimatedSize", "dword", "{code:GFTEstimatedSize}") + \
  "[Code]" + NewLine + \
  "procedure GFTDeclare;" + NewLine + "begin" + NewLine + \
  "  GFTAdd(GFTHead, '#InstallerSetupFileVersion = 1');" + NewLine + \
  "  GFTAdd(GFTHead, " + _GFT_Pascal("#GameName = " + _GFT_Q(GAME_NAME)) + ");" + NewLine + \
  "  GFTAdd(GFTHead, " + _GFT_Pascal("#Registry = " + _GFT_Q(GAME_REGISTRY)) + ");" + NewLine + \
  (Defined(GAME_MUTEX) ? "  GFTAdd(GFTHead, " + _GFT_Pascal("#MutexName = " + _GFT_Q(GAME_MUTEX)) + ");" + NewLine : "") + \
  "  GFTAdd(GFTHead, " + _GFT_Pascal("#DefaultGameMakerName = " + _GFT_Q(GAME_MAKER)) + ");" + NewLine + \
  "  GFTAdd(GFTHead, " + _GFT_Pascal("#DefaultGameMakerProgramMenuName = " + _GFT_Q(GAME_MENU)) + ");" + NewLine + \
  "  GFTAdd(GFTHead, " + _GFT_Pascal("#DefaultGameFolderName = " + _GFT_Q(GAME_FOLDER)) + ");" + NewLine + \
  "  GFTAdd(GFTHead, " + _GFT_Pascal("#GameExeFileName = " + _GFT_Q(GAME_EXE)) + ");" + NewLine + \
  "  GFTAdd(GFTHead, " + _GFT_Pascal("#UninstallerExeFileName = " + _GFT_Q("Uninstaller.exe")) + ");" + NewLine + \
  _GFT_Shortcuts + \
  "  GFTSaveFolder := " + Str(_GFT_SaveFolder) + ";" + NewLine + \
  "end;" + NewLine

[Code]
var
  GFTHead: TArrayOfString;       // Installer.ini's statements before the shortcuts
  GFTShortcuts: TArrayOfString;  // its shortcut statements, each written as its shortcut is made
  GFTSaveFolder: Integer;        // SaveFolderSetting.ini's location, -1 for none
  GFTBytes: Int64;               // the bytes of the files listed so far
  GFTStarted, GFTFinished: Boolean;
  GFTFailure: String;            // the first record that could not be written

function GFTWideCharToMultiByte(CodePage, Flags: Cardinal; Text: String; TextLength: Integer;
  Bytes: AnsiString; BytesLength: Integer; DefaultChar: Cardinal; var UsedDefault: Integer): Integer;
  external 'WideCharToMultiByte@kernel32.dll stdcall';
function GFTComputeCrc32(Crc: Cardinal; Data: AnsiString; Length: Cardinal): Cardinal;
  external 'RtlComputeCrc32@ntdll.dll stdcall';

procedure GFTDeclare; forward;

procedure GFTAdd(var Lines: TArrayOfString; const Line: String);
begin
  SetArrayLength(Lines, GetArrayLength(Lines) + 1);
  Lines[GetArrayLength(Lines) - 1] := Line;
end;

// #Shortcut or #DesktopShortcut (KEY) of Installer.ini.
function GFTShortcutLine(const Key, Target, Link: String): String;
begin
  Result := '#' + Key + ' = "' + Target + '" , "' + Link + '"';
end;

function GFTRecords: String;
begin
  Result := ExpandConstant('{app}\InstallInfo');
end;

// Text in code page 932, exactly. WC_NO_BEST_FIT_CHARS ($400): "¥" must not
// quietly become "\", nor "é" "e". The flag that says a character had no
// form starts at 1, so a call that leaves it unset fails too.
function GFTEncode(const Text: String; var Bytes: AnsiString): Boolean;
var
  Size, UsedDefault: Integer;
begin
  SetLength(Bytes, Length(Text) * 2 + 2);
  UsedDefault := 1;
  Size := GFTWideCharToMultiByte(932, $400, Text, Length(Text), Bytes, Length(Bytes), 0, UsedDefault);
  Result := (Size > 0) and (UsedDefault = 0);
  if Result then
    SetLength(Bytes, Size)
  else
    Bytes := '';
end;

// A record that could not be written: the player is told once, and Setup
// ends with exit code 2. Setup goes on installing, since the code of an
// entry cannot stop it; the records stay as whole as they can be.
procedure GFTFail(const Message: String);
begin
  if GFTFailure = '' then begin
    GFTFailure := Message;
    SuppressibleMsgBox(Message, mbCriticalError, MB_OK, IDOK);
  end;
end;

<event('GetCustomSetupExitCode')>
function GFTGetCustomSetupExitCode: Integer;
begin
  Result := 0;
  if GFTFailure <> '' then
    Result := 2;
end;

// Appends LINE and CR LF, in code page 932, to the record FILENAME.
function GFTAppend(const FileName, Line: String): Boolean;
var
  Bytes: AnsiString;
begin
  Result := False;
  if not GFTEncode(Line + #13#10, Bytes) then
    GFTFail(Line + #13#10#13#10 + 'この行は Shift-JIS で書けないため、記録に書けませんでした。アンインストールではこれが削除されません。')
  else if not SaveStringToFile(FileName, Bytes, True) then
    GFTFail(FileName + #13#10#13#10 + 'この記録を書けませんでした。アンインストールでは記録にないものが削除されません。')
  else
    Result := True;
end;

// Before anything is written: every statement of Installer.ini must have a
// code page 932 form, or the installation stops here.
<event('PrepareToInstall')>
function GFTPrepareToInstall(var NeedsRestart: Boolean): String;
var
  I: Integer;
  Bytes: AnsiString;
begin
  Result := '';
  // Setup asks again when the player goes back and on.
  SetArrayLength(GFTHead, 0);
  SetArrayLength(GFTShortcuts, 0);
  GFTSaveFolder := -1;
  GFTDeclare;
  for I := 0 to GetArrayLength(GFTHead) + GetArrayLength(GFTShortcuts) - 1 do
    if I < GetArrayLength(GFTHead) then begin
      if not GFTEncode(GFTHead[I], Bytes) then
        Result := GFTHead[I];
    end else if not GFTEncode(GFTShortcuts[I - GetArrayLength(GFTHead)], Bytes) then
      Result := GFTShortcuts[I - GetArrayLength(GFTHead)];
  if Result <> '' then
    Result := Result + #13#10#13#10 + 'このゲームの設定に Shift-JIS で書けない文字があるため、インストールを中止しました。';
end;

// The records, started afresh: Installer.ini up to its shortcuts, an
// InstallFiles.ini with no entry yet, and the save-folder setting. Setup
// stops here (Abort, at ssInstall) when one cannot be written.
procedure GFTBegin;
var
  I: Integer;
begin
  ForceDirectories(GFTRecords);
  DeleteFile(GFTRecords + '\Installer.ini');
  DeleteFile(GFTRecords + '\InstallFiles.ini');
  DeleteFile(GFTRecords + '\SaveFolderSetting.ini');
  GFTStarted := True;
  for I := 0 to GetArrayLength(GFTHead) - 1 do
    if not GFTAppend(GFTRecords + '\Installer.ini', GFTHead[I]) then
      Abort;
  if not GFTAppend(GFTRecords + '\InstallFiles.ini', '#InstallerSetupFileVersion = 1') then
    Abort;
  if (GFTSaveFolder >= 0) and not SaveStringToFile(GFTRecords + '\SaveFolderSetting.ini',
      'SFSF'#0#0#0#0 + Chr(GFTSaveFolder) + #0#0#0, False) then begin
    GFTFail(GFTRecords + '\SaveFolderSetting.ini' + #13#10#13#10 + 'この記録を書けませんでした。');
    Abort;
  end;
end;

<event('CurStepChanged')>
procedure GFTCurStepChanged(CurStep: TSetupStep);
begin
  if CurStep = ssInstall then
    GFTBegin
  else if CurStep = ssPostInstall then
    GFTFinished := True;
end;

// An installation that did not finish was rolled back by Setup; its records
// go too, so that nothing of it stays.
<event('DeinitializeSetup')>
procedure GFTDeinitializeSetup;
begin
  if GFTStarted and not GFTFinished then begin
    DeleteFile(GFTRecords + '\Installer.ini');
    DeleteFile(GFTRecords + '\InstallFiles.ini');
    DeleteFile(GFTRecords + '\SaveFolderSetting.ini');
    RemoveDir(GFTRecords);
    RemoveDir(ExpandConstant('{app}'));
  end;
end;

// Lists the file the current [Files] entry has just installed, with its size
// and CRC-32 (the Uninstaller reads and ignores both numbers; they let anyone
// check the installed bytes). One InstallFileList statement per file keeps
// the list whole after every step.
// VALUE as eight lower-case hexadecimal digits. Not with Format: its result
// is converted through the system's code page, and a line joined with it
// would lose every character that code page lacks.
function GFTHex8(Value: Cardinal): String;
var
  I: Integer;
begin
  Result := '';
  for I := 1 to 8 do begin
    Result := Copy('0123456789abcdef', (Value and 15) + 1, 1) + Result;
    Value := Value shr 4;
  end;
end;

procedure GFTListFile;
var
  Path, Folder, Relative, SizeText: String;
  Stream: TFileStream;
  Buffer: AnsiString;
  Size: Int64;
  Count: Integer;
  Crc: Cardinal;
begin
  Path := ExpandConstant(CurrentFileName);
  Folder := ExpandConstant('{app}\');
  if CompareText(Copy(Path, 1, Length(Folder)), Folder) <> 0 then begin
    GFTFail(Path + #13#10#13#10 + 'ゲームのフォルダの外にあるため、記録に書けませんでした。');
    exit;
  end;
  Crc := 0;
  try
    Stream := TFileStream.Create(Path, fmOpenRead or fmShareDenyWrite);
    try
      Size := Stream.Size;
      SetLength(Buffer, 1048576);
      repeat
        Count := Stream.Read(Buffer, Length(Buffer));
        if Count > 0 then
          Crc := GFTComputeCrc32(Crc, Buffer, Count);
      until Count <= 0;
    finally
      Stream.Free;
    end;
  except
    GFTFail(Path + #13#10#13#10 + 'このファイルを読めないため、記録に書けませんでした。' + #13#10 + GetExceptionMessage);
    exit;
  end;
  GFTBytes := GFTBytes + Size;
  Relative := Copy(Path, Length(Folder) + 1, MaxInt);
  SizeText := IntToStr(Size);
  GFTAppend(GFTRecords + '\InstallFiles.ini', '#InstallFileList { "' + Relative + '" , ' + SizeText + ' , 0x' +
    GFTHex8(Crc) + ' }');
end;

procedure GFTRecordShortcut(const Key, Target, Link: String);
begin
  GFTAppend(GFTRecords + '\Installer.ini', GFTShortcutLine(Key, Target, Link));
end;

function GFTEstimatedSize(Param: String): String;
begin
  Result := IntToStr((GFTBytes + 1023) div 1024);
end;
