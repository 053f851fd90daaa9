"""Files too big to read whole, in both real programs: a 32-bit program cannot
hold 2 GiB or more in one buffer, and a file of 4 GiB and more must not pass
for its low 32 bits (here: the statements it begins with). Each takes its
file's read failure, with its message and exit code. The files are made big
by extending them with zeros on the host, sparsely: nothing that size is
written."""

import os

import pytest

import messages as m
from conftest import built
from game import Game
from wine import Box

GAME = Game(folder="C:\\Games\\Maker\\Big", name="Big", registry="SOFTWARE\\Maker\\Big", maker="Maker",
            files={"Game.exe": b"MZ game", "data\\a.dat": b"a"})
GROWTH = pytest.mark.parametrize("growth", [3 << 30, 4 << 30], ids=["3GiB", "4GiB-more"])


def grow(prefix, windows_path, growth):
    path = prefix.unix_path(windows_path)
    os.truncate(path, path.stat().st_size + growth)


@GROWTH
def test_uninstaller_asking_mode_with_a_settings_file_too_big(prefix, layout, growth):
    layout.install_game(GAME, uninstaller=built("Uninstaller.exe"))
    settings = f"{GAME.folder}\\InstallInfo\\Installer.ini"
    grow(prefix, settings, growth)

    result = prefix.run(f"{GAME.folder}\\Uninstaller.exe", b"", boxes=[
        Box(m.settings_unreadable(settings.encode("cp932")), m.UNINSTALLER_CAPTION, m.ERROR_FLAGS)])

    assert result.exit_code == -1
    assert result.shell_calls == []
    assert result.removed == []


def test_uninstaller_removing_mode_with_a_file_list_too_big(prefix, layout):
    layout.install_game(GAME)
    grow(prefix, f"{GAME.folder}\\InstallInfo\\InstallFiles.ini", 4 << 30)
    layout.copy_program(built("Uninstaller.exe"), "C:\\Tools\\Uninstaller.exe")

    result = prefix.run("C:\\Tools\\Uninstaller.exe", f'-F="{GAME.folder}"', boxes=[
        Box(m.UNINSTALL_FAILED, m.UNINSTALLER_CAPTION, m.ERROR_FLAGS)])

    assert result.exit_code == -1
    assert result.removed == []
    assert prefix.key_exists(GAME.game_key) and prefix.key_exists(GAME.entry_key)


@GROWTH
def test_prefclear_with_a_start_up_file_too_big(prefix, layout, growth):
    folder = "C:\\Games\\Maker\\BigReset"
    start_up = f"{folder}\\OrrinStart.ini"
    layout.copy_program(built("Prefclear.exe"), f"{folder}\\Prefclear.exe")
    layout.write(start_up, b'GameName = "Big"\r\n')
    grow(prefix, start_up, growth)

    result = prefix.run(f"{folder}\\Prefclear.exe", b"", cwd=folder, boxes=[
        Box(m.startup_unreadable(start_up.encode("cp932")), m.PREFCLEAR_CAPTION, m.ERROR_FLAGS)])

    assert result.exit_code == 0
    assert result.removed == []
