"""recordcheck's output as makers meet it: the guide shows the program's real
output on the sample game, and --json is valid JSON that docs/recordcheck.schema.json
accepts, on the sample game and on broken records, including record bytes
that are not valid CP932 (shown as U+FFFD, and exact in the *_hex fields).
--format=sarif is valid SARIF 2.1.0 by the published schema and rules, as
the SARIF multitool (npm, pinned in package.json) validates it, and each
result's place is a file of the game folder.

usage: output_check.py RECORDCHECK SAMPLE_GAME_FOLDER (the one in the source tree)
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path
from urllib.parse import unquote

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


def validate_sarif(root, path):
    """The SARIF multitool's findings on `path` (its validate command checks
    the schema and the SARIF standard's own rules)."""
    tool = root / "node_modules" / "@microsoft" / "sarif-multitool-linux" / "Sarif.Multitool"
    assert tool.exists(), f"{tool} is missing: run scripts/install-deps.sh"
    log = path.with_suffix(".validation.sarif")
    # Invariant globalization: the tool then needs no ICU library.
    env = dict(os.environ, DOTNET_SYSTEM_GLOBALIZATION_INVARIANT="1")
    done = subprocess.run([str(tool), "validate", str(path), "--output", str(log)], capture_output=True,
                          check=False, env=env, timeout=300)
    assert done.returncode == 0 and log.exists(), done.stdout.decode("utf-8", "replace") + done.stderr.decode()
    return json.loads(log.read_text(encoding="utf-8-sig"))["runs"][0]["results"]


def check_sarif(program, root, sample):
    """SARIF on a game with findings of several kinds: valid, and each result
    placed on a file of the game folder. The validator skips, without a word,
    a file its object model cannot read; the same document with one property
    the schema does not allow must then draw that error, or the clean verdict
    meant nothing."""
    with tempfile.TemporaryDirectory() as temp:
        game = Path(temp) / "Sample Game"
        shutil.copytree(sample, game)
        (game / "Manual.pdf").touch()
        (game / "data" / "音声" / "voice01.ogg").touch()
        (game / "data" / "〜wave.ogg").touch()  # U+301C: not in code page 932
        files = game / "InstallInfo" / "InstallFiles.ini"
        files.write_bytes(files.read_bytes().replace(b'"SampleGame.exe"', b'"SampleGame2.exe"'))
        done = subprocess.run([program, "--format=sarif", "--lang=ja", "--disable=RC301", str(game)],
                              capture_output=True, check=False)
        assert done.returncode == 1, done.stderr
        document = json.loads(done.stdout.decode("utf-8"))
        run = document["runs"][0]
        rules = [rule["id"] for rule in run["tool"]["driver"]["rules"]]
        results = run["results"]
        assert {"RC301", "RC401", "RC403"} <= {r["ruleId"] for r in results}, results
        base = run["originalUriBaseIds"]["GAMEFOLDER"]["uri"]
        assert unquote(base) == game.resolve().as_uri().replace("%20", " ") + "/", base
        for result in results:
            assert rules[result["ruleIndex"]] == result["ruleId"], result
            # What is suppressed is there, marked (code scanning closes it).
            assert ("suppressions" in result) == (result["ruleId"] == "RC301"), result
            where = result["locations"][0]["physicalLocation"]["artifactLocation"]
            # A name code page 932 cannot hold is shown with '?' for what it lacks.
            if where.get("uriBaseId") == "GAMEFOLDER" and result["ruleId"] != "RC403":
                assert (game / unquote(where["uri"])).exists(), result
        path = Path(temp) / "report.sarif"
        path.write_bytes(done.stdout)
        invalid = Path(temp) / "canary.sarif"
        invalid.write_text(json.dumps(dict(document, recordcheckCanary=1)), encoding="utf-8")
        errors = [r for r in validate_sarif(root, path) if r.get("level", "warning") == "error"]
        assert not errors, json.dumps(errors, ensure_ascii=False, indent=1)
        canary = [r["ruleId"] for r in validate_sarif(root, invalid)]
        assert "JSON1005" in canary, canary


def main():
    program, sample = sys.argv[1], Path(sys.argv[2])
    root = sample.resolve().parents[2]
    schema = json.loads((root / "docs" / "recordcheck.schema.json").read_text(encoding="utf-8"))
    check_guide(program, root, sample)
    check_guide_examples(program, root, sample)
    check_sarif(program, root, sample)
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
