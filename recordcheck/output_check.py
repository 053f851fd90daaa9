"""recordcheck's output as makers meet it: the guide shows the program's real
output on the sample game, and --json is valid JSON that docs/recordcheck.schema.json
accepts, on the sample game and on broken records, including record bytes
that are not valid CP932 (shown as U+FFFD, and exact in the *_hex fields).

usage: output_check.py RECORDCHECK SAMPLE_GAME_FOLDER (the one in the source tree)
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import jsonschema

# The guide shows the English report, whatever the locale of this machine.
os.environ["LC_ALL"] = "C"


def run(program, folder, schema):
    done = subprocess.run([program, "--json", str(folder)], capture_output=True, check=False)
    document = json.loads(done.stdout.decode("utf-8"))  # strict: invalid UTF-8 fails here
    jsonschema.validate(document, schema)
    assert document["exit_code"] == done.returncode, (document["exit_code"], done.returncode)
    return document


def check_guide(program, root, sample):
    """The guide's sample output is what the program prints, run from the
    source tree as the guide runs it."""
    guide = (root / "docs" / "makers.md").read_text(encoding="utf-8")
    shown = guide.split("The output for the sample game:\n\n```\n", 1)[1].split("```", 1)[0]
    done = subprocess.run([program, str(sample.resolve().relative_to(root))], cwd=root, capture_output=True,
                          check=False)
    assert done.returncode == 0 and done.stdout.decode("utf-8") == shown, "docs/makers.md: the sample output is stale"


def block_after(guide, lead):
    """The fenced block that follows `lead` in the guide."""
    return guide.split(lead, 1)[1].split("```\n", 1)[1].split("```", 1)[0]


def check_guide_examples(program, root, sample):
    """The guide's --format=gcc example is what the program prints for it,
    and its table names every finding code the program has (--quiet lists
    the codes of what it found; the table is checked the other way round by
    the unit tests)."""
    guide = (root / "docs" / "makers.md").read_text(encoding="utf-8")
    shown = block_after(guide, "folder, gets (`--format=gcc`")
    with tempfile.TemporaryDirectory() as temp:
        game = Path(temp) / "SampleGame"
        shutil.copytree(sample, game)
        (game / "Manual.pdf").touch()
        (game / "data" / "音声" / "voice01.ogg").touch()
        done = subprocess.run([program, "--format=gcc", "SampleGame"], cwd=temp, capture_output=True, check=False)
    assert done.returncode == 1 and done.stdout.decode("utf-8") == shown, \
        "docs/makers.md: the --format=gcc example is stale:\n" + done.stdout.decode("utf-8", "replace")


def main():
    program, sample = sys.argv[1], Path(sys.argv[2])
    root = sample.resolve().parents[2]
    schema = json.loads((root / "docs" / "recordcheck.schema.json").read_text(encoding="utf-8"))
    check_guide(program, root, sample)
    check_guide_examples(program, root, sample)
    clean = run(program, sample, schema)
    assert clean["exit_code"] == 0 and clean["result"] == "clean", clean["findings"]
    steps = clean["uninstaller"]["removing"]["steps"]
    assert [step["outcome"] for step in steps] == ["removed"] * len(steps)
    assert steps[-1]["path"].endswith("\\Uninstall\\TarnwickGame_SampleGame")
    assert clean["prefclear"]["steps"][0]["path"].endswith("\\3DConfig.vsf")

    with tempfile.TemporaryDirectory() as temp:
        broken = Path(temp) / "SampleGame"
        shutil.copytree(sample, broken)
        settings = broken / "InstallInfo" / "Installer.ini"
        # 0x81 0x20 is no CP932 character; 表 (0x95 0x5C) stays one.
        settings.write_bytes(settings.read_bytes().replace(b"#GameName = \"", b"#GameName = \"\x81\x20"))
        files = broken / "InstallInfo" / "InstallFiles.ini"
        files.write_bytes(files.read_bytes().replace(b"}", b"\"open"))
        document = run(program, broken, schema)
        assert document["exit_code"] == 2 and document["result"] == "unreadable records"
        finding = next(f for f in document["findings"] if f["severity"] == "error")
        assert finding["code"] == "RC103" and finding["file"] == "InstallInfo\\InstallFiles.ini", finding
        assert finding["offset"] == files.read_bytes().index(b"\"open"), finding
        name = dict((v["name"], v["value"]) for v in document["records"][0]["values"])["GameName"]
        assert name == "\ufffd\ufffd表示サンプルゲーム", name
        question = document["uninstaller"]["asking"]["boxes"][0]
        assert "\ufffd\ufffd表示" in question["text"], question
        assert "8120955c8ea6" in question["text_hex"], question
    # A run that cannot check still writes a document under --json.
    with tempfile.TemporaryDirectory() as temp:
        done = subprocess.run([program, "--json", str(Path(temp) / "absent")], capture_output=True, check=False)
        refused = json.loads(done.stdout.decode("utf-8"))
        jsonschema.validate(refused, schema)
        assert done.returncode == 3 and refused["exit_code"] == 3 and "no such folder" in refused["error"], refused
    print("recordcheck output: ok")


if __name__ == "__main__":
    main()
