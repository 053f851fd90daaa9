"""recordcheck.exe on an installation in a prefix (the x86_64 build, so it
runs on every machine we have): the sample game laid out as its installer
leaves it (files, keys in the 32-bit view, all users' shortcuts). It says
clean and changes nothing: the prefix's files and its whole registry, both
views, are the same after each run. Broken one way at a time, the
installation gives that way's finding and exit status."""

import json
import shutil

import pytest

import wine
from builds import REPO, X86_64
from wine import registry_changes, snapshot

SAMPLE = REPO / "recordcheck" / "sample" / "SampleGame"
RECORDCHECK = X86_64.dist / "recordcheck.exe"
NAME = "表示サンプルゲーム"
GAME = "C:\\Program Files (x86)\\SampleMaker\\SampleGame"
GAME_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\SampleMaker\\SampleGame"
ENTRY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarnwickGame_SampleGame"
MENU = f"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\SampleMaker\\{NAME}"
DESKTOP_SHORTCUT = f"C:\\users\\Public\\Desktop\\{NAME}.lnk"
SHORTCUTS = [DESKTOP_SHORTCUT, f"{MENU}\\{NAME}.lnk", f"{MENU}\\アンインストール.lnk"]
UNINSTALL = {"DisplayName": NAME, "UninstallString": f'"{GAME}\\Uninstaller.exe"'}
NO_NAME_IN_CP932 = "data\\Café.txt"


@pytest.fixture(scope="module")
def installed(tmp_path_factory, display):
    if not RECORDCHECK.is_file():
        pytest.fail(f"{RECORDCHECK} is missing: run make build first", pytrace=False)
    prefix = wine.WinePrefix(tmp_path_factory.mktemp("recordcheck"), display)
    try:
        shutil.copytree(SAMPLE, prefix.unix_path(GAME))
        for shortcut in SHORTCUTS:
            prefix.unix_path(shortcut).parent.mkdir(parents=True, exist_ok=True)
            prefix.unix_path(shortcut).write_bytes(b"shortcut")
        prefix.import_reg([(GAME_KEY, {"InstallPath": GAME}), (ENTRY, UNINSTALL)], view=32)
        yield prefix
    finally:
        prefix.kill()


def in_64_bit_view_only(prefix, undo=False):
    views = (64, 32) if undo else (32, 64)
    prefix.import_reg([], delete=[GAME_KEY], view=views[0])
    prefix.import_reg([(GAME_KEY, {"InstallPath": GAME})], view=views[1])


def name_outside_code_page_932(prefix, undo=False):
    path = prefix.unix_path(f"{GAME}\\{NO_NAME_IN_CP932}")
    path.unlink() if undo else path.write_bytes(b"x")


def desktop_shortcut_missing(prefix, undo=False):
    path = prefix.unix_path(DESKTOP_SHORTCUT)
    path.write_bytes(b"shortcut") if undo else path.unlink()


def uninstall_string_starts_another(prefix, undo=False):
    command = UNINSTALL["UninstallString"] if undo else "C:\\Program Files (x86)\\Other\\unins000.exe"
    prefix.import_reg([(ENTRY, {"UninstallString": command})], view=32)


# (how the installation breaks, and mends; recordcheck.exe's exit status; the code it must give)
CASES = {
    "as-installed": (None, 0, None),
    "game-key-in-the-64-bit-view-only": (in_64_bit_view_only, 2, "RC601"),
    "file-name-outside-code-page-932": (name_outside_code_page_932, 1, "RC403"),
    "desktop-shortcut-missing": (desktop_shortcut_missing, 1, "RC603"),
    "uninstall-string-starts-another-program": (uninstall_string_starts_another, 2, "RC602"),
}


@pytest.mark.parametrize("case", list(CASES))
def test_recordcheck_exe_tells_what_the_installation_holds_and_changes_nothing(installed, case):
    prefix = installed
    breaks, status, code = CASES[case]
    if breaks:
        breaks(prefix)
    try:
        files, registry = snapshot(prefix)
        done = prefix.wine(prefix.windows_path_of(RECORDCHECK), "--json", GAME, check=False, timeout=120)
        if done.returncode not in (0, 1, 2):
            raise prefix.no_answer(f"recordcheck.exe --json {GAME}", done)
        report = json.loads(done.stdout.decode("utf-8"))
        codes = {finding["code"] for finding in report["findings"]}
        assert (done.returncode, report["exit_code"]) == (status, status), codes
        assert code in codes if code else codes == set(), codes
        assert report["game_folder"] == GAME
        after_files, after_registry = snapshot(prefix)
        assert after_files == files
        assert registry_changes(registry, after_registry) == set()
    finally:
        if breaks:
            breaks(prefix, undo=True)
