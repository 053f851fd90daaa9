"""The real Uninstaller.exe started from a path of Japanese characters, with
and without double quotes around it, as the list of installed programs starts
an UninstallString written either way: the program's own name, however its
bytes look, never reaches the command line it parses, in either mode."""

import pytest

import messages as m
from conftest import built
from game import Game
from wine import Box

# Every byte of both folder names is 0x80 or above, and ソ ends in 0x5C.
GAME = Game(folder="C:\\ゲーム\\ソフト", name="ソフト", registry="SOFTWARE\\ゲーム\\ソフト", maker="ゲーム",
            files={"Game.exe": b"MZ game", "データ\\表.dat": b"data"})
QUOTING = pytest.mark.parametrize("quoted", [False, True], ids=["unquoted", "quoted"])


@QUOTING
def test_asking_mode_from_a_japanese_path_asks_its_question(prefix, layout, quoted):
    layout.install_game(GAME, uninstaller=built("Uninstaller.exe"))

    result = prefix.run(f"{GAME.folder}\\Uninstaller.exe", b"", quoted=quoted, boxes=[
        Box(m.uninstall_question(GAME.name.encode("cp932")), m.UNINSTALLER_CAPTION, m.QUESTION_FLAGS, answer="n")])

    assert result.exit_code == 0
    assert result.shell_calls == []
    assert result.removed == []


def test_asking_mode_from_an_unquoted_japanese_path_names_the_settings_file_beside_it(prefix, layout):
    program = "C:\\ゲーム\\ツール\\Uninstaller.exe"
    layout.copy_program(built("Uninstaller.exe"), program)
    expected = "C:\\ゲーム\\ツール\\InstallInfo\\Installer.ini".encode("cp932")

    result = prefix.run(program, b"", quoted=False, boxes=[
        Box(m.settings_unreadable(expected), m.UNINSTALLER_CAPTION, m.ERROR_FLAGS)])

    assert result.exit_code == -1
    assert result.removed == []


@QUOTING
def test_removing_mode_from_a_japanese_path_uninstalls_the_folder_it_is_given(prefix, layout, quoted):
    layout.install_game(GAME)
    program = "C:\\ゲーム\\ツール\\Uninstaller.exe"
    layout.copy_program(built("Uninstaller.exe"), program)

    result = prefix.run(program, f'-F="{GAME.folder}"', quoted=quoted, boxes=[
        Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)])

    assert result.exit_code == 0
    assert result.shell_calls == []
    assert result.removed == sorted(
        {GAME.folder} | {f"{GAME.folder}\\{p}" for p in [
            *GAME.files, "データ", "InstallInfo", "InstallInfo\\Installer.ini", "InstallInfo\\InstallFiles.ini"]})
    assert not prefix.key_exists(GAME.game_key) and not prefix.key_exists(GAME.entry_key)
