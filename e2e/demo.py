"""make demo: the two programs on a sample installed game, in a fresh Wine
prefix with a Japanese locale, as a user would meet them.

Prints every message box shown, what each program removed and kept, and
where the screenshots are (out/demo/screenshots/).
"""

import shutil
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import builds  # noqa: E402
import game  # noqa: E402
import wine  # noqa: E402
from game import Game  # noqa: E402

REPO = Path(__file__).resolve().parents[1]
OUT = REPO / "out" / "demo"
SHOTS = OUT / "screenshots"

MAKER = "SampleMaker"
NAME = "表示サンプルゲーム"      # 表 ends in the byte 0x5C
FOLDER = f"C:\\Games\\{MAKER}\\SampleGame"
DOCUMENTS_SAVE = "C:\\users\\{user}\\Documents\\Tarnwick\\" + NAME + "\\SaveData"
CONFIG_FILES = ["3DConfig.vsf", "AFConfig.asd", "MouseCursorSetting.sav", "Volume.sav", "WindowSetting.sav"]

SAMPLE = Game(
    folder=FOLDER, name=NAME, registry=f"SOFTWARE\\{MAKER}\\SampleGame", maker=MAKER, maker_menu=MAKER,
    files={
        "SampleGame.exe": b"MZ sample game",
        "Uninstaller.exe": b"",           # replaced by the real program below
        "Prefclear.exe": b"",
        "OrrinStart.ini": f'IniFileVersion = 1\r\nGameName = "{NAME}"\r\nSaveFolder = "SaveData"\r\n'
                          'ViewWidth = 800\r\nViewHeight = 600\r\n'.encode("cp932"),
        "data\\画像\\背景.png": b"\x89PNG",
        "data\\音声\\ソース.ogg": b"OggS",
        "data\\script.dat": b"script",
    })
OTHER = Game(folder=f"C:\\Games\\{MAKER}\\OtherGame", name="別のゲーム", registry=f"SOFTWARE\\{MAKER}\\OtherGame",
             maker=MAKER, files={"OtherGame.exe": b"MZ other game"})


def say(text=""):
    print(text, flush=True)


def tree(prefix, roots):
    found = set()
    for root in roots:
        base = prefix.unix_path(root)
        if base.exists():
            for path in [base, *base.rglob("*")]:
                found.add("C:\\" + str(path.relative_to(prefix.drive_c)).replace("/", "\\")
                          + ("\\" if path.is_dir() else ""))
    return found


def show_boxes(result):
    for box in result.boxes:
        # A text the trace cut may end inside a character.
        text = box.text.decode("cp932", "ignore" if box.truncated else "replace").replace("\n", "\n      ")
        answer = {1: "OK", 2: "Cancel", 6: "Yes", 7: "No"}.get(box.result, box.result)
        say(f"    box [{box.caption.decode('cp932')}] -> {answer}")
        say(f"      {text}{' …' if box.truncated else ''}")


def main():
    try:
        wine.require_tools()
    except wine.HarnessError as error:
        sys.exit(f"demo: {error}")
    chosen = builds.shipped_or_twin()
    if chosen is not builds.I686:
        say(f"== The shipped i686 programs: {builds.NOT_RUN_32BIT}; showing the x86_64 twin")
    uninstaller = chosen.program("Uninstaller.exe")
    prefclear = chosen.program("Prefclear.exe")
    for program in (uninstaller, prefclear):
        if not program.is_file():
            sys.exit(f"demo: {program} is missing; run make build")

    if OUT.exists():
        if (OUT / "wine" / "prefix").exists():
            wine.kill_prefix(OUT / "wine" / "prefix")
        shutil.rmtree(OUT)
    (OUT / "wine").mkdir(parents=True)
    started = time.monotonic()
    say(f"== The {chosen.name} programs, in a fresh Wine prefix (LANG=ja_JP.UTF-8, code page 932) "
        "on a virtual display")
    display = wine.Display(OUT)
    prefix = wine.WinePrefix(OUT / "wine", display)
    prefix.view = chosen.view
    try:
        run_demo(prefix, uninstaller, prefclear)
    finally:
        prefix.kill()
        display.close()
    say(f"\nDone in {time.monotonic() - started:.0f} s. Screenshots of this run: {SHOTS}")
    say(f"Pictures of every box either program can show: {REPO / 'docs' / 'screenshots'} (make screenshots)")


def run_demo(prefix, uninstaller, prefclear):
    user = prefix.env["USER"]
    layout = game.Layout(prefix, bystanders=False)
    save = DOCUMENTS_SAVE.format(user=user)
    menu = f"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\{MAKER}\\{NAME}\\{NAME}.lnk"
    desktop = f"C:\\users\\Public\\Desktop\\{NAME}.lnk"

    say(f"== Installing the sample game {NAME} in {FOLDER}")
    layout.install_game(OTHER)
    settings = game.installer_ini(NAME, SAMPLE.registry, MAKER, MAKER, "SampleGame",
                                  game_exe="SampleGame.exe", shortcuts=[("SampleGame.exe", NAME)],
                                  desktop_shortcuts=[("SampleGame.exe", NAME)])
    layout.install_game(SAMPLE, settings=settings)
    layout.copy_program(uninstaller, f"{FOLDER}\\Uninstaller.exe")
    layout.copy_program(prefclear, f"{FOLDER}\\Prefclear.exe")
    layout.write(f"{FOLDER}\\InstallInfo\\SaveFolderSetting.ini", b"SFSF" + bytes(8))  # documents
    layout.write(menu, b"shortcut")
    layout.write(desktop, b"shortcut")
    layout.write(f"C:\\Games\\{MAKER}\\readme-from-the-user.txt", b"not the game's")
    for name in CONFIG_FILES + ["save01.dat"]:
        layout.write(f"{save}\\{name}", b"data")
    watched = ["C:\\Games", f"C:\\users\\{user}\\Documents\\Tarnwick",
               f"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\{MAKER}", desktop]
    for line in sorted(tree(prefix, watched)):
        say(f"    {line}")
    say(f"    registry: {prefix.in_view(SAMPLE.game_key)} and its uninstall entry; another game {OTHER.folder}")

    say("\n== 1. Uninstaller.exe, answer No (nothing may change)")
    before = tree(prefix, watched)
    result = prefix.run(f"{FOLDER}\\Uninstaller.exe", b"", cwd=FOLDER, boxes=[
        wine.Box(None, b"Uninstaller", 4, answer="n", screenshot=SHOTS / "uninstaller-question.png")])
    show_boxes(result)
    say(f"    exit code {result.exit_code}; files changed: {'none' if tree(prefix, watched) == before else 'YES'}")

    caption = "コンフィグ設定初期化".encode("cp932")
    say("\n== 2. Prefclear.exe, answer Cancel")
    result = prefix.run(f"{FOLDER}\\Prefclear.exe", b"", cwd=FOLDER, boxes=[
        wine.Box(None, caption, 1, answer="Escape", screenshot=SHOTS / "prefclear-question.png"),
        wine.Box(None, caption, 0, screenshot=SHOTS / "prefclear-cancelled.png")])
    show_boxes(result)
    say(f"    exit code {result.exit_code}; files changed: {'none' if tree(prefix, watched) == before else 'YES'}")

    say("\n== 3. Prefclear.exe, answer OK (resets the five configuration files)")
    result = prefix.run(f"{FOLDER}\\Prefclear.exe", b"", cwd=FOLDER, boxes=[
        wine.Box(None, caption, 1, answer="Return"),
        wine.Box(None, caption, 0, screenshot=SHOTS / "prefclear-done.png")])
    show_boxes(result)
    after = tree(prefix, watched)
    say(f"    exit code {result.exit_code}")
    for line in sorted(before - after):
        say(f"    removed {line}")
    say(f"    kept    {save}\\save01.dat: {'yes' if layout.exists(save + chr(92) + 'save01.dat') else 'NO'}")

    say("\n== 4. Uninstaller.exe, answer Yes (the copy in the temporary folder removes the game)")
    before = after
    result = prefix.run(f"{FOLDER}\\Uninstaller.exe", b"", cwd=FOLDER, relaunch=True, boxes=[
        wine.Box(None, b"Uninstaller", 4, answer="y"),
        wine.Box(None, b"Uninstaller", 0, screenshot=SHOTS / "uninstaller-done.png")])
    show_boxes(result)
    after = tree(prefix, watched)
    say(f"    exit code of the first run {result.exit_code}; batch file it started:")
    for batch in result.batches.values():
        for line in (batch or b"").decode("cp932", "replace").splitlines():
            say(f"      {line}")
    for line in sorted(before - after):
        say(f"    removed {line}")
    for line in sorted(after):
        say(f"    kept    {line}")
    for key in (SAMPLE.game_key, SAMPLE.entry_key, OTHER.game_key, OTHER.entry_key):
        say(f"    registry {prefix.in_view(key)}: {'still there' if prefix.key_exists(key) else 'removed'}")
    left = list(prefix.temp_dir.iterdir())
    say(f"    temporary folder: {'empty' if not left else [p.name for p in left]}")


if __name__ == "__main__":
    main()
