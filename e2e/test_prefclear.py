"""The real Prefclear.exe under Wine: the three save locations, the
answer Cancel, a malformed start-up file; game names and folders whose
characters end in the byte 0x5C (表 0x95 0x5C, ソ 0x83 0x5C)."""

import pytest

import messages as m
from conftest import built
from wine import Box

CONFIG_FILES = ["3DConfig.vsf", "AFConfig.asd", "MouseCursorSetting.sav", "Volume.sav", "WindowSetting.sav"]
# Save files that are not configuration: a reset must leave them.
OTHER_SAVES = ["save01.dat", "Volume.sav.bak", "system.sav", "表ソ\\WindowSetting.sav"]

NAME = "表示ソフト"                           # the game's name, two 0x5C trail bytes
FOLDER = "C:\\Games\\表示ソフト\\冒険ソ"       # the game folder, ending in ソ
SAVE_FOLDER = "セーブソ"

SETTING_FILES = {                               # InstallInfo\SaveFolderSetting.ini
    "documents": None,                          # no file: the documents folder
    "appdata": b"SFSF" + (0).to_bytes(4, "little") + (1).to_bytes(4, "little"),
    "game-folder": b"SFSF" + (0).to_bytes(4, "little") + (2).to_bytes(4, "little"),
}


def orrin_start(name=NAME, save_folder=SAVE_FOLDER) -> bytes:
    return (b'IniFileVersion = 1\r\nGameName = "' + name.encode("cp932") + b'"\r\nSaveFolder = "'
            + save_folder.encode("cp932") + b'"\r\nViewWidth = 800\r\n')


def save_roots(prefix):
    user = prefix.env["USER"]
    return {
        "documents": f"C:\\users\\{user}\\Documents\\Tarnwick\\{NAME}\\{SAVE_FOLDER}",
        "appdata": f"C:\\users\\{user}\\AppData\\Roaming\\Tarnwick\\{NAME}\\{SAVE_FOLDER}",
        "game-folder": f"{FOLDER}\\{SAVE_FOLDER}",
    }


def lay_out(prefix, layout, location, start_up=None):
    """The game folder with Prefclear.exe and OrrinStart.ini, and a full set of
    save files in all three locations, so that a reset in the wrong one shows."""
    layout.copy_program(built("Prefclear.exe"), f"{FOLDER}\\Prefclear.exe")
    layout.write(f"{FOLDER}\\OrrinStart.ini", orrin_start() if start_up is None else start_up)
    layout.write(f"{FOLDER}\\Game.exe", b"MZ game")
    if SETTING_FILES[location] is not None:
        layout.write(f"{FOLDER}\\InstallInfo\\SaveFolderSetting.ini", SETTING_FILES[location])
    files = {}
    for where, root in save_roots(prefix).items():
        for name in CONFIG_FILES + OTHER_SAVES:
            data = f"{where}:{name}".encode("cp932")
            layout.write(f"{root}\\{name}", data)
            files[f"{root}\\{name}"] = data
    return files


def remaining(layout, files):
    return {path: layout.read(path) for path in files if layout.exists(path)}


def question(answer):
    return Box(m.reset_question(NAME.encode("cp932")), m.PREFCLEAR_CAPTION, m.PREFCLEAR_QUESTION_FLAGS,
               answer=answer)


@pytest.mark.twin
@pytest.mark.parametrize("location", list(SETTING_FILES))
@pytest.mark.parametrize("started_from", ["game-folder", "elsewhere"])
def test_ok_deletes_the_five_config_files_of_the_right_location(prefix, layout, location, started_from):
    files = lay_out(prefix, layout, location)
    # Started elsewhere, it finds OrrinStart.ini beside itself.
    cwd = FOLDER if started_from == "game-folder" else "C:\\users"

    result = prefix.run(f"{FOLDER}\\Prefclear.exe", b"", cwd=cwd, boxes=[
        question("Return"), Box(m.RESET_DONE, m.PREFCLEAR_CAPTION, 0)])

    assert result.exit_code == 0
    assert [b.result for b in result.boxes] == [1, 1]           # IDOK, IDOK
    root = save_roots(prefix)[location]
    gone = {f"{root}\\{name}" for name in CONFIG_FILES}
    assert remaining(layout, files) == {p: d for p, d in files.items() if p not in gone}
    assert result.removed == sorted(gone)                       # nothing else on C:, no folder


def test_cancel_deletes_nothing(prefix, layout):
    files = lay_out(prefix, layout, "game-folder")

    result = prefix.run(f"{FOLDER}\\Prefclear.exe", b"ignored -F=x", cwd=FOLDER, boxes=[
        question("Escape"), Box(m.RESET_CANCELLED, m.PREFCLEAR_CAPTION, 0)])

    assert result.exit_code == 0
    assert result.boxes[0].result == 2                          # IDCANCEL
    assert remaining(layout, files) == files
    assert result.removed == []


def error(text):
    return Box(text, m.PREFCLEAR_CAPTION, m.ERROR_FLAGS)


START_UP = (FOLDER + "\\OrrinStart.ini").encode("cp932")


@pytest.mark.parametrize("start_up, boxes", [
    # A line beginning with # starts no token where a key should begin.
    (b'#GameName = "X"\r\nSaveFolder = "SaveData"\r\n', [error(m.startup_malformed(START_UP))]),
    # A known key without its '=': the statement cannot be read.
    (b'GameName X\r\n', [error(m.startup_parse_error(START_UP))]),
    # Keys in the wrong case are no keys: one message per token, then the
    # question all the same (answered Cancel).
    (b'gamename = X\r\n' + orrin_start(), [error(m.unknown_symbol(t)) for t in (b"gamename", b"=", b"X")]
     + [question("Escape"), Box(m.RESET_CANCELLED, m.PREFCLEAR_CAPTION, 0)]),
], ids=["line-with-hash", "key-without-equals", "unknown-keys-then-question"])
def test_start_up_file_errors_are_shown_and_delete_nothing(prefix, layout, start_up, boxes):
    files = lay_out(prefix, layout, "documents", start_up=start_up)

    result = prefix.run(f"{FOLDER}\\Prefclear.exe", b"", cwd=FOLDER, boxes=boxes)

    assert result.exit_code == 0
    assert remaining(layout, files) == files
    assert result.removed == []


def test_no_start_up_file_anywhere_names_the_one_in_the_current_folder(prefix, layout):
    files = lay_out(prefix, layout, "documents")
    layout.copy_program(built("Prefclear.exe"), "C:\\Tools\\Prefclear.exe")      # none beside this one

    result = prefix.run("C:\\Tools\\Prefclear.exe", b"", cwd="C:\\users", boxes=[
        error(m.startup_unreadable(b"C:\\users\\OrrinStart.ini"))])

    assert result.exit_code == 0
    assert remaining(layout, files) == files
    assert result.removed == []
