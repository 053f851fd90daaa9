"""The relaunch batch under a real command processor: what only cmd can show.

A game folder whose name holds %, &, ^, !, parentheses and spaces must reach
the temporary copy unchanged (cmd expands % in a batch file, so the batch
doubles it); a read-only Uninstaller.exe, as installed from a disc, gives a
read-only copy that the batch's del could never delete unless the copy's
attribute is cleared."""

import re

import messages as m
from conftest import built
from game import Game
from wine import Box

MAKER = "M&M's 100%"
# The name is also a printf trap: it must be shown, never used as a format.
NAME = "ソ表 100%s & %n"
ODD = Game(folder=f"C:\\Games\\{MAKER}\\ソ表 (v1.0) ^!%PATH%", name=NAME, registry=f"SOFTWARE\\{MAKER}\\ソ表",
           maker=MAKER, maker_menu=MAKER, files={"Game.exe": b"MZ", "Uninstaller.exe": b"", "data\\表.dat": b"d"},
           menu_links=(NAME,), desktop_links=(NAME,))


def records(folder):
    return {f"{folder}\\InstallInfo", f"{folder}\\InstallInfo\\Installer.ini",
            f"{folder}\\InstallInfo\\InstallFiles.ini"}


def test_a_folder_with_cmd_metacharacters_reaches_the_copy_unchanged(prefix, layout):
    layout.install_game(ODD, uninstaller=built("Uninstaller.exe"))

    result = prefix.run(f"{ODD.folder}\\Uninstaller.exe", b"", relaunch=True, boxes=[
        Box(m.uninstall_question(NAME.encode("cp932")), m.UNINSTALLER_CAPTION, m.QUESTION_FLAGS, answer="y"),
        Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)])

    assert result.exit_code == 0
    [batch] = result.batches.values()
    copy = re.match(rb'"([^"]*)"', batch).group(1)
    # Only the % is doubled; the other characters are safe between quotes.
    assert batch.split(b"\r\n")[0] == \
        b'"' + copy + b'" -F="' + ODD.folder.encode("cp932").replace(b"%", b"%%") + b'"'
    assert list(prefix.temp_dir.iterdir()) == []
    assert result.removed == sorted(
        {f"{ODD.folder}\\{p}" for p in [*ODD.files, "data"]} | records(ODD.folder)
        | {ODD.folder, ODD.menu_folder, *ODD.links})
    assert not prefix.key_exists(ODD.game_key)
    assert not prefix.key_exists(ODD.entry_key)


PLAIN = Game(folder="C:\\Games\\Maker\\Game", name="Game", registry="SOFTWARE\\Maker\\Game", maker="Maker",
             files={"Game.exe": b"MZ", "Uninstaller.exe": b"", "data\\a.dat": b"a"})


def test_a_read_only_uninstaller_still_leaves_no_copy_behind(prefix, layout):
    layout.install_game(PLAIN, uninstaller=built("Uninstaller.exe"))
    program = prefix.unix_path(f"{PLAIN.folder}\\Uninstaller.exe")
    program.chmod(0o444)            # Wine reports FILE_ATTRIBUTE_READONLY, and del refuses it

    # The harness ends the run once the copy is gone: a copy that stayed
    # read-only would keep the batch's first loop spinning until the wait ends.
    result = prefix.run(f"{PLAIN.folder}\\Uninstaller.exe", b"", relaunch=True, boxes=[
        Box(m.uninstall_question(b"Game"), m.UNINSTALLER_CAPTION, m.QUESTION_FLAGS, answer="y"),
        Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)])

    assert result.exit_code == 0
    assert list(prefix.temp_dir.iterdir()) == []
    # The listed read-only file itself is not deleted (attributes are never
    # changed in the game folder), so it keeps the game folder.
    assert program.exists()
    assert result.removed == sorted({f"{PLAIN.folder}\\{p}" for p in ["Game.exe", "data\\a.dat", "data"]}
                                    | records(PLAIN.folder))


def test_a_temporary_folder_whose_name_ends_in_0x5C(prefix, layout):
    # A user name such as this one gives such a temporary folder: its last
    # byte is the trail byte of 表, which is not a trailing backslash, so the
    # copy and the batch go inside it, and cmd finds them there.
    temp = "C:\\一時ソ表"
    layout.mkdir(temp)
    layout.install_game(PLAIN, uninstaller=built("Uninstaller.exe"))

    result = prefix.run(f"{PLAIN.folder}\\Uninstaller.exe", b"", relaunch=True,
                        environment={"TEMP": temp, "TMP": temp}, boxes=[
                            Box(m.uninstall_question(b"Game"), m.UNINSTALLER_CAPTION, m.QUESTION_FLAGS, answer="y"),
                            Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)])

    assert result.exit_code == 0
    [(batch_path, directory)] = [(c[2], c[4]) for c in result.shell_calls]
    assert directory == temp.encode("cp932")
    assert re.fullmatch(re.escape(temp.encode("cp932")) + rb"\\[a-y]{16}\.bat", batch_path)
    assert list(prefix.unix_path(temp).iterdir()) == []      # copy and batch gone
    assert result.removed == sorted({f"{PLAIN.folder}\\{p}" for p in [*PLAIN.files, "data"]}
                                    | records(PLAIN.folder) | {PLAIN.folder})
