"""The removing mode of the real Uninstaller.exe run directly with -F, and the
asking mode's Yes when the relaunch cannot start: the remaining rows of the
exit-code table. Every scenario also checks what lies beside the game."""

import messages as m
from conftest import built
from game import Game, install_files_ini
from wine import Box

MAKER = "Maker"
GAME = Game(folder="C:\\Games\\Maker\\Game", name="Game", registry="SOFTWARE\\Maker\\Game", maker=MAKER,
            files={"Game.exe": b"MZ game", "data\\a.dat": b"a", "data\\sub\\b.dat": b"b"})


def removing_copy(layout):
    """The program outside the game folder, as the relaunch batch runs it."""
    program = "C:\\Tools\\Uninstaller.exe"
    layout.copy_program(built("Uninstaller.exe"), program)
    return program


def test_removing_mode_with_unreadable_file_list_fails_and_removes_nothing(prefix, layout):
    layout.install_game(GAME)
    # A statement that does not begin with # makes the list unreadable.
    layout.write(f"{GAME.folder}\\InstallInfo\\InstallFiles.ini",
                 install_files_ini(GAME.files) + b"InstallFileList\r\n")
    before = {p: layout.read(f"{GAME.folder}\\{p}") for p in
              [*GAME.files, "InstallInfo\\Installer.ini", "InstallInfo\\InstallFiles.ini"]}

    result = prefix.run(removing_copy(layout), f'-F="{GAME.folder}"', boxes=[
        Box(m.UNINSTALL_FAILED, m.UNINSTALLER_CAPTION, m.ERROR_FLAGS)])

    assert result.exit_code == -1
    assert {p: layout.read(f"{GAME.folder}\\{p}") for p in before} == before
    assert prefix.key_exists(GAME.game_key) and prefix.key_exists(GAME.entry_key)
    layout.assert_nothing_lost()


def test_removing_mode_on_a_good_game_completes(prefix, layout):
    layout.install_game(GAME)

    # A trailing backslash on the folder is dropped.
    result = prefix.run(removing_copy(layout), f'-F="{GAME.folder}\\"', boxes=[
        Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)])

    assert result.exit_code == 0
    assert result.shell_calls == []
    assert not layout.exists(GAME.folder)
    assert not prefix.key_exists(GAME.game_key) and not prefix.key_exists(GAME.entry_key)
    layout.assert_nothing_lost()


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
    assert not layout.exists(missing)
    for relative, data in GAME.files.items():
        assert layout.read(f"{GAME.folder}\\{relative}") == data
    assert prefix.key_exists(GAME.game_key) and prefix.key_exists(GAME.entry_key)
    assert list(prefix.temp_dir.iterdir()) == []
    layout.assert_nothing_lost()
