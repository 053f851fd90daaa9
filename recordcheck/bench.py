"""recordcheck on a list of 100,000 entries: its time and its peak memory.

Two games made from the sample game, with Japanese names as makers write
them (some with the byte 0x5C inside a character, as in ソ and 表): one whose
100,000 listed files are all there (each is removed), one whose 100,000
entries lie in folders that are not (each is a finding). Each is checked as
text, as JSON and as SARIF; the budget is 1 s and 64 MB a run on a machine of this
project's kind. Prints a line a run and exits 1 when one is over budget.

usage: bench.py RECORDCHECK SAMPLE_GAME_FOLDER [ENTRIES]
"""

import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ENTRIES = 100_000
SECONDS = 1.0
MEGABYTES = 64


def make_game(sample: Path, root: Path, present: bool, entries: int) -> Path:
    game = root / ("present" if present else "absent") / sample.name
    shutil.copytree(sample, game)
    lines = []
    for i in range(entries):
        folder = f"データ\\ソース{i // 100:04d}" if present else f"消えた表示\\背景{i // 100:04d}"
        lines.append(f'\t"{folder}\\効果音{i:06d}.ogg" , {i} , 0x{i:08x}\r\n')
        if present:
            host = game / folder.replace("\\", "/")
            if i % 100 == 0:
                host.mkdir(parents=True)
            (host / f"効果音{i:06d}.ogg").touch()
    record = game / "InstallInfo" / "InstallFiles.ini"
    record.write_bytes(record.read_bytes().replace(b"}", "".join(lines).encode("cp932") + b"}"))
    return game


def run(program: str, arguments: list) -> tuple:
    """Wall time in seconds and peak resident memory in MB of one run, the
    only child of this process."""
    start = time.monotonic()
    with open(os.devnull, "wb") as sink:
        done = subprocess.run([program, *arguments], stdout=sink, stderr=subprocess.PIPE)
    seconds = time.monotonic() - start
    if done.returncode not in (0, 1):
        sys.exit(f"recordcheck {' '.join(arguments)} failed ({done.returncode}): {done.stderr.decode()}")
    return seconds, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024


def main():
    program, sample = sys.argv[1], Path(sys.argv[2])
    entries = int(sys.argv[3]) if len(sys.argv) > 3 else ENTRIES
    over = False
    with tempfile.TemporaryDirectory() as temp:
        for present in (True, False):
            game = make_game(sample, Path(temp), present, entries)
            for arguments in ([str(game)], ["--json", str(game)], ["--format=sarif", str(game)]):
                # A fresh interpreter for each run, so that its peak is its own.
                measured = subprocess.run(
                    [sys.executable, __file__, "--one", program, *arguments], capture_output=True, text=True,
                    check=True).stdout.split()
                seconds, megabytes = float(measured[0]), float(measured[1])
                over = over or seconds > SECONDS or megabytes > MEGABYTES
                files = "files there" if present else "folders absent"
                shown = {"--json": "json", "--format=sarif": "sarif"}.get(arguments[0], "text")
                print(f"recordcheck, {entries:,} entries, {files}, {shown}: {seconds:.2f} s, {megabytes:.1f} MB "
                      f"(budget {SECONDS:.0f} s, {MEGABYTES} MB)")
    sys.exit(1 if over else 0)


if __name__ == "__main__":
    if sys.argv[1] == "--one":
        seconds, megabytes = run(sys.argv[2], sys.argv[3:])
        print(seconds, megabytes)
    else:
        main()
