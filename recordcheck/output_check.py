"""recordcheck's output as makers meet it: the guide shows the program's real
output on the sample game, and --json is valid JSON of the documented shape,
on the sample game and on broken records, including record bytes that are
not valid CP932 (shown as U+FFFD).

usage: output_check.py RECORDCHECK SAMPLE_GAME_FOLDER (the one in the source tree)
"""

import json
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

BOX = {"program": str, "caption": str, "text": str, "flags": int, "flag_names": str}
SHAPE = {
    "format": int, "folder": str, "game_folder": str, "placement": str, "exit_code": int, "result": str,
    "records": [{"file": str, "state": str, "values": [{"name": str, "value": str}]}],
    "removal": [{"section": str, "path": str, "outcome": str, "reason": str, "warning": bool, "boxes": [BOX]}],
    "unlisted": [{"path": str, "kind": str, "keeps": str, "shows": [BOX]}],
    "boxes": [BOX],
    "findings": [{"severity": str, "file": str, "offset": (int, type(None)), "line": (int, type(None)),
                  "column": (int, type(None)), "found": str, "problem": str, "shows": [BOX]}],
    "prefclear": (dict, type(None)),
}


def check_shape(value, shape, where):
    if isinstance(shape, dict):
        assert isinstance(value, dict) and set(value) == set(shape), f"{where}: keys {sorted(value)}"
        for key, inner in shape.items():
            check_shape(value[key], inner, f"{where}.{key}")
    elif isinstance(shape, list):
        assert isinstance(value, list), f"{where}: not a list"
        for i, item in enumerate(value):
            check_shape(item, shape[0], f"{where}[{i}]")
    else:
        assert isinstance(value, shape) and not (shape is int and isinstance(value, bool)), f"{where}: {value!r}"


def run(program, folder):
    done = subprocess.run([program, "--json", str(folder)], capture_output=True, check=False)
    document = json.loads(done.stdout.decode("utf-8"))  # strict: invalid UTF-8 fails here
    check_shape(document, SHAPE, "$")
    assert document["exit_code"] == done.returncode, (document["exit_code"], done.returncode)
    return document


def check_guide(program, sample):
    """The guide's sample output is what the program prints, run from the
    source tree as the guide runs it."""
    root = sample.resolve().parents[2]
    guide = (root / "docs" / "makers.md").read_text(encoding="utf-8")
    shown = guide.split("The output for the sample game:\n\n```\n", 1)[1].split("```", 1)[0]
    done = subprocess.run([program, str(sample.resolve().relative_to(root))], cwd=root, capture_output=True,
                          check=False)
    assert done.returncode == 0 and done.stdout.decode("utf-8") == shown, "docs/makers.md: the sample output is stale"


def main():
    program, sample = sys.argv[1], Path(sys.argv[2])
    check_guide(program, sample)
    clean = run(program, sample)
    assert clean["exit_code"] == 0 and clean["result"] == "clean", clean["findings"]
    assert [step["outcome"] for step in clean["removal"]] == ["removed"] * len(clean["removal"])
    assert clean["removal"][-1]["path"].endswith("\\Uninstall\\TarnwickGame_SampleGame")
    assert clean["prefclear"]["files"][0] == "3DConfig.vsf"

    with tempfile.TemporaryDirectory() as temp:
        broken = Path(temp) / "SampleGame"
        shutil.copytree(sample, broken)
        settings = broken / "InstallInfo" / "Installer.ini"
        # 0x81 0x20 is no CP932 character; 表 (0x95 0x5C) stays one.
        settings.write_bytes(settings.read_bytes().replace(b"#GameName = \"", b"#GameName = \"\x81\x20"))
        files = broken / "InstallInfo" / "InstallFiles.ini"
        files.write_bytes(files.read_bytes().replace(b"}", b"\"open"))
        document = run(program, broken)
        assert document["exit_code"] == 2 and document["result"] == "unreadable records"
        finding = document["findings"][0]
        assert finding["severity"] == "error" and finding["file"] == "InstallInfo\\InstallFiles.ini", finding
        assert finding["offset"] == files.read_bytes().index(b"\"open"), finding
        name = dict((v["name"], v["value"]) for v in document["records"][0]["values"])["GameName"]
        assert name == "\ufffd\ufffd表示サンプルゲーム", name
        assert "\ufffd\ufffd表示" in document["boxes"][-2]["text"], document["boxes"]
    print("recordcheck output: ok")


if __name__ == "__main__":
    main()
