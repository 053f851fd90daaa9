"""The release version as CMakeLists.txt's project() states it: what the
programs' version blocks, the manifests and the release package must carry."""

import re
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]


def project_version(cmake_lists=REPO / "CMakeLists.txt"):
    """The version as written ("1.0.0") and as four numbers ((1, 0, 0, 0))."""
    match = re.search(r"^project\(\w+ VERSION (\d+(?:\.\d+){0,3})\b", Path(cmake_lists).read_text(), re.M)
    assert match, f"{cmake_lists}: project() has no VERSION"
    numbers = [int(part) for part in match.group(1).split(".")]
    return match.group(1), tuple(numbers + [0] * (4 - len(numbers)))
