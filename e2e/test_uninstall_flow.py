"""The whole Yes flow of the real Uninstaller.exe under Wine: question, the
temporary copy started through the batch file, removal, completion; and
nothing that is not the game's is touched."""

import re

import messages as m
from conftest import built
from game import Bystanders, Game
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


# A game whose player wrote a file later, deep in a listed folder; names whose
# characters end in 0x5C in listed folders and files; a tampered list.
LATER = "data\\ソース\\深い表\\later.sav"
FOLDER_GAME = Game(
    folder=f"C:\\Games\\{MAKER}\\ソフト表", name="ソフト表", registry=f"SOFTWARE\\{MAKER}\\ソフト表", maker=MAKER,
    files={"Game.exe": b"MZ game", "Uninstaller.exe": b"", "data\\表.dat": b"1",
           "data\\ソース\\script.txt": b"2", "data\\ソース\\深い表\\表示.bin": b"3",
           "movie\\ソ\\op.mpg": b"4"})
TAMPERED = ["..\\..\\Other\\Other.exe", "C:\\Windows\\win.ini", "link\\victim.txt"]


def test_yes_keeps_a_later_file_with_one_message_per_folder_that_stays(prefix, layout):
    others = Bystanders(layout, FOLDER_GAME)
    layout.install_game(FOLDER_GAME, file_list=list(FOLDER_GAME.files) + TAMPERED)
    layout.copy_program(built("Uninstaller.exe"), f"{FOLDER_GAME.folder}\\Uninstaller.exe")
    layout.write(f"{FOLDER_GAME.folder}\\{LATER}", b"written by the game")
    # Targets of the tampered entries, and a Unix link inside the game folder
    # to a folder outside it.
    layout.write("C:\\Games\\Other\\Other.exe", b"MZ not the game's")
    win_ini = prefix.unix_path("C:\\Windows\\win.ini")
    win_ini_before = win_ini.read_bytes() if win_ini.exists() else None
    outside = layout.write("C:\\Outside\\victim.txt", b"outside").parent
    (prefix.unix_path(FOLDER_GAME.folder) / "link").symlink_to(outside)

    # Deepest first; equal depths in byte order. The link is listed as a
    # folder (of link\victim.txt) and cannot be removed as one.
    stays = [f"{FOLDER_GAME.folder}\\{f}" for f in ("data\\ソース\\深い表", "data\\ソース", "data", "link")]
    result = prefix.run(f"{FOLDER_GAME.folder}\\Uninstaller.exe", b"", relaunch=True, boxes=[
        Box(m.uninstall_question(FOLDER_GAME.name.encode("cp932")), m.UNINSTALLER_CAPTION, m.QUESTION_FLAGS,
            answer="y"),
        *[Box(m.folder_not_removed(path.encode("cp932")), m.UNINSTALLER_CAPTION, m.FOLDER_FAILED_FLAGS)
          for path in stays],
        Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS),
    ])

    assert result.exit_code == 0
    assert layout.read(f"{FOLDER_GAME.folder}\\{LATER}") == b"written by the game"
    left = sorted(str(p.relative_to(prefix.unix_path(FOLDER_GAME.folder)))
                  for p in prefix.unix_path(FOLDER_GAME.folder).rglob("*"))
    assert left == ["data", "data/ソース", "data/ソース/深い表", "data/ソース/深い表/later.sav", "link"]
    assert layout.read("C:\\Games\\Other\\Other.exe") == b"MZ not the game's"
    assert (win_ini.read_bytes() if win_ini.exists() else None) == win_ini_before
    assert layout.read("C:\\Outside\\victim.txt") == b"outside"
    assert not prefix.key_exists(FOLDER_GAME.game_key) and not prefix.key_exists(FOLDER_GAME.entry_key)
    assert list(prefix.temp_dir.iterdir()) == []
    others.assert_untouched()
