"""Pictures of every message box the two programs show, taken under Wine with
the Japanese font, for the README: python3 e2e/screenshots.py [out folder]
(default docs/screenshots; make screenshots).

Each box is checked against its expected text bytes, caption and flags (the
same checks as the end-to-end tests) before its picture is kept. A picture is
the box's own window, with the title bar and frame Wine draws for it (there
is no window manager on the virtual display, so it is drawn inactive), kept
under 60 KB."""

import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import builds  # noqa: E402
import game  # noqa: E402
import messages as m  # noqa: E402
import wine  # noqa: E402
from game import Game  # noqa: E402
from wine import Box  # noqa: E402

REPO = Path(__file__).resolve().parents[1]
# The shipped programs where this machine runs them; the twin shows the same boxes.
BUILD = builds.shipped_or_twin()
UNINSTALLER = BUILD.program("Uninstaller.exe")
PREFCLEAR = BUILD.program("Prefclear.exe")
LIMIT = 60 * 1024

NAME = "表示サンプルゲーム"
SAMPLE = Game(folder="C:\\Games\\SampleMaker\\SampleGame", name=NAME, registry="SOFTWARE\\SampleMaker\\SampleGame",
              maker="SampleMaker", files={"SampleGame.exe": b"MZ", "data\\script.dat": b"s"})
TOOL = "C:\\Tools\\Uninstaller.exe"
U = m.UNINSTALLER_CAPTION
P = m.PREFCLEAR_CAPTION

# Every box the two programs can show, by picture name.
PICTURES = {
    "uninstaller-question": "the question, naming the game (Yes / No)",
    "uninstaller-done": "the uninstall is complete",
    "uninstaller-folder-failed": "a folder stays: it holds files that were not installed",
    "uninstaller-failed": "the uninstall failed: the records could not be read",
    "uninstaller-relaunch-failed": "the removal could not be started from the temporary folder",
    "uninstaller-settings-unreadable": "InstallInfo\\Installer.ini is missing or unreadable",
    "uninstaller-command-line": "a malformed command line",
    "uninstaller-undefined-parameter": "an unknown option on the command line",
    "prefclear-question": "the question, naming the game (OK / Cancel)",
    "prefclear-cancelled": "cancelled: nothing was deleted",
    "prefclear-done": "the configuration was reset",
    "prefclear-unreadable": "OrrinStart.ini is missing or unreadable",
    "prefclear-error": "OrrinStart.ini is malformed",
}


def shrink(path: Path):
    """Fewer colours until the picture is under the limit (a box has few anyway)."""
    for colours in (256, 64, 16):
        if path.stat().st_size < LIMIT:
            return
        subprocess.run(["convert", str(path), "-colors", str(colours), f"PNG8:{path}"], check=True, timeout=30)
    if path.stat().st_size >= LIMIT:
        raise SystemExit(f"{path} is still {path.stat().st_size} bytes")


def take(prefix, out, program, arguments, boxes, **kwargs):
    """Runs one scenario; boxes are (text, caption, flags, answer, picture name or None)."""
    expected = [Box(text, caption, flags, answer=answer, screenshot=(out / f"{name}.png") if name else None)
                for text, caption, flags, answer, name in boxes]
    result = prefix.run(program, arguments, boxes=expected, **kwargs)
    for box, (_, _, _, _, name) in zip(result.boxes, boxes):
        assert name is None or name in PICTURES, name
        if name:
            shrink(out / f"{name}.png")
            print(f"  {name}.png  {(out / f'{name}.png').stat().st_size:6d} bytes  "
                  f"{box.text.decode('cp932', 'replace')!r}")
    return result


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else REPO / "docs" / "screenshots"
    wine.require_tools()
    for program in (UNINSTALLER, PREFCLEAR):
        if not program.is_file():
            raise SystemExit(f"{program} is missing; run make build")
    if BUILD is not builds.I686:
        print(f"screenshots: the i686 programs: {builds.NOT_RUN_32BIT}; taking them of the x86_64 twin")
    out.mkdir(parents=True, exist_ok=True)
    work = Path(tempfile.mkdtemp(prefix="shots-"))
    display = wine.Display(work)
    try:
        prefix = wine.WinePrefix(work, display)
        prefix.view = BUILD.view
        try:
            shoot(prefix, out)
        finally:
            prefix.kill()
    finally:
        display.close()
        shutil.rmtree(work, ignore_errors=True)


def shoot(prefix, out):
    layout = game.Layout(prefix, bystanders=False)
    program = f"{SAMPLE.folder}\\Uninstaller.exe"
    name = NAME.encode("cp932")
    folder = SAMPLE.folder.encode("cp932")

    def fresh():
        layout.reset()
        layout.install_game(SAMPLE, uninstaller=UNINSTALLER)
        layout.copy_program(UNINSTALLER, TOOL)

    fresh()
    take(prefix, out, program, b"", [
        (m.uninstall_question(name), U, m.QUESTION_FLAGS, "n", "uninstaller-question")])
    take(prefix, out, program, b"-F", [
        (m.PARSE_FAILED, U, m.ERROR_FLAGS, "Return", "uninstaller-command-line")])
    take(prefix, out, program, b"-Q=1", [
        (m.undefined_parameter(b"Q"), U, m.ERROR_FLAGS, "Return", "uninstaller-undefined-parameter")])
    take(prefix, out, program, b"", [
        (m.uninstall_question(name), U, m.QUESTION_FLAGS, "y", None),
        (m.RELAUNCH_FAILED, U, m.ERROR_FLAGS, "Return", "uninstaller-relaunch-failed")],
        environment={"TEMP": "C:\\NoSuchTemp", "TMP": "C:\\NoSuchTemp"})
    layout.write(f"{SAMPLE.folder}\\InstallInfo\\InstallFiles.ini", b"broken")
    take(prefix, out, TOOL, f'-F="{SAMPLE.folder}"', [
        (m.UNINSTALL_FAILED, U, m.ERROR_FLAGS, "Return", "uninstaller-failed")])
    fresh()
    layout.write(f"{SAMPLE.folder}\\data\\written-later.sav", b"later")
    take(prefix, out, TOOL, f'-F="{SAMPLE.folder}"', [
        (m.folder_not_removed(folder + b"\\data"), U, m.FOLDER_FAILED_FLAGS, "Return", "uninstaller-folder-failed"),
        (m.UNINSTALL_DONE, U, m.DONE_FLAGS, "Return", "uninstaller-done")])
    layout.reset()
    layout.copy_program(UNINSTALLER, program)
    take(prefix, out, program, b"", [
        (m.settings_unreadable(folder + b"\\InstallInfo\\Installer.ini"), U, m.ERROR_FLAGS, "Return",
         "uninstaller-settings-unreadable")])

    layout.reset()
    prefclear = f"{SAMPLE.folder}\\Prefclear.exe"
    start_up = folder + b"\\OrrinStart.ini"
    layout.copy_program(PREFCLEAR, prefclear)
    take(prefix, out, prefclear, b"", [
        (m.startup_unreadable(start_up), P, m.ERROR_FLAGS, "Return", "prefclear-unreadable")], cwd=SAMPLE.folder)
    layout.write(f"{SAMPLE.folder}\\OrrinStart.ini", f'GameName = "{NAME}"\r\nSaveFolder = "SaveData"\r\n')
    take(prefix, out, prefclear, b"", [
        (m.reset_question(name), P, m.PREFCLEAR_QUESTION_FLAGS, "Escape", "prefclear-question"),
        (m.RESET_CANCELLED, P, m.DONE_FLAGS, "Return", "prefclear-cancelled")], cwd=SAMPLE.folder)
    take(prefix, out, prefclear, b"", [
        (m.reset_question(name), P, m.PREFCLEAR_QUESTION_FLAGS, "Return", None),
        (m.RESET_DONE, P, m.DONE_FLAGS, "Return", "prefclear-done")], cwd=SAMPLE.folder)
    layout.write(f"{SAMPLE.folder}\\OrrinStart.ini", b'#GameName = "X"\r\n')
    take(prefix, out, prefclear, b"", [
        (m.startup_malformed(start_up), P, m.ERROR_FLAGS, "Return", "prefclear-error")], cwd=SAMPLE.folder)
    layout.reset()
    missing = [name for name in PICTURES if not (out / f"{name}.png").is_file()]
    if missing:
        raise SystemExit(f"no picture taken of {missing}")


if __name__ == "__main__":
    main()
