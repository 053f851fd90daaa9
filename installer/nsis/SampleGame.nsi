; The sample game's installer (the SampleGame folder beside this script): the
; game's files, Uninstaller.exe and Prefclear.exe, the shortcuts and registry
; entries, and the records the two programs read. make installer builds it.
Unicode true
!define GAME_NAME      "表示サンプルゲーム"
!define GAME_REGISTRY  "SOFTWARE\SampleMaker\SampleGame"
!define GAME_MAKER     "SampleMaker"
!define GAME_MENU      "SampleMaker"
!define GAME_FOLDER    "SampleGame"
!define GAME_EXE       "SampleGame.exe"
!define GAME_MUTEX     "SampleGameMutex"
!define GAME_PUBLISHER "SampleMaker"
!define GAME_VERSION   "1.0"
!include "GameFolderTools.nsh"
!define /ifndef SOURCE "SampleGame"
!define /ifndef OUTFILE "SampleGameSetup.exe"

Name "${GAME_NAME}"
OutFile "${OUTFILE}"

Section
  !insertmacro GameRecordsBegin
  !insertmacro GameFile "SampleGame.exe" "${SOURCE}\SampleGame.exe"
  !insertmacro GameFile "Movie.dll" "${SOURCE}\Movie.dll"
  !insertmacro GameFile "OrrinStart.ini" "${SOURCE}\OrrinStart.ini"
  !insertmacro GameFile "Option.inc" "${SOURCE}\Option.inc"
  !insertmacro GameFolder "data" "${SOURCE}\data"
  !insertmacro GameUninstaller
  !insertmacro GamePrefclear
  !insertmacro GameShortcut "SampleGame.exe" "表示サンプルゲーム"
  !insertmacro GameShortcut "Uninstaller.exe" "アンインストール"
  !insertmacro GameDesktopShortcut "SampleGame.exe" "表示サンプルゲーム"
  !insertmacro GameSaveFolder Documents
  !insertmacro GameRegistry
SectionEnd
