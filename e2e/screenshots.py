"""Pictures of every message box the two programs show, taken under Wine with
the Japanese font, for the README: python3 e2e/screenshots.py [out folder]
(default docs/screenshots). Each picture is cropped to its box and kept small."""

import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import game  # noqa: E402
import messages as m  # noqa: E402
import wine  # noqa: E402
from game import Game  # noqa: E402
from wine import Box  # noqa: E402

REPO = Path(__file__).resolve().parents[1]
UNINSTALLER = REPO / "dist" / "x64" / "Uninstaller.exe"
PREFCLEAR = REPO / "dist" / "x64" / "Prefclear.exe"
LIMIT = 60 * 1024

NAME = "表示サンプルゲーム"
SAMPLE = Game(folder="C:\\Games\\SampleMaker\\SampleGame", name=NAME, registry="SOFTWARE\\SampleMaker\\SampleGame",
              maker="SampleMaker", files={"SampleGame.exe": b"MZ", "data\\script.dat": b"s"})
TOOL = "C:\\Tools\\Uninstaller.exe"
U = m.UNINSTALLER_CAPTION
P = m.PREFCLEAR_CAPTION


def shrink(path: Path):
    """Fewer colours until the picture is under the limit (a box has few anyway)."""
    for colours in (256, 64, 16):
        if path.stat().st_size < LIMIT:
            return
        subprocess.run(["convert", str(path), "-colors", str(colours), f"PNG8:{path}"], check=True, timeout=30)
    if path.stat().st_size >= LIMIT:
        raise SystemExit(f"{path} is still {path.stat().st_size} bytes")


def take(prefix, out, program, arguments, boxes, **kwargs):
    """Runs one scenario; boxes are (caption, flags, answer, picture name or None)."""
    expected = [Box(None, caption, flags, answer=answer, screenshot=(out / f"{name}.png") if name else None)
                for caption, flags, answer, name in boxes]
    result = prefix.run(program, arguments, boxes=expected, **kwargs)
    for box, (_, _, _, name) in zip(result.boxes, boxes):
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
    out.mkdir(parents=True, exist_ok=True)
    work = Path(tempfile.mkdtemp(prefix="shots-"))
    display = wine.Display(work)
    prefix = wine.WinePrefix(work, display)
    try:
        shoot(prefix, out)
    finally:
        prefix.kill()
        display.close()
        shutil.rmtree(work, ignore_errors=True)


def shoot(prefix, out):
    layout = game.Layout(prefix, bystanders=False)
    program = f"{SAMPLE.folder}\\Uninstaller.exe"

    def fresh():
        layout.reset()
        layout.install_game(SAMPLE, uninstaller=UNINSTALLER)
        layout.copy_program(UNINSTALLER, TOOL)

    fresh()
    take(prefix, out, program, b"", [(U, 4, "n", "uninstaller-question")])
    take(prefix, out, program, b"-F", [(U, m.ERROR_FLAGS, "Return", "uninstaller-command-line")])
    take(prefix, out, program, b"-Q=1", [(U, m.ERROR_FLAGS, "Return", "uninstaller-undefined-parameter")])
    take(prefix, out, program, b"", [(U, 4, "y", None), (U, m.ERROR_FLAGS, "Return", "uninstaller-relaunch-failed")],
         environment={"TEMP": "C:\\NoSuchTemp", "TMP": "C:\\NoSuchTemp"})
    layout.write(f"{SAMPLE.folder}\\InstallInfo\\InstallFiles.ini", b"broken")
    take(prefix, out, TOOL, f'-F="{SAMPLE.folder}"', [(U, m.ERROR_FLAGS, "Return", "uninstaller-failed")])
    fresh()
    layout.write(f"{SAMPLE.folder}\\data\\written-later.sav", b"later")
    take(prefix, out, TOOL, f'-F="{SAMPLE.folder}"', [(U, m.FOLDER_FAILED_FLAGS, "Return", "uninstaller-folder-failed"),
                                                       (U, 0, "Return", "uninstaller-done")])
    layout.reset()
    layout.copy_program(UNINSTALLER, program)
    take(prefix, out, program, b"", [(U, m.ERROR_FLAGS, "Return", "uninstaller-settings-unreadable")])

    layout.reset()
    layout.copy_program(PREFCLEAR, f"{SAMPLE.folder}\\Prefclear.exe")
    layout.write(f"{SAMPLE.folder}\\OrrinStart.ini", f'GameName = "{NAME}"\r\nSaveFolder = "SaveData"\r\n')
    prefclear = f"{SAMPLE.folder}\\Prefclear.exe"
    take(prefix, out, prefclear, b"", [(P, 1, "Escape", "prefclear-question"), (P, 0, "Return", "prefclear-cancelled")],
         cwd=SAMPLE.folder)
    take(prefix, out, prefclear, b"", [(P, 1, "Return", None), (P, 0, "Return", "prefclear-done")], cwd=SAMPLE.folder)
    layout.write(f"{SAMPLE.folder}\\OrrinStart.ini", b'#GameName = "X"\r\n')
    take(prefix, out, prefclear, b"", [(P, m.ERROR_FLAGS, "Return", "prefclear-error")], cwd=SAMPLE.folder)
    layout.reset()


if __name__ == "__main__":
    main()
