"""recordcheck's prediction for a game folder: its --json document, checked
against docs/recordcheck.schema.json."""

import json
import os
import subprocess
from dataclasses import dataclass
from pathlib import Path

import jsonschema

REPO = Path(__file__).resolve().parents[2]
SCHEMA = REPO / "docs" / "recordcheck.schema.json"
# The release build (make recordcheck) and the host build's (make build), the newer first.
CANDIDATES = [REPO / "build" / "recordcheck" / "recordcheck", REPO / "build" / "host" / "recordcheck"]


class PredictionError(AssertionError):
    """recordcheck could not give a prediction, or gave one that breaks its schema."""


def recordcheck_program() -> Path:
    chosen = os.environ.get("RECORDCHECK")
    if chosen:
        return Path(chosen)
    built = [path for path in CANDIDATES if path.is_file()]
    if not built:
        raise PredictionError("recordcheck is not built: run make recordcheck (or make build)")
    return max(built, key=lambda path: path.stat().st_mtime)


_validator = None


def validator():
    global _validator
    if _validator is None:
        _validator = jsonschema.Draft202012Validator(json.loads(SCHEMA.read_text()))
    return _validator


@dataclass
class Prediction:
    command: list           # the command line that gave it, for a reproduction
    document: dict
    # recordcheck's word when it refused the game folder's own path (then
    # the prediction is for the same path with a trailing backslash).
    refused_path: str = None

    @property
    def asking(self):
        return self.document["uninstaller"]["asking"]

    @property
    def removing(self):
        return self.document["uninstaller"]["removing"]

    def record_read(self, name) -> bool:
        return any(r["file"] == name and r["state"] == "read" for r in self.document["records"])


def predict(folder: Path, install_path: str, other_games=(), not_installed=()) -> Prediction:
    refused = None
    done, command = _run(folder, install_path, other_games, not_installed)
    if done.returncode == 3 and b"--install-path" in done.stderr:
        # A refused path is a finding; the same folder written with a
        # trailing backslash still lets everything else be compared.
        refused = done.stderr.decode("utf-8", "replace").splitlines()[0]
        done, command = _run(folder, install_path + "\\", other_games, not_installed)
    if done.returncode not in (0, 1, 2):
        raise PredictionError(f"recordcheck ended with {done.returncode}: "
                              f"{done.stderr.decode('utf-8', 'replace')[-2000:]}\n  {' '.join(command)}")
    try:
        document = json.loads(done.stdout.decode("utf-8"))
    except (UnicodeDecodeError, ValueError) as error:
        raise PredictionError(f"recordcheck's --json output is no JSON document ({error})")
    problems = sorted(validator().iter_errors(document), key=lambda e: list(e.absolute_path))
    if problems:
        raise PredictionError("recordcheck's document breaks docs/recordcheck.schema.json:\n" + "\n".join(
            f"  at /{'/'.join(map(str, p.absolute_path))}: {p.message[:300]}" for p in problems[:10]))
    if document["exit_code"] != done.returncode:
        raise PredictionError(f"recordcheck exited {done.returncode}, its document says {document['exit_code']}")
    return Prediction(command, document, refused)


def _run(folder, install_path, other_games, not_installed):
    command = [str(recordcheck_program()), "--json", "--install-path", install_path]
    for other in other_games:
        command += ["--other-game", str(other)]
    for key in not_installed:
        command += ["--not-installed", key]
    command.append(str(folder))
    return subprocess.run(command, capture_output=True, timeout=120), command
