"""Registry views under Wine. The uninstaller opens its keys without a view
flag, so it sees the game key and the uninstall entry only in the view of
its own build: a 32-bit program on 64-bit Windows sees HKLM\\SOFTWARE through
HKLM\\SOFTWARE\\WOW6432Node, where a 32-bit installer writes. Keys of the same
names in the other view are not the program's to touch, and a game whose
installer wrote only the other view loses nothing there."""

import pytest

import messages as m
from conftest import built
from game import Game
from wine import Box

GAME = Game(folder="C:\\Games\\Maker\\Game", name="Game", registry="SOFTWARE\\Maker\\Game", maker="Maker",
            files={"Game.exe": b"MZ game"})
TOOL = "C:\\Tools\\Uninstaller.exe"
DONE = Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)


def the_other_view(build):
    return 64 if build.view == 32 else 32


def uninstall(prefix, layout):
    layout.copy_program(built("Uninstaller.exe"), TOOL)
    return prefix.run(TOOL, f'-F="{GAME.folder}"', boxes=[DONE])


@pytest.mark.twin
def test_the_uninstall_removes_the_keys_of_its_own_view_only(prefix, layout, build):
    layout.install_game(GAME)
    other = the_other_view(build)
    layout.add_keys([(GAME.game_key, {"InstallPath": "the other view's"}),
                     (GAME.entry_key, {"DisplayName": "the other view's"})], view=other)

    assert uninstall(prefix, layout).exit_code == 0

    assert not prefix.key_exists(GAME.game_key)
    assert not prefix.key_exists(GAME.entry_key)
    assert prefix.value_of(GAME.game_key, "InstallPath", view=other) == "the other view's"
    assert prefix.value_of(GAME.entry_key, "DisplayName", view=other) == "the other view's"


@pytest.mark.twin
def test_keys_written_only_in_the_other_view_stay_and_the_uninstall_succeeds(prefix, layout, build):
    other = the_other_view(build)
    layout.install_game(GAME, view=other)

    # The entry the program looks for is created in its own view and deleted
    # again, so the run ends as complete; the game key is only looked for.
    assert uninstall(prefix, layout).exit_code == 0

    assert not prefix.key_exists(GAME.game_key)
    assert not prefix.key_exists(GAME.entry_key)
    assert prefix.value_of(GAME.game_key, "InstallPath", view=other) == GAME.folder
    assert prefix.value_of(GAME.entry_key, "DisplayName", view=other) == GAME.name
