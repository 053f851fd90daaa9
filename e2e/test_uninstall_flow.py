"""The whole uninstall of the real Uninstaller.exe under Wine: the Yes flow
through the batch file and the temporary copy, what goes (files, folders,
shortcuts, records, keys) and what stays, exactly; a tampered list and a link
out of the game folder; a maker's last game taking the maker's folders with it.

Each scenario compares the set of paths the run removed anywhere on C: with
the set it expects, and the layout's bystanders (another game of the same
maker, a user's file, save data) are checked after every scenario."""

import re

import pytest

import messages as m
from conftest import built
from game import COMMON_PROGRAMS, Game
from wine import Box

MAKER = "表示ソフト"           # 表 and ソ end in the byte 0x5C
NAME = "表ソフトの冒険"
LATER = "data\\ソース\\深い表\\later.sav"      # written by the game, not listed

GAME = Game(
    folder=f"C:\\Games\\{MAKER}\\{NAME}", name=NAME, registry=f"SOFTWARE\\{MAKER}\\{NAME}",
    maker=MAKER, maker_menu=MAKER,
    files={"Game.exe": b"MZ game", "Uninstaller.exe": b"", "data\\表.dat": b"\x00\x01",
           "data\\ソース\\script.txt": b"text", "data\\ソース\\深い表\\表示.bin": b"3",
           "movie\\ソ\\op.mpg": b"4", "表\\ソ.txt": b"5"},
    menu_links=(NAME, "マニュアル表"), desktop_links=(NAME,))
TOOL = "C:\\Tools\\Uninstaller.exe"        # outside any game, as the temporary copy is


def question(name):
    return Box(m.uninstall_question(name.encode("cp932")), m.UNINSTALLER_CAPTION, m.QUESTION_FLAGS, answer="y")


def folder_box(path):
    return Box(m.folder_not_removed(path.encode("cp932")), m.UNINSTALLER_CAPTION, m.FOLDER_FAILED_FLAGS)


DONE = Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)


def under(folder, *relatives):
    return {f"{folder}\\{relative}" for relative in relatives}


@pytest.mark.twin
def test_yes_removes_the_game_its_shortcuts_and_keys_and_nothing_else(prefix, layout):
    layout.install_game(GAME, uninstaller=built("Uninstaller.exe"))
    layout.write(f"{GAME.folder}\\InstallInfo\\SaveFolderSetting.ini", b"SFSF" + bytes(8))
    layout.write(f"{GAME.folder}\\{LATER}", b"written by the game")
    layout.add_keys([(GAME.game_key, {"Version": "1.0"})])

    # Started as Explorer starts it: the quoted path, no arguments, the game
    # folder as the current folder. One box per listed folder that stays,
    # deepest first, with its full path.
    result = prefix.run(f"{GAME.folder}\\Uninstaller.exe", b"", cwd=GAME.folder, relaunch=True, boxes=[
        question(NAME),
        *[folder_box(f"{GAME.folder}\\{f}") for f in ("data\\ソース\\深い表", "data\\ソース", "data")],
        DONE])

    assert result.exit_code == 0
    # The question is long enough for the trace to cut it (a prefix is compared);
    # each folder box is compared whole.
    assert [box.truncated for box in result.boxes[1:]] == [False] * 4
    # The batch file, as it was while it ran: seven lines, CR LF each.
    [(shell_verb, batch_path, directory)] = [(c[1], c[2], c[4]) for c in result.shell_calls]
    temp = prefix.temp_windows.encode("cp932")
    assert (shell_verb, directory) == (b"open", temp)
    assert re.fullmatch(re.escape(temp) + rb"\\[a-y]{16}\.bat", batch_path)
    batch = result.batches[batch_path.decode("cp932")]
    copy = re.match(rb'"([^"]*)"', batch).group(1)
    assert re.fullmatch(re.escape(temp) + rb"\\[a-y]{16}\.exe", copy)
    assert batch == b"".join(line + b"\r\n" for line in [
        b'"' + copy + b'" -F="' + GAME.folder.encode("cp932") + b'"',
        b":loop_setup_exe", b'del "' + copy + b'"', b'if exist "' + copy + b'" goto loop_setup_exe',
        b":loop_batch_file", b'del "' + batch_path + b'"', b'if exist "' + batch_path + b'" goto loop_batch_file',
    ])
    # No copy and no batch file left (Wine's cmd was ended holding the batch).
    assert list(prefix.temp_dir.iterdir()) == []

    # Exactly the game's own: listed files, the folders they leave empty, the
    # records, the shortcuts and the game's menu folder. The later file and
    # its folders stay, and with them the game folder; the maker's folder and
    # menu folder hold another game.
    assert result.removed == sorted(
        under(GAME.folder, *GAME.files, "movie\\ソ", "movie", "表",
              "InstallInfo", "InstallInfo\\Installer.ini", "InstallInfo\\InstallFiles.ini",
              "InstallInfo\\SaveFolderSetting.ini")
        | set(GAME.links) | {GAME.menu_folder})
    assert layout.read(f"{GAME.folder}\\{LATER}") == b"written by the game"
    assert not prefix.key_exists(GAME.game_key)
    assert not prefix.key_exists(GAME.entry_key)
    assert prefix.key_exists(f"HKEY_LOCAL_MACHINE\\SOFTWARE\\{MAKER}")    # holds the other game's key
    layout.assert_nothing_lost()


OUTSIDE = "C:\\Outside"
TAMPERED = ["..\\..\\Other\\Other.exe", "C:\\Windows\\win.ini", "\\Outside\\victim.txt", "link\\victim.txt",
            "link\\sub\\deep.txt"]
PLAIN = Game(folder="C:\\Games\\Maker\\Game", name="Game", registry="SOFTWARE\\Maker\\Game", maker="Maker",
             files={"Game.exe": b"MZ game", "data\\a.dat": b"a"})


def test_tampered_list_and_link_out_of_the_game_folder_touch_nothing_outside(prefix, layout):
    layout.install_game(PLAIN, file_list=list(PLAIN.files) + TAMPERED)
    layout.copy_program(built("Uninstaller.exe"), TOOL)
    layout.write("C:\\Games\\Other\\Other.exe", b"MZ not the game's")
    layout.write(f"{OUTSIDE}\\victim.txt", b"outside")
    layout.write(f"{OUTSIDE}\\sub\\deep.txt", b"outside, deeper")
    # Wine keeps it as drive_c/windows/win.ini (the list names it in other letter case).
    win_ini = prefix.unix_path("C:\\windows\\win.ini")
    assert win_ini.is_file()
    win_ini_before = win_ini.read_bytes()
    # A Unix link in drive_c is a reparse point to Wine's programs.
    (prefix.unix_path(PLAIN.folder) / "link").symlink_to(prefix.unix_path(OUTSIDE))

    # The link is a folder of two listed entries; it cannot be removed as one,
    # and nothing is followed through it. Absolute and climbing entries give no
    # folder at all.
    result = prefix.run(TOOL, f'-F="{PLAIN.folder}"', boxes=[
        folder_box(f"{PLAIN.folder}\\link\\sub"), folder_box(f"{PLAIN.folder}\\link"), DONE])

    assert result.exit_code == 0
    assert result.removed == sorted(under(PLAIN.folder, "Game.exe", "data\\a.dat", "data", "InstallInfo",
                                          "InstallInfo\\Installer.ini", "InstallInfo\\InstallFiles.ini"))
    assert layout.read("C:\\Games\\Other\\Other.exe") == b"MZ not the game's"
    assert layout.read(f"{OUTSIDE}\\victim.txt") == b"outside"
    assert layout.read(f"{OUTSIDE}\\sub\\deep.txt") == b"outside, deeper"
    assert win_ini.read_bytes() == win_ini_before
    assert (prefix.unix_path(PLAIN.folder) / "link").is_symlink()
    layout.assert_nothing_lost()


LONE_MAKER = "ソロ表"
LONE = Game(folder=f"C:\\Games\\{LONE_MAKER}\\ソロ", name="ソロ", registry=f"SOFTWARE\\{LONE_MAKER}\\ソロ",
            maker=LONE_MAKER, maker_menu=LONE_MAKER, files={"Game.exe": b"MZ", "data\\表.dat": b"d"},
            menu_links=("ソロ",), desktop_links=("ソロ",))


def test_a_makers_last_game_takes_the_empty_maker_folders_and_key_with_it(prefix, layout):
    # The one scenario without another game of the same maker: that game
    # would keep the maker's folder, menu folder and key. What is not the
    # game's still lies about (save data, the user's own shortcut, another
    # maker's game), and the exact set of removed paths shows it stayed.
    layout.install_game(LONE, bystanders=False)
    user = prefix.env["USER"]
    layout.write(f"C:\\users\\{user}\\Documents\\Tarnwick\\ソロ\\SaveData\\save01.dat", b"save")
    layout.write(f"C:\\users\\{user}\\Desktop\\ソロ.lnk", b"the user's own")
    layout.write("C:\\Games\\Another\\Game.exe", b"MZ another maker's")
    layout.write(f"{COMMON_PROGRAMS}\\Another\\Game.lnk", b"another maker's")
    layout.copy_program(built("Uninstaller.exe"), TOOL)

    result = prefix.run(TOOL, f'-F="{LONE.folder}"', boxes=[DONE])

    assert result.exit_code == 0
    assert result.removed == sorted(
        under(LONE.folder, *LONE.files, "data", "InstallInfo", "InstallInfo\\Installer.ini",
              "InstallInfo\\InstallFiles.ini")
        | set(LONE.links) | {LONE.folder, LONE.menu_folder, LONE.maker_folder,
                             f"{COMMON_PROGRAMS}\\{LONE_MAKER}"})
    assert not prefix.key_exists(f"HKEY_LOCAL_MACHINE\\SOFTWARE\\{LONE_MAKER}")
    assert not prefix.key_exists(LONE.entry_key)
