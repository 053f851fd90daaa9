"""The registry after a real uninstall under Wine, in the view the program's
build sees (WOW6432Node for the shipped 32-bit program): keys that keep
subkeys keep them (and lose only the game's values), and a key the records
name that does not exist is not created."""

import messages as m
from conftest import built
from game import Game, installer_ini
from wine import Box

GAME = Game(folder="C:\\Games\\Maker\\Game", name="Game", registry="SOFTWARE\\Maker\\Game", maker="Maker",
            files={"Game.exe": b"MZ game"})
TOOL = "C:\\Tools\\Uninstaller.exe"
ENTRY_VALUES = ["DisplayName", "DispalyName", "DisplayIcon", "UninstallString", "NoModify"]


def uninstall(prefix, layout):
    layout.copy_program(built("Uninstaller.exe"), TOOL)
    return prefix.run(TOOL, f'-F="{GAME.folder}"', boxes=[Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, 0)])


def test_keys_with_subkeys_stay_without_the_games_values(prefix, layout):
    layout.install_game(GAME)
    layout.add_keys([(f"{GAME.game_key}\\Saves", {"Slot": "1"}),
                     (GAME.entry_key, {"DispalyName": "Game"}),
                     (f"{GAME.entry_key}\\Sub", {"Kept": "yes"})])

    assert uninstall(prefix, layout).exit_code == 0

    assert prefix.value_of(GAME.game_key, "InstallPath") is None
    assert prefix.value_of(f"{GAME.game_key}\\Saves", "Slot") == "1"
    # Without its name the entry no longer shows in the list of programs.
    assert [prefix.value_of(GAME.entry_key, name) for name in ENTRY_VALUES] == [None] * 5
    assert prefix.value_of(f"{GAME.entry_key}\\Sub", "Kept") == "yes"


def test_a_game_key_that_is_not_there_is_not_created(prefix, layout):
    missing = "SOFTWARE\\Maker\\Gone\\Game"
    layout.install_game(GAME, settings=installer_ini(GAME.name, missing, GAME.maker, "", "Game"))

    assert uninstall(prefix, layout).exit_code == 0

    assert not prefix.key_exists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Maker\\Gone")
    assert prefix.value_of(GAME.game_key, "InstallPath") == GAME.folder     # not the one named
