"""The real Uninstaller.exe under Wine: the endings of its entry point
that need no removal: command-line errors, a missing settings file, and the
answer No."""

import pytest

import messages as m
from conftest import built
from game import Game
from wine import Box

FOLDER = "C:\\Games\\Entry"
GAME = Game(folder="C:\\Games\\Maker\\Game", name="Game", registry="SOFTWARE\\Maker\\Game", maker="Maker",
            files={"Game.exe": b"MZ game", "data\\a.dat": b"a"})


def error_box(text):
    return Box(text, m.UNINSTALLER_CAPTION, m.ERROR_FLAGS)


@pytest.mark.parametrize("arguments, text", [
    (b"-F", m.PARSE_FAILED),                              # F without =
    (b'-F="C:\\Games\\Maker\\Game', m.PARSE_FAILED),      # no closing quote
    (b"-Q=1 -F=A", m.undefined_parameter(b"Q")),          # only the first item decides
    (b"-f=C:\\Games\\Maker\\Game", m.undefined_parameter(b"f")),  # the option is case-sensitive
    (b"abc", m.undefined_parameter(b"")),                 # a bare word has an empty name
], ids=["parse-failure", "unclosed-quote", "undefined-Q", "lower-case-f", "bare-word"])
def test_command_line_errors_remove_nothing(prefix, layout, arguments, text):
    # An installed game beside the program: none of it may go.
    layout.install_game(GAME, uninstaller=built("Uninstaller.exe"))

    result = prefix.run(f"{GAME.folder}\\Uninstaller.exe", arguments, boxes=[error_box(text)])

    assert result.exit_code == -1
    assert result.shell_calls == []
    assert result.removed == []
    assert prefix.key_exists(GAME.game_key) and prefix.key_exists(GAME.entry_key)


def test_asking_mode_without_settings_file(prefix, layout):
    # The settings file is looked for beside the program, not in the current folder.
    program = f"{FOLDER}\\Uninstaller.exe"
    layout.copy_program(built("Uninstaller.exe"), program)
    layout.mkdir(f"{FOLDER}\\Elsewhere\\InstallInfo")
    layout.write(f"{FOLDER}\\Elsewhere\\InstallInfo\\Installer.ini", b'#GameName = "X"\r\n')
    expected_path = b"C:\\Games\\Entry\\InstallInfo\\Installer.ini"

    result = prefix.run(program, b"", cwd=f"{FOLDER}\\Elsewhere",
                        boxes=[error_box(m.settings_unreadable(expected_path))])

    assert result.exit_code == -1
    assert result.removed == []


def test_asking_mode_answer_no_changes_nothing(prefix, layout):
    # 表 and ソ end in the byte 0x5C, in the folder's name and the game's.
    name = "表ソフトの冒険"
    sample = Game(folder=f"C:\\Games\\表示ソフト\\{name}", name=name,
                  registry="SOFTWARE\\表示ソフト\\" + name, maker="表示ソフト",
                  files={"Game.exe": b"MZ game", "data\\表.dat": b"\x00\x01"})
    layout.install_game(sample, uninstaller=built("Uninstaller.exe"))
    before = {p: layout.read(f"{sample.folder}\\{p}") for p in
              ["Game.exe", "data\\表.dat", "InstallInfo\\Installer.ini", "InstallInfo\\InstallFiles.ini"]}

    result = prefix.run(f"{sample.folder}\\Uninstaller.exe", b"",
                        boxes=[Box(m.uninstall_question(name.encode("cp932")), m.UNINSTALLER_CAPTION,
                                   m.QUESTION_FLAGS, answer="n")])

    assert result.exit_code == 0
    assert result.boxes[0].result == 7          # IDNO
    assert result.shell_calls == []
    assert {p: layout.read(f"{sample.folder}\\{p}") for p in before} == before
    assert prefix.key_exists(sample.game_key)
    assert prefix.key_exists(sample.entry_key)
    assert result.removed == []
    assert list(prefix.temp_dir.iterdir()) == []
    layout.assert_nothing_lost()
