"""The installer kits (installer/nsis/ and installer/inno/), proven by one
round trip under Wine.

Each kit's example installer of the sample game is built as `make installer`
builds it (makensis; Inno Setup's ISCC.exe under Wine) and run silently in a
clean prefix. What it leaves is checked against the sample game itself
(recordcheck/sample/SampleGame, whose records were written by hand) and by
recordcheck; then the installed Uninstaller.exe takes it all away again, once
started as a player starts it and once from Wine's list of installed
programs, and the prefix (its files and its whole registry, both views) must
be as it was, save data kept.

A value the records cannot hold stops the build, with the kits' one shared
check (GameFolderCheck); a name the build could not check stops the
installer before it writes anything."""

import re
import shutil
import subprocess
import warnings
import zlib
from contextlib import contextmanager
from dataclasses import dataclass
from pathlib import Path

import pytest

import messages as m
import pe
import wine
from builds import I686, NOT_RUN_32BIT, REPO, X86_64, runs_32bit_code
from wine import registry_changes, snapshot

SAMPLE = REPO / "recordcheck" / "sample" / "SampleGame"
RECORDCHECK = REPO / "build" / "recordcheck" / "recordcheck"
# The shared check, as each kit runs it here: the Linux build for makensis,
# the Windows one (beside the programs) for ISCC under Wine.
LINUX_CHECK = REPO / "build" / "recordcheck" / "GameFolderCheck"
ISCC = REPO / "scripts" / "iscc.sh"

NAME = "表示サンプルゲーム"
GAME = "C:\\Program Files (x86)\\SampleMaker\\SampleGame"
ENTRY = "TarnwickGame_SampleGame"
PROGRAMS = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"
MENU = f"{PROGRAMS}\\SampleMaker\\{NAME}"
# What the example installs outside the game folder.
SHORTCUTS = {f"{PROGRAMS}\\SampleMaker", MENU, f"{MENU}\\{NAME}.lnk", f"{MENU}\\アンインストール.lnk",
             f"C:\\users\\Public\\Desktop\\{NAME}.lnk", "C:\\Program Files (x86)\\SampleMaker", GAME}
# Its keys, as Wine's registry file of HKEY_LOCAL_MACHINE spells them: all in
# the 32-bit view, none in the 64-bit one.
KEYS = {"Software\\Wow6432Node\\SampleMaker", "Software\\Wow6432Node\\SampleMaker\\SampleGame",
        f"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{ENTRY}"}

QUESTION = wine.Box(m.uninstall_question(NAME.encode("cp932")), m.UNINSTALLER_CAPTION, m.QUESTION_FLAGS,
                    answer="y")
DONE = wine.Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)
# A locale whose ANSI code page has no Japanese (Wine takes it from LANG).
WESTERN = "C.UTF-8"


def windows(path) -> str:
    """A path of this machine as Wine sees it through the Z: drive."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


@dataclass(frozen=True)
class Kit:
    name: str
    folder: Path
    example: Path
    silent: str             # the silent installation's arguments, {game} the game folder
    stopped: int            # the exit code of an installation the kit stops
    hide_the_name: tuple    # how the name reaches the installer unchecked: (replacements, defines)

    def build(self, script: str, folder: Path, **defines):
        """Builds a variant of the example; the installer is folder/setup.exe.
        Returns the compiler's exit status and everything it said."""
        settings = {"SOURCE": SAMPLE, "GAME_TOOLS": I686.dist, **defines}
        source = folder / f"installer{self.example.suffix}"
        source.write_text(script, encoding="utf-8-sig")
        if self.name == "nsis":
            settings.setdefault("GAME_CHECK", LINUX_CHECK)
            done = subprocess.run(["makensis", "-V2", f"-X!addincludedir {self.folder}",
                                   f"-DOUTFILE={folder / 'setup.exe'}",
                                   *[f"-D{k}={v}" for k, v in settings.items()], str(source)],
                                  capture_output=True, text=True)
            return done.returncode, done.stdout + done.stderr
        if not runs_32bit_code():
            pytest.skip(f"ISCC.exe: {NOT_RUN_32BIT}")
        done = subprocess.run([str(ISCC), str(source), f"/I{windows(self.folder)}", f"/O{windows(folder)}", "/Fsetup",
                               *[f"/D{k}={windows(v) if isinstance(v, Path) else v}" for k, v in settings.items()]],
                              capture_output=True, text=True)
        if done.returncode == 78:
            raise wine.HarnessError(f"ISCC.exe under Wine gave no answer:\n{done.stdout}{done.stderr}")
        return done.returncode, done.stdout + done.stderr

    def script(self, *replacements):
        """The example with (old, new) replaced, each exactly once."""
        script = self.example.read_text(encoding="utf-8-sig")
        for old, new in replacements:
            assert script.count(old) == 1, old
            script = script.replace(old, new)
        return script


NSIS = Kit("nsis", REPO / "installer" / "nsis", REPO / "installer" / "nsis" / "SampleGame.nsi", "/S /D={game}", 2,
           # The name comes from a variable: makensis sees "$R9", the installer "Café".
           ([('!define GAME_NAME      "表示サンプルゲーム"', '!define GAME_NAME "$R9"'),
             ("Section\n", 'Function .onInit\n  StrCpy $R9 "Café"\nFunctionEnd\nSection\n')], {}))
INNO = Kit("inno", REPO / "installer" / "inno", REPO / "installer" / "inno" / "SampleGame.iss",
           '/VERYSILENT /SUPPRESSMSGBOXES /NORESTART "/DIR={game}"', 7,
           # The check is not where the script says: the compile only warns.
           ([('#define GAME_NAME      "表示サンプルゲーム"', '#define GAME_NAME "Café"')],
            {"GAME_CHECK": "Z:\\nowhere\\GameFolderCheck.exe"}))
KITS = [pytest.param(NSIS, id="nsis"), pytest.param(INNO, id="inno")]


# ---- the build stops for what the records cannot hold --------------------------

# (replacements in both examples, or {kit: replacements}; what the build says)
BUILD_STOPS = {
    "game-name": ([('GAME_NAME      "表示サンプルゲーム"', 'GAME_NAME "Café"')],
                  'GAME_NAME "Café": "é" (U+00E9) has no Shift-JIS (code page 932) form'),
    "empty-name": ([('GAME_NAME      "表示サンプルゲーム"', 'GAME_NAME ""')], 'GAME_NAME "": is empty'),
    "wave-dash": ([('"アンインストール"', '"アンインストール〜"')], 'write "～" (U+FF5E) instead'),
    "shortcut-lnk": ([('"アンインストール"', '"アンインストール.lnk"')],
                     'GameShortcut "アンインストール.lnk": the kit adds .lnk to the shortcut\'s name; write "アンインストール"'),
    "device": ([('"Movie.dll"', '"CON.dll"')], '"CON.dll" is a device name'),
    "trailing-dot": ([('"Movie.dll"', '"Movie.dll."')], '"Movie.dll." ends in a dot'),
    "climbing-path": ([('"Movie.dll"', '"..\\Movie.dll"')],
                      'GameFile "..\\Movie.dll": write a path relative to the game folder'),
    "folder-names": ([], "cannot name these files"),
    "no-source-folder": ([("\\data\"", "\\nothing\"")], 'is not a folder here'),
    "system-key": ([('"SOFTWARE\\SampleMaker\\SampleGame"', '"SOFTWARE\\Microsoft\\SampleGame"')], "is the system's"),
    "key-backslash": ([('"SOFTWARE\\SampleMaker\\SampleGame"', '"SOFTWARE\\SampleMaker\\SampleGame\\"')],
                      'GAME_REGISTRY "SOFTWARE\\SampleMaker\\SampleGame\\": ends in a backslash'),
    "records-twice": ({"nsis": [("  !insertmacro GameRecordsBegin\n", "  !insertmacro GameRecordsBegin\n" * 2)],
                       "inno": [('#include "GameFolderTools.iss"\n', '#include "GameFolderTools.iss"\n' * 2)]},
                      "twice"),
    "registry-first": ({"nsis": [("  !insertmacro GameUninstaller\n", "")], "inno": [("#emit GameUninstaller()\n", "")]},
                       "GameRegistry: install Uninstaller.exe first"),
}


@pytest.mark.parametrize("case", list(BUILD_STOPS))
@pytest.mark.parametrize("kit", KITS)
def test_the_build_stops_for_what_the_records_cannot_hold(kit, case, tmp_path):
    replacements, complaint = BUILD_STOPS[case]
    if isinstance(replacements, dict):
        replacements = replacements[kit.name]
    source = tmp_path / "SampleGame"
    shutil.copytree(SAMPLE, source, ignore=shutil.ignore_patterns("InstallInfo"))
    if case == "folder-names":
        for name in ("sub/é.txt", "😀.dat"):
            (source / "data" / name).parent.mkdir(parents=True, exist_ok=True)
            (source / "data" / name).write_bytes(b"x")

    status, said = kit.build(kit.script(*replacements), tmp_path, SOURCE=source)

    assert status != 0 and complaint in said, said
    assert not (tmp_path / "setup.exe").exists()


@pytest.mark.parametrize("kit", KITS)
def test_an_install_folder_not_below_the_makers_folder_is_a_warning(kit, tmp_path):
    status, said = kit.build(kit.script(), tmp_path, GAME_INSTALL_DIR="C:\\Games\\SampleGame")
    assert status == 0 and 'not GAME_MAKER "SampleMaker"' in said, said


# ---- the round trip under Wine -------------------------------------------------

@pytest.fixture(scope="module")
def installers(tmp_path_factory):
    """installers(kit): the kit's example, built as `make installer` builds it
    (once a module): a PE32 program."""
    built = {}

    def build(kit):
        if kit.name not in built:
            if not (I686.dist / "Uninstaller.exe").is_file() or not LINUX_CHECK.is_file():
                pytest.fail("dist/ or build/recordcheck/GameFolderCheck is missing: run make installer first",
                            pytrace=False)
            folder = tmp_path_factory.mktemp(kit.name)
            status, said = kit.build(kit.script(), folder)
            assert status == 0, said
            setup = folder / "setup.exe"
            assert pe.read(setup).machine == 0x14C
            # Inno Setup's loader asks for elevation itself (PrivilegesRequired=admin).
            assert kit.name == "inno" or b'level="requireAdministrator"' in setup.read_bytes()
            built[kit.name] = setup
        return built[kit.name]
    return build


class Prefixes:
    """The prefix the round trips share, and what it held before any
    installation. A test that leaves it changed (one that failed half way)
    gets the next test a fresh one, so that one failure fails one test."""

    def __init__(self, factory, display):
        self.factory, self.display = factory, display
        self.prefix = None
        self.fresh()

    def fresh(self):
        if self.prefix is not None:
            self.prefix.kill()
        self.prefix = wine.WinePrefix(self.factory.mktemp("kits"), self.display)
        # Shortcuts would start Wine's menu builder, which adds files for the
        # Linux desktop beside them: that is Wine's, not the installer's.
        self.prefix.env["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"
        self.before = snapshot(self.prefix)

    def after_a_test(self):
        files, registry = snapshot(self.prefix)
        if files != self.before[0] or registry_changes(self.before[1], registry):
            self.fresh()


@pytest.fixture(scope="module")
def prefixes(tmp_path_factory, display):
    if not runs_32bit_code():
        pytest.skip(NOT_RUN_32BIT)
    made = Prefixes(tmp_path_factory, display)
    try:
        yield made
    finally:
        made.prefix.kill()


@pytest.fixture
def clean_prefix(prefixes):
    """A prefix as it was before any installation, and what it held then."""
    yield prefixes.prefix, prefixes.before
    prefixes.after_a_test()


@contextmanager
def ansi_code_page_of(prefix, locale):
    """Runs in the context start their Wine processes in another locale."""
    saved = prefix.env
    prefix.env = {**saved, "LANG": locale, "LC_ALL": locale}
    try:
        yield
    finally:
        prefix.env = saved
        # Wine records the locale its processes start in (Control
        # Panel\International, the fonts' names, the code pages): once those
        # processes are gone, one in the prefix's own locale writes it back.
        prefix.kill()
        prefix.start_server()
        prefix.wine("cmd", "/c", "exit")


def check_the_installed_game(prefix):
    """Every check of a game just installed runs here. The installed game
    folder holds the sample game's files (the two
    programs as built), its records read as the hand-written sample's, and a
    list of exactly the installed files with their sizes and CRC-32s."""
    folder = prefix.unix_path(GAME)
    installed = sorted(p.relative_to(folder).as_posix() for p in folder.rglob("*")
                       if p.is_file() and p.parent.name != "InstallInfo")
    assert installed == sorted(p.relative_to(SAMPLE).as_posix() for p in SAMPLE.rglob("*")
                               if p.is_file() and p.parent.name != "InstallInfo")
    for relative in installed:
        source = I686.dist / relative if relative in ("Uninstaller.exe", "Prefclear.exe") else SAMPLE / relative
        assert (folder / relative).read_bytes() == source.read_bytes(), relative
    for record in ("Installer.ini", "SaveFolderSetting.ini"):
        assert (folder / "InstallInfo" / record).read_bytes() == (SAMPLE / "InstallInfo" / record).read_bytes()
    listing = (folder / "InstallInfo" / "InstallFiles.ini").read_bytes()
    lines = listing.split(b"\r\n")
    assert lines[0] == b"#InstallerSetupFileVersion = 1" and lines[-1] == b"", listing
    entries = {}
    for line in lines[1:-1]:
        path, size, crc = re.fullmatch(rb'#InstallFileList \{ "([^"]+)" , (\d+) , 0x([0-9a-f]{8}) \}', line).groups()
        entries[path.decode("cp932").replace("\\", "/")] = (int(size), int(crc, 16))
    assert entries == {relative: (len(data), zlib.crc32(data)) for relative in installed
                       for data in [(folder / relative).read_bytes()]}
    # recordcheck finds the installed folder clean.
    if not RECORDCHECK.is_file():
        pytest.fail(f"{RECORDCHECK} is missing: run make recordcheck first", pytrace=False)
    checked = subprocess.run([str(RECORDCHECK), "--install-path", GAME, str(folder)], capture_output=True, text=True)
    assert checked.returncode == 0, f"recordcheck (exit {checked.returncode}):\n{checked.stdout}{checked.stderr}"
    # And so does recordcheck.exe inside the prefix, on the installation
    # itself: its keys in both views, its shortcuts.
    checked = prefix.wine(prefix.windows_path_of(X86_64.dist / "recordcheck.exe"), GAME, check=False, timeout=120)
    assert checked.returncode == 0, (f"recordcheck.exe (exit {checked.returncode}):\n"
                                     + checked.stdout.decode("utf-8", "replace"))


def lay_out_save_data(prefix):
    """What the game wrote while it was played, Prefclear's files among it."""
    user = f"C:\\users\\{prefix.env['USER']}"
    saves = {}
    for root in (f"{user}\\Documents", f"{user}\\AppData\\Roaming"):
        for name in ("save01.dat", "Volume.sav"):
            saves[f"{root}\\Tarnwick\\{NAME}\\SaveData\\{name}"] = f"{root} {name}".encode()
    for path, data in saves.items():
        prefix.unix_path(path).parent.mkdir(parents=True, exist_ok=True)
        prefix.unix_path(path).write_bytes(data)
    return saves


def remove_save_data(prefix, saves):
    for root in {path.split("\\Tarnwick\\")[0] for path in saves}:
        shutil.rmtree(prefix.unix_path(f"{root}\\Tarnwick"))


def run_again_if_wine_lost_it(prefix, *args, **kwargs):
    """prefix.run, once more when Wine's desktop did not start for it (its
    box never got a window) and the run changed nothing: under Wine that is
    a start Wine lost, not the program's doing."""
    before = prefix.entries()
    try:
        return prefix.run(*args, **kwargs)
    except wine.HarnessError as error:
        if "appeared for the box" not in str(error) or prefix.entries() != before:
            raise
        warnings.warn(f"{args[0]}: {error}; ran it again", RuntimeWarning)
        return prefix.run(*args, **kwargs)


def the_player_starts_the_uninstaller(prefix):
    return run_again_if_wine_lost_it(prefix, f"{GAME}\\Uninstaller.exe", b"", cwd=GAME, relaunch=True,
                                     boxes=[QUESTION, DONE])


def the_list_of_installed_programs_starts_it(prefix):
    # Wine's uninstaller runs the entry's UninstallString, as Apps & features does.
    return run_again_if_wine_lost_it(prefix, "uninstaller", f"--remove {ENTRY}", quoted=False, relaunch=True,
                                     boxes=[QUESTION, DONE])


@pytest.mark.parametrize("locale, uninstall", [
    (wine.LOCALE, the_player_starts_the_uninstaller),
    (WESTERN, the_list_of_installed_programs_starts_it),
], ids=["japanese-windows-player", "western-windows-installed-programs"])
@pytest.mark.parametrize("kit", KITS)
def test_what_the_installer_writes_the_uninstaller_takes_away(clean_prefix, installers, kit, locale, uninstall):
    prefix, (files_before, registry_before) = clean_prefix
    installer = installers(kit)

    with ansi_code_page_of(prefix, locale):
        assert prefix.run(prefix.windows_path_of(installer), kit.silent.format(game=GAME)).exit_code == 0
        if locale == WESTERN:
            # This installer really ran without Japanese: the entry's name comes out as "?".
            listed = prefix.wine("uninstaller", "--list").stdout
            assert ENTRY.encode() in listed and NAME.encode("cp932") not in listed, listed
    files, registry = snapshot(prefix)
    game_files = {GAME + "\\" + str(p.relative_to(SAMPLE)).replace("/", "\\") for p in SAMPLE.rglob("*")}
    assert files - files_before == game_files | SHORTCUTS and files_before <= files
    assert registry_changes(registry_before, registry) == {("system", key.replace("\\", "\\\\")) for key in KEYS}
    check_the_installed_game(prefix)
    saves = lay_out_save_data(prefix)

    result = uninstall(prefix)

    assert result.exit_code == 0
    files, registry = snapshot(prefix)
    try:
        assert files == files_before | {p for path in saves for p in _with_folders(path, files_before)}
        assert all(prefix.unix_path(path).read_bytes() == data for path, data in saves.items())
        assert registry_changes(registry_before, registry) == set()
    finally:
        remove_save_data(prefix, saves)


def _with_folders(path, existing):
    """path and the folders above it that did not exist yet."""
    parts = path.split("\\")
    return {"\\".join(parts[:i]) for i in range(2, len(parts) + 1)} - existing


@pytest.mark.parametrize("kit", KITS)
def test_a_name_the_build_did_not_check_stops_the_installer_before_it_writes_anything(clean_prefix, kit, tmp_path):
    prefix, (files_before, registry_before) = clean_prefix
    replacements, defines = kit.hide_the_name
    status, said = kit.build(kit.script(*replacements), tmp_path, **defines)
    assert status == 0, said

    assert prefix.run(prefix.windows_path_of(tmp_path / "setup.exe"), kit.silent.format(game=GAME)).exit_code \
        == kit.stopped
    files, registry = snapshot(prefix)
    assert files == files_before
    assert registry_changes(registry_before, registry) == set()


@pytest.mark.parametrize("kit", KITS)
def test_a_file_already_in_an_installed_folder_is_not_listed_and_stays(clean_prefix, installers, kit):
    prefix, (files_before, registry_before) = clean_prefix
    installer = installers(kit)
    mine = prefix.unix_path(f"{GAME}\\data\\mine.txt")
    mine.parent.mkdir(parents=True)
    mine.write_bytes(b"the player's")

    assert prefix.run(prefix.windows_path_of(installer), kit.silent.format(game=GAME)).exit_code == 0
    assert b"mine.txt" not in prefix.unix_path(f"{GAME}\\InstallInfo\\InstallFiles.ini").read_bytes()
    folder_stays = wine.Box(m.folder_not_removed(f"{GAME}\\data".encode("cp932")), m.UNINSTALLER_CAPTION,
                            m.FOLDER_FAILED_FLAGS)
    assert run_again_if_wine_lost_it(prefix, f"{GAME}\\Uninstaller.exe", b"", cwd=GAME, relaunch=True,
                                     boxes=[QUESTION, folder_stays, DONE]).exit_code == 0

    files, registry = snapshot(prefix)
    try:
        assert mine.read_bytes() == b"the player's"
        assert files == files_before | _with_folders(f"{GAME}\\data\\mine.txt", files_before)
        assert registry_changes(registry_before, registry) == set()
    finally:
        shutil.rmtree(prefix.unix_path("C:\\Program Files (x86)\\SampleMaker"))


@pytest.mark.parametrize("kit", KITS)
def test_the_guide_shows_the_example_as_it_is_built_and_tested(kit):
    assert kit.example.read_text(encoding="utf-8-sig") in (REPO / "docs" / "makers.md").read_text(encoding="utf-8")
