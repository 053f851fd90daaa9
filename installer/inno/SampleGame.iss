; The sample game's installer (the SampleGame folder beside this script): the
; game's files, Uninstaller.exe and Prefclear.exe, the shortcuts and registry
; entries, and the records the two programs read. make installer builds it.
#define GAME_NAME      "表示サンプルゲーム"
#define GAME_REGISTRY  "SOFTWARE\SampleMaker\SampleGame"
#define GAME_MAKER     "SampleMaker"
#define GAME_MENU      "SampleMaker"
#define GAME_FOLDER    "SampleGame"
#define GAME_EXE       "SampleGame.exe"
#define GAME_MUTEX     "SampleGameMutex"
#define GAME_PUBLISHER "SampleMaker"
#define GAME_VERSION   "1.0"
#include "GameFolderTools.iss"
#ifndef SOURCE
  #define SOURCE "SampleGame"
#endif

[Setup]
AppName={#GAME_NAME}
AppVersion={#GAME_VERSION}
AppPublisher={#GAME_PUBLISHER}
OutputBaseFilename=SampleGameSetup

[Languages]
Name: "ja"; MessagesFile: "compiler:Languages\Japanese.isl"

#emit GameFile("SampleGame.exe", SOURCE + "\SampleGame.exe")
#emit GameFile("Movie.dll", SOURCE + "\Movie.dll")
#emit GameFile("OrrinStart.ini", SOURCE + "\OrrinStart.ini")
#emit GameFile("Option.inc", SOURCE + "\Option.inc")
#emit GameFolder("data", SOURCE + "\data")
#emit GameUninstaller()
#emit GamePrefclear()
#emit GameShortcut("SampleGame.exe", "表示サンプルゲーム")
#emit GameShortcut("Uninstaller.exe", "アンインストール")
#emit GameDesktopShortcut("SampleGame.exe", "表示サンプルゲーム")
#expr GameSaveFolder("Documents")
#emit GameRegistry()
