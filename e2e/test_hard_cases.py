"""The real Uninstaller.exe under Wine where Windows refuses or holds back:
listed paths that reach and pass MAX_PATH, a game still running that holds
one of its files open, and list entries that are device names or patterns.
Each scenario says exactly what the run removed on C:, and the bystanders
beside the game are checked after it."""

import shutil
import subprocess
import tempfile
import time
from pathlib import Path

import pytest

import messages as m
import wine
from conftest import built
from game import Game
from wine import Box

REPO = Path(__file__).resolve().parents[1]

TOOL = "C:\\Tools\\Uninstaller.exe"        # outside any game, as the temporary copy is
MAX_PATH = 260
DONE = Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)
RECORDS = ["InstallInfo", "InstallInfo\\Installer.ini", "InstallInfo\\InstallFiles.ini"]


def folder_box(path):
    return Box(m.folder_not_removed(path.encode("cp932")), m.UNINSTALLER_CAPTION, m.FOLDER_FAILED_FLAGS)


def under(folder, *relatives):
    return {f"{folder}\\{relative}" for relative in relatives}


def removing(prefix, layout, game, boxes):
    """Runs the removing mode on the game as the batch runs the copy."""
    layout.copy_program(built("Uninstaller.exe"), TOOL)
    return prefix.run(TOOL, f'-F="{game.folder}"', boxes=boxes)


# ---- paths at and beyond MAX_PATH -------------------------------------------------

LONG = "C:\\Games\\Maker\\Long"


def padded(relative_folder, fill, total):
    """relative_folder\\<fill...> such that the full path is `total` characters."""
    return f"{relative_folder}\\" + fill * (total - len(LONG) - len(relative_folder) - 2)


LONGEST = padded("Long", "y", MAX_PATH - 1)      # the longest path the calls reach
BEYOND = padded("Long", "w", MAX_PATH + 1)       # one they cannot
DEEP = "Deep\\" + "x" * 250                      # a folder beyond MAX_PATH
# Two-byte characters count once: 158 characters, 290 bytes.
TWO_BYTE = "表示\\" + "ソ" * 70 + "\\" + "ソ" * 60 + ".dat"
LONG_GAME = Game(folder=LONG, name="Long", registry="SOFTWARE\\Maker\\Long", maker="Maker",
                 files={"Game.exe": b"MZ game", LONGEST: b"y", BEYOND: b"w", f"{DEEP}\\f.dat": b"x",
                        TWO_BYTE: b"so"})


def test_paths_reaching_and_passing_max_path(prefix, layout):
    assert len(f"{LONG}\\{LONGEST}") == MAX_PATH - 1 and len(f"{LONG}\\{BEYOND}") == MAX_PATH + 1
    assert len(f"{LONG}\\{TWO_BYTE}".encode("cp932")) > MAX_PATH > len(f"{LONG}\\{TWO_BYTE}")
    layout.install_game(LONG_GAME)
    # The long name cut to MAX_PATH - 1 characters names this file of nobody's list.
    cut = f"{LONG}\\{BEYOND}"[:MAX_PATH - 1]
    layout.write(cut, b"not listed")

    # The folders that stay, deepest first, each with its whole path; the
    # two-byte folders go with their file.
    result = removing(prefix, layout, LONG_GAME, [
        folder_box(f"{LONG}\\{DEEP}"), folder_box(f"{LONG}\\Deep"), folder_box(f"{LONG}\\Long"), DONE])

    assert result.exit_code == 0
    assert result.removed == sorted(under(LONG, "Game.exe", LONGEST, TWO_BYTE, "表示\\" + "ソ" * 70, "表示",
                                          *RECORDS))
    assert layout.read(cut) == b"not listed"
    assert layout.read(f"{LONG}\\{BEYOND}") == b"w"
    assert layout.read(f"{LONG}\\{DEEP}\\f.dat") == b"x"
    assert not prefix.key_exists(LONG_GAME.game_key) and not prefix.key_exists(LONG_GAME.entry_key)


# ---- a game still running -----------------------------------------------------------

RUNNING = Game(folder="C:\\Games\\Maker\\Running", name="Running", registry="SOFTWARE\\Maker\\Running",
               maker="Maker", files={"Game.exe": b"", "data\\main.pak": b"held", "data\\sub\\b.dat": b"b",
                                     "readme.txt": b"r"})


def hold_open_program():
    path = REPO / "build" / "win64" / "e2e" / "hold_open.exe"
    if not path.is_file():
        pytest.fail(f"{path} is missing: run make build first", pytrace=False)
    return path


class RunningGame:
    """The game's program, started in its folder, holding one of its files
    open until it is told to stop: the helper copied over Game.exe."""

    def __init__(self, prefix, layout, game, held, share):
        layout.copy_program(hold_open_program(), f"{game.folder}\\Game.exe")
        # The markers live outside C:, where no scenario looks.
        self.markers = Path(tempfile.mkdtemp(prefix="running-game-"))
        self.ready = self.markers / "ready"
        self.release = self.markers / "release"
        loader = prefix.env.get("WINELOADER", wine.WINE)
        self.process = subprocess.Popen(
            [loader, f"{game.folder}\\Game.exe", f"{game.folder}\\{held}", share,
             _z_drive(self.ready), _z_drive(self.release)],
            cwd=prefix.unix_path(game.folder), env=prefix.env, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + wine.scaled(30)
        while not self.ready.exists():
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.stop()
                pytest.fail(f"the running game did not start holding {held} "
                            f"(exit code {self.process.returncode})", pytrace=False)
            time.sleep(0.05)

    def stop(self):
        self.release.touch()
        wine.end_process(self.process, wine.scaled(30))
        shutil.rmtree(self.markers, ignore_errors=True)


def _z_drive(path: Path) -> str:
    """A host path as Wine's programs see it through the Z: drive."""
    return "Z:" + str(path.resolve()).replace("/", "\\")


@pytest.mark.parametrize("share", ["read", "read-delete"])
def test_what_a_running_game_holds_stays_with_its_folder_and_everything_else_goes(prefix, layout, share):
    layout.install_game(RUNNING)
    game = RunningGame(prefix, layout, RUNNING, "data\\main.pak", share)
    try:
        # The program cannot go, nor can the file it holds: shared for delete,
        # the name stays until the game lets go of it. Its folder stays, with
        # its message; the game folder stays silently.
        result = removing(prefix, layout, RUNNING, [folder_box(f"{RUNNING.folder}\\data"), DONE])
        assert layout.read(f"{RUNNING.folder}\\data\\main.pak") == b"held"
    finally:
        game.stop()

    assert result.exit_code == 0
    assert result.removed == sorted(under(RUNNING.folder, "readme.txt", "data\\sub", "data\\sub\\b.dat", *RECORDS))
    assert layout.exists(f"{RUNNING.folder}\\Game.exe")
    assert layout.exists(f"{RUNNING.folder}\\data\\main.pak") == (share == "read")
    assert layout.exists(f"{RUNNING.folder}\\data")
    assert not prefix.key_exists(RUNNING.game_key) and not prefix.key_exists(RUNNING.entry_key)


# ---- device names and patterns in the list ------------------------------------------

DEVICES = Game(folder="C:\\Games\\Maker\\Devices", name="Devices", registry="SOFTWARE\\Maker\\Devices",
               maker="Maker", files={"Game.exe": b"MZ game", "data\\a.dat": b"a"})
ODD_ENTRIES = ["data\\NUL", "data\\*.dat", "CON.txt", "data\\?.dat", "aux\\x.dat", "Lpt1.dat"]


def test_device_and_pattern_names_remove_nothing_through_them(prefix, layout):
    layout.install_game(DEVICES, file_list=list(DEVICES.files) + ODD_ENTRIES)
    # What those names could reach if they were taken as names or patterns.
    unlisted = {"data\\b.dat": b"b", "data\\NUL": b"nul", "CON.txt": b"con", "aux\\x.dat": b"aux",
                "lpt1.dat": b"lpt"}
    for relative, data in unlisted.items():
        layout.write(f"{DEVICES.folder}\\{relative}", data)

    result = removing(prefix, layout, DEVICES, [folder_box(f"{DEVICES.folder}\\data"), DONE])

    assert result.exit_code == 0
    assert result.removed == sorted(under(DEVICES.folder, "Game.exe", "data\\a.dat", *RECORDS))
    for relative, data in unlisted.items():
        assert layout.read(f"{DEVICES.folder}\\{relative}") == data, relative
