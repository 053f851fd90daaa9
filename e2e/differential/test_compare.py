"""The comparison itself, without Wine: each rule catches the fault it is for,
and the generator gives the same folder for the same seed."""

import os

import pytest

import compare
import generator
from machine import RemovalCall, removal_calls
from wine import SeenBox

GAME = "C:\\Games\\M\\G"
FILE = f"{GAME}\\data\\a.dat"


def step(kind, path, outcome, reason="", error=0):
    data = path.encode("cp932")
    return {"kind": kind, "path": path, "path_hex": data.hex(), "outcome": outcome, "reason": reason, "error": error}


@pytest.mark.parametrize("outcome, before, after, complaint", [
    ("removed", True, False, None),
    ("removed", True, True, "still there"),
    ("removed", False, False, "not there when the step came"),
    ("stays", True, True, None),
    ("stays", True, False, "gone"),
    ("not there", False, False, None),
    ("not there", True, True, "there when the step came"),
    ("refused", True, True, None),
    ("refused", False, False, None),
    ("refused", True, False, "gone"),
])
def test_each_outcome_must_fit_what_was_seen_of_its_path(outcome, before, after, complaint):
    problems = compare.compare_steps([step("file", FILE, outcome)], {FILE} if before else set(),
                                     {FILE} if after else set(), set(), set())
    assert (complaint is None and problems == []) or (len(problems) == 1 and complaint in problems[0])


def test_steps_follow_one_another_and_paths_compare_as_windows_takes_them():
    # The list names a file twice, the second time in other letters, with '/'
    # and the trailing dots Windows cuts: the first step removes it, for the
    # second it is not there.
    steps = [step("file", FILE, "removed"), step("file", f"{GAME}\\DATA./A.DAT.", "not there"),
             step("desktop shortcut", "C:\\Users\\Public\\Desktop\\G.lnk", "removed")]
    before = {FILE, "C:\\users\\Public\\Desktop\\G.lnk", f"{GAME}\\other"}
    assert compare.compare_steps(steps, before, {f"{GAME}\\other"}, set(), set()) == []


def test_keys_removed_or_made_that_no_step_names_are_told():
    steps = [step("uninstall entry", "SOFTWARE\\Uninstall\\TarnwickGame_G", "removed")]
    problems = compare.compare_steps(steps, set(), set(), {"SOFTWARE\\M\\G", "SOFTWARE\\Uninstall\\TarnwickGame_G"},
                                     {"SOFTWARE\\Elsewhere"})
    assert problems == ["the run removed the key SOFTWARE\\M\\G, which no step predicts",
                        "the run made the key SOFTWARE\\Elsewhere"]


def call(function, path, succeeded, cut=False):
    return RemovalCall(function, path.encode("cp932"), cut, succeeded)


@pytest.mark.parametrize("outcome, error, calls, complaint", [
    ("removed", 0, [call("DeleteFileA", FILE, True)], None),
    # The trace cuts a long path: what it shows must begin the step's path.
    ("removed", 0, [call("DeleteFileA", FILE[:12], True, cut=True)], None),
    ("removed", 0, [call("DeleteFileA", FILE, False)], "the trace shows DeleteFileA"),
    ("removed", 0, [], "no removal call on it"),
    ("stays", 5, [call("DeleteFileA", FILE, False)], None),
    ("stays", 5, [], "no call on it failed"),
    ("not there", 2, [call("DeleteFileA", FILE, True)], "the program called DeleteFileA"),
    ("refused", 0, [], None),
    ("refused", 0, [call("DeleteFileA", FILE, False)], "the program called DeleteFileA"),
    ("removed", 0, [call("DeleteFileA", FILE + "x", True)], "which no step accounts for"),
])
def test_the_removal_calls_in_the_trace_must_fit_each_outcome(outcome, error, calls, complaint):
    problems = compare.compare_calls([step("file", FILE, outcome, error=error)], calls)
    assert (complaint is None and problems == []) or any(complaint in p for p in problems), problems


def test_a_missing_uninstall_entry_is_made_and_deleted_by_its_check():
    entry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickGame_G"
    steps = [step("game key", "SOFTWARE\\M\\G", "not there", error=2), step("uninstall entry", entry, "not there")]
    calls = [call("RegOpenKeyExA", "SOFTWARE\\M\\G", False), call("RegCreateKeyExA", entry, True),
             call("RegDeleteKeyA", entry, True)]
    assert compare.compare_calls(steps, calls) == []


def test_removal_calls_are_read_with_their_results(tmp_path):
    trace = tmp_path / "trace.txt"
    trace.write_bytes(
        b'0144:Call KERNEL32.DeleteFileA(00eb6140 "C:\\\\G\\\\a.dat") ret=004087f5\n'
        b'0144:Ret  KERNEL32.DeleteFileA() retval=00000001 ret=004087f5\n'
        b'0144:Call KERNEL32.RemoveDirectoryA(00eb6140 "C:\\\\G\\\\\\x95\\\\\\x95\\\\"...) ret=00409662\n'
        b'0144:Ret  KERNEL32.RemoveDirectoryA() retval=00000000 ret=00409662\n'
        b'0144:Call advapi32.RegOpenKeyExA(80000001,00eb5cf8 "Software\\\\X",00000000,000f003f,0073f8d0) ret=0040b6f1\n'
        b'0144:Ret  advapi32.RegOpenKeyExA() retval=00000000 ret=0040b6f1\n'
        b'0144:Call advapi32.RegDeleteKeyA(80000002,00eb5cf8 "SOFTWARE\\\\M") ret=0040b746\n'
        b'0144:Ret  advapi32.RegDeleteKeyA() retval=00000005 ret=0040b746\n'
        # 291 characters shown and no "...": the trace may have dropped the last byte.
        b'0144:Call KERNEL32.DeleteFileA(00eb6140 "C:\\\\' + b"y" * 287 + b'") ret=004087f5\n'
        b'0144:Ret  KERNEL32.DeleteFileA() retval=00000001 ret=004087f5\n')
    assert removal_calls(trace) == [
        RemovalCall("DeleteFileA", b"C:\\G\\a.dat", False, True),
        RemovalCall("RemoveDirectoryA", b"C:\\G\\\x95\\\x95\\", True, False),
        # A key below HKEY_CURRENT_USER is none of the removal's.
        RemovalCall("RegDeleteKeyA", b"SOFTWARE\\M", False, False),
        RemovalCall("DeleteFileA", b"C:\\" + b"y" * 287, True, True)]


BOX = {"text_hex": ("x" * 40).encode().hex(), "caption_hex": b"Uninstaller".hex(), "flags": 0x10}


@pytest.mark.parametrize("shown, differs", [
    ([SeenBox(b"x" * 40, b"Uninstaller", 0x10, False)], False),
    ([SeenBox(b"x" * 20, b"Uninstaller", 0x10, True)], False),     # cut by the trace
    ([SeenBox(b"x" * 20, b"Uninstaller", 0x10, False)], True),
    ([SeenBox(b"x" * 40, b"Uninstaller", 0x00, False)], True),
    ([], True),
    ([SeenBox(b"x" * 40, b"Uninstaller", 0x10, False)] * 2, True),
])
def test_boxes_must_be_the_predicted_ones_in_order(shown, differs):
    from machine import Seen
    assert bool(compare.compare_boxes("removing", [BOX], Seen(boxes=shown))) == differs


def tree(root):
    found = {}
    for top, folders, files in os.walk(root):
        for name in folders + files:
            path = os.path.join(top, name)
            found[os.path.relpath(path, root)] = (os.path.relpath(os.readlink(path), root) if os.path.islink(path)
                                                  else None if os.path.isdir(path) else open(path, "rb").read())
    return found


@pytest.mark.parametrize("seed", [7, 110])
def test_a_seed_gives_the_same_folder(tmp_path, seed):
    for number in range(2):
        generator.random_case(seed).write(tmp_path / str(number))
    assert tree(tmp_path / "0") == tree(tmp_path / "1") != {}
    assert generator.random_case(seed) != generator.random_case(seed + 1)


def test_the_fixed_set_holds_every_feature_and_at_least_forty_folders():
    cases = generator.fixed_cases()
    assert len(cases) >= 40 and len({case.name for case in cases}) == len(cases)
    assert {f for case in cases for f in case.features} == set(generator.FEATURES)
