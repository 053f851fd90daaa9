"""The removing mode of the real Uninstaller.exe run directly with -F, and the
asking mode's Yes when the relaunch cannot start: the remaining rows of the
exit-code table. Every scenario says exactly what the run removed on C:, and
the bystanders beside the game are checked after it."""

import shutil

import pytest

import messages as m
from conftest import built
from game import Game, install_files_ini
from wine import Box

GAME = Game(folder="C:\\Games\\Maker\\Game", name="Game", registry="SOFTWARE\\Maker\\Game", maker="Maker",
            files={"Game.exe": b"MZ game", "data\\a.dat": b"a", "data\\sub\\b.dat": b"b"})
TOOL = "C:\\Tools\\Uninstaller.exe"


def removing_copy(layout):
    """The program outside the game folder, as the relaunch batch runs it."""
    layout.copy_program(built("Uninstaller.exe"), TOOL)
    return TOOL


def break_records(prefix, layout, damage):
    records = f"{GAME.folder}\\InstallInfo"
    if damage == "no-records":
        shutil.rmtree(prefix.unix_path(records))
    elif damage == "list-malformed":
        # A statement that does not begin with # makes the list unreadable.
        layout.write(f"{records}\\InstallFiles.ini", install_files_ini(GAME.files) + b"InstallFileList\r\n")
    elif damage == "settings-malformed":
        layout.write(f"{records}\\Installer.ini", b'#GameName = Game\r\n')     # a word, not a string


@pytest.mark.parametrize("arguments, damage", [
    (f'-F="{GAME.folder}"', "no-records"),
    (f'-F="{GAME.folder}"', "list-malformed"),
    (f'-F="{GAME.folder}"', "settings-malformed"),
    # Run from the maker folder, a relative folder would find the game: it is refused.
    ('-F="Game"', None),
    ("-F=", None),
], ids=["no-InstallInfo", "InstallFiles-malformed", "Installer-malformed", "relative-folder", "empty-folder"])
def test_removing_mode_that_cannot_read_its_records_fails_and_removes_nothing(prefix, layout, arguments, damage):
    layout.install_game(GAME)
    break_records(prefix, layout, damage)

    result = prefix.run(removing_copy(layout), arguments, cwd="C:\\Games\\Maker", boxes=[
        Box(m.UNINSTALL_FAILED, m.UNINSTALLER_CAPTION, m.ERROR_FLAGS)])

    assert result.exit_code == -1
    assert result.removed == []
    assert prefix.key_exists(GAME.game_key) and prefix.key_exists(GAME.entry_key)


SO = Game(folder="C:\\Games\\Maker\\ゲームソ", name="ゲームソ", registry="SOFTWARE\\Maker\\ゲームソ", maker="Maker",
          files=GAME.files)                   # ソ is 0x83 0x5C: the folder's last byte is a trail byte


@pytest.mark.parametrize("game, arguments", [
    (GAME, f'-F="{GAME.folder}\\"'),           # a trailing backslash is dropped
    (GAME, f"/F={GAME.folder} -Q=1"),           # unquoted, '/' for '-', a second item ignored
    (SO, f'-F="{SO.folder}"'),                  # the trail byte is not a trailing backslash
    (SO, f'-F="{SO.folder}\\"'),               # but the backslash after it is
], ids=["quoted-trailing-backslash", "unquoted-second-item", "ends-in-0x5C", "ends-in-0x5C-backslash"])
def test_removing_mode_on_a_good_game_completes(prefix, layout, game, arguments):
    layout.install_game(game)

    result = prefix.run(removing_copy(layout), arguments, boxes=[
        Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)])

    assert result.exit_code == 0
    assert result.shell_calls == []
    # The maker folder holds another game and stays.
    assert result.removed == sorted(
        {game.folder} | {f"{game.folder}\\{p}" for p in [
            *game.files, "data", "data\\sub", "InstallInfo", "InstallInfo\\Installer.ini",
            "InstallInfo\\InstallFiles.ini"]})
    assert not prefix.key_exists(game.game_key) and not prefix.key_exists(game.entry_key)


# No maker menu: the game's menu folder lies straight in the program menu, and
# goes with its shortcuts. An entry naming a folder (a trailing backslash)
# adds the folder above it, which goes when empty.
PLAIN = Game(folder="C:\\Games\\Maker\\Plain", name="Plain", registry="SOFTWARE\\Maker\\Plain", maker="Maker",
             maker_menu="", files={"Game.exe": b"MZ game", "data\\a.dat": b"a"},
             menu_links=("Plain", "Manual"), desktop_links=("Plain",))


def test_removing_mode_without_a_maker_menu_and_with_a_listed_folder(prefix, layout):
    layout.install_game(PLAIN, file_list=[*PLAIN.files, "extra\\sub\\"])
    layout.mkdir(f"{PLAIN.folder}\\extra")

    result = prefix.run(removing_copy(layout), f'-F="{PLAIN.folder}"', boxes=[
        Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)])

    assert result.exit_code == 0
    assert result.removed == sorted(
        {PLAIN.folder, PLAIN.menu_folder, *PLAIN.links} | {f"{PLAIN.folder}\\{p}" for p in [
            *PLAIN.files, "data", "extra", "InstallInfo", "InstallInfo\\Installer.ini", "InstallInfo\\InstallFiles.ini"]})


def test_yes_with_a_missing_temporary_folder_reports_the_failed_relaunch(prefix, layout):
    # The copy into the temporary folder fails. The user has said Yes, so this
    # failure is reported too, with the same text as a failed batch start.
    layout.install_game(GAME, uninstaller=built("Uninstaller.exe"))
    missing = "C:\\NoSuchTemp\\Gone"

    result = prefix.run(f"{GAME.folder}\\Uninstaller.exe", b"", environment={"TEMP": missing, "TMP": missing},
                        boxes=[Box(m.uninstall_question(b"Game"), m.UNINSTALLER_CAPTION, m.QUESTION_FLAGS,
                                   answer="y"),
                               Box(m.RELAUNCH_FAILED, m.UNINSTALLER_CAPTION, m.ERROR_FLAGS)])

    assert result.exit_code == -1
    assert result.shell_calls == []
    assert result.removed == []
    assert not layout.exists(missing)
    assert prefix.key_exists(GAME.game_key) and prefix.key_exists(GAME.entry_key)
    assert list(prefix.temp_dir.iterdir()) == []
