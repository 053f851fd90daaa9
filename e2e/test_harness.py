"""The harness fails a scenario clearly, and soon, when the boxes are not the
ones expected, or when a run that should relaunch ends without doing so:
run on the real Uninstaller.exe, whose parse failure shows one known box."""

import sys
import warnings
from pathlib import Path

import pytest

import messages as m
import wine
from conftest import built
from wine import Box

PROGRAM = "C:\\Tools\\Uninstaller.exe"
PARSE_BOX = Box(m.PARSE_FAILED, m.UNINSTALLER_CAPTION, m.ERROR_FLAGS)


@pytest.mark.parametrize("boxes, relaunch, complaint", [
    ([], False, r"unexpected box after the 0 expected: 'コマンドラインの解析に失敗しました'"),
    ([PARSE_BOX, PARSE_BOX], False, r"box 2 never appeared, the program ended first"),
    ([PARSE_BOX, PARSE_BOX], True, r"box 2 never appeared, the program ended first"),
    ([PARSE_BOX], True, r"the program did not start a relaunch batch"),
    ([Box(m.UNINSTALL_FAILED, m.UNINSTALLER_CAPTION, m.ERROR_FLAGS)], False, r"box 1: wrong text\n"),
    ([Box(m.PARSE_FAILED, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)], False, r"box 1: wrong flags\n"),
], ids=["unexpected", "missing", "missing-with-relaunch", "no-relaunch", "wrong-text", "wrong-flags"])
def test_a_scenario_that_sees_other_boxes_fails_with_what_it_saw(prefix, layout, boxes, relaunch, complaint):
    layout.copy_program(built("Uninstaller.exe"), PROGRAM)

    with pytest.raises(wine.HarnessError, match=complaint):
        prefix.run(PROGRAM, b"-F", boxes=boxes, relaunch=relaunch)

    # The prefix is usable again at once: the next run sees its box.
    assert prefix.run(PROGRAM, b"-F", boxes=[PARSE_BOX]).exit_code == -1


@pytest.mark.parametrize("code", [1, 2, 9])
def test_a_small_exit_code_is_recorded_as_it_is(prefix, code):
    # "echo 2>file" in the batch would redirect a handle instead (an
    # installer that was stopped ends with 2).
    assert prefix.run("C:\\windows\\system32\\cmd.exe", f"/c exit {code}").exit_code == code


@pytest.mark.parametrize("command, runs", [
    ("/c exit 7", 2),                                       # changed nothing: run once more
    ('/c "echo x>C:\\users\\public\\left.txt& exit 7"', 1),  # changed a file: never twice
], ids=["unchanged", "changed"])
def test_a_run_that_ends_before_its_first_box_says_how_it_ended(prefix, command, runs):
    before = prefix.runs
    with warnings.catch_warnings(record=True) as warned:
        warnings.simplefilter("always")
        with pytest.raises(wine.EndedBeforeFirstBox, match=r"box 1 never appeared.*\n  exit code 7"):
            prefix.run("C:\\windows\\system32\\cmd.exe", command, boxes=[PARSE_BOX])
    prefix.unix_path("C:\\users\\public\\left.txt").unlink(missing_ok=True)
    assert (prefix.runs - before, len(warned)) == (runs, runs - 1)


# ---- a Wine command that gives no answer is never a verdict (no Wine needed) ----

NOT_FOUND = "reg: 指定されたレジストリ キーを見つけられません"
KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Maker\\Game"
LISTING = f"\r\n{KEY}\r\n    InstallPath    REG_SZ    C:\\Game\r\n\r\n"


def stand_in_wine(tmp_path, monkeypatch, answer):
    """A prefix whose Wine is a script: reg's not-found message for the
    harness's own probe names, `answer` (a shell fragment) for everything else."""
    script = tmp_path / "wine"
    script.write_text("#!/bin/bash\n"
                      f'case "$*" in *e2e-never-written*) printf "%s\\r\\n" "{NOT_FOUND}" | iconv -t cp932; exit 1;; esac\n'
                      f"{answer}\n")
    script.chmod(0o755)
    monkeypatch.setattr(wine, "WINE", str(script))
    monkeypatch.setattr(wine, "TIME_SCALE", 0.01)
    prefix = wine.WinePrefix.__new__(wine.WinePrefix)
    prefix.workdir, prefix.path, prefix.env = tmp_path, tmp_path / "prefix", {"PATH": "/usr/bin:/bin"}
    prefix.runs, prefix.view, prefix._not_found = 0, 64, None
    return prefix


def read_keys_in_one_step(prefix):
    sys.path.insert(0, str(Path(__file__).parent / "differential"))
    import machine
    return machine.key_snapshot(prefix, [("SOFTWARE\\Maker", True)])


READS = {
    "key_exists": lambda prefix: prefix.key_exists(KEY),
    "value_of": lambda prefix: prefix.value_of(KEY, "InstallPath"),
    "reg_query /s": lambda prefix: prefix.reg_query(KEY, recursive=True),
    "key_snapshot": read_keys_in_one_step,
    "import_reg": lambda prefix: prefix.import_reg([(KEY, {"InstallPath": "C:\\Game"})]),
}
SILENCES = {
    "ends with 1 saying nothing": "exit 1",
    "ends with 0 saying nothing": "exit 0",
    "says something else": 'echo "wine: could not load kernel32.dll, status c0000135" >&2; exit 1',
    "never ends": "sleep 30",
}


@pytest.mark.parametrize("read, silence", [
    (read, silence) for read in READS for silence in SILENCES
    # regedit /S says nothing when it succeeds.
    if (read, silence) != ("import_reg", "ends with 0 saying nothing")])
def test_a_wine_command_without_an_answer_is_a_harness_error_not_a_verdict(tmp_path, monkeypatch, read, silence):
    prefix = stand_in_wine(tmp_path, monkeypatch, SILENCES[silence])

    with pytest.raises(wine.NoAnswer) as raised:
        READS[read](prefix)

    assert "the prefix at that moment" in str(raised.value)


@pytest.mark.parametrize("answer, expected", [
    (f'printf "%s\\r\\n" "{NOT_FOUND}" | iconv -t cp932; exit 1', (False, None)),
    (f"printf '{LISTING.encode('unicode_escape').decode()}'", (True, "C:\\Game")),
], ids=["not-there", "there"])
def test_reg_s_own_answers_are_read_as_such(tmp_path, monkeypatch, answer, expected):
    prefix = stand_in_wine(tmp_path, monkeypatch, answer)

    assert (prefix.key_exists(KEY), prefix.value_of(KEY, "InstallPath")) == expected
