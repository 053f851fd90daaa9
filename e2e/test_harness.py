"""The harness fails a scenario clearly, and soon, when the boxes are not the
ones expected, or when a run that should relaunch ends without doing so:
run on the real Uninstaller.exe, whose parse failure shows one known box."""

import warnings

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
