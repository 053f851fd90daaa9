"""The whole Yes flow of the real Uninstaller.exe under Wine: question, the
temporary copy started through the batch file, removal, completion; and
nothing that is not the game's is touched."""

import re

import messages as m
from conftest import built
from game import Game
from wine import Box

MAKER = "表示ソフト"           # 表 and ソ end in the byte 0x5C
NAME = "表ソフトの冒険"
OTHER = "別のゲーム"

GAME = Game(folder=f"C:\\Games\\{MAKER}\\{NAME}", name=NAME, registry=f"SOFTWARE\\{MAKER}\\{NAME}",
            maker=MAKER, files={"Game.exe": b"MZ game", "Uninstaller.exe": b"",
                                "data\\表.dat": b"\x00\x01", "data\\ソース\\script.txt": b"text"})
OTHER_GAME = Game(folder=f"C:\\Games\\{MAKER}\\{OTHER}", name=OTHER, registry=f"SOFTWARE\\{MAKER}\\{OTHER}",
                  maker=MAKER, files={"Game.exe": b"MZ other"})


def test_yes_removes_the_game_and_nothing_else(prefix, layout):
    layout.install_game(OTHER_GAME)
    layout.install_game(GAME)
    layout.copy_program(built("Uninstaller.exe"), f"{GAME.folder}\\Uninstaller.exe")
    user_file = f"C:\\Games\\{MAKER}\\メモ.txt"
    layout.write(user_file, "ユーザーのメモ")
    save = f"C:\\Games\\{MAKER}\\{NAME}のセーブ\\save01.dat"
    layout.write(save, b"save")

    result = prefix.run(f"{GAME.folder}\\Uninstaller.exe", b"", relaunch=True, boxes=[
        Box(m.uninstall_question(NAME.encode("cp932")), m.UNINSTALLER_CAPTION, m.QUESTION_FLAGS, answer="y"),
        Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS),
    ])

    assert result.exit_code == 0
    # The batch file, as it was while it ran: seven lines, CR LF each.
    [(shell_verb, batch_path, directory)] = [(c[1], c[2], c[4]) for c in result.shell_calls]
    temp = prefix.temp_windows.encode("cp932")
    assert (shell_verb, directory) == (b"open", temp)
    assert re.fullmatch(re.escape(temp) + rb"\\[a-y]{16}\.bat", batch_path)
    batch = result.batches[batch_path.decode("cp932")]
    copy = re.match(rb'"([^"]*)"', batch).group(1)
    assert re.fullmatch(re.escape(temp) + rb"\\[a-y]{16}\.exe", copy)
    game_folder = GAME.folder.encode("cp932")
    assert batch == b"".join(line + b"\r\n" for line in [
        b'"' + copy + b'" -F="' + game_folder + b'"',
        b":loop_setup_exe", b'del "' + copy + b'"', b'if exist "' + copy + b'" goto loop_setup_exe',
        b":loop_batch_file", b'del "' + batch_path + b'"', b'if exist "' + batch_path + b'" goto loop_batch_file',
    ])
    assert not prefix.unix_path(copy.decode("cp932")).exists()

    # The game is gone, files, records, folders and keys.
    assert not layout.exists(GAME.folder)
    assert not prefix.key_exists(GAME.game_key)
    assert not prefix.key_exists(GAME.entry_key)
    # Nothing else: the other game, the user's file and the save folder, and
    # the maker's folder and key that still hold them.
    for relative, data in OTHER_GAME.files.items():
        assert layout.read(f"{OTHER_GAME.folder}\\{relative}") == data
    assert layout.read(user_file) == "ユーザーのメモ".encode("cp932")
    assert layout.read(save) == b"save"
    assert prefix.key_exists(OTHER_GAME.game_key)
    assert prefix.key_exists(OTHER_GAME.entry_key)
