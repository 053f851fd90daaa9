"""The committed pictures of the message boxes (docs/screenshots/, made by
e2e/screenshots.py): one for every box that script takes, each a small PNG,
and every picture the README shows is there. Needs no Wine."""

import re
from pathlib import Path

import screenshots

REPO = Path(__file__).resolve().parents[1]
SHOTS = REPO / "docs" / "screenshots"


def test_every_box_has_a_small_picture():
    for name in sorted(screenshots.PICTURES):
        path = SHOTS / f"{name}.png"
        assert path.is_file(), f"{path} is missing: run make screenshots"
        data = path.read_bytes()
        assert data.startswith(b"\x89PNG\r\n\x1a\n"), path
        assert len(data) < screenshots.LIMIT, f"{path} has {len(data)} bytes"


def test_the_readme_shows_only_pictures_that_exist():
    readme = (REPO / "README.md").read_text(encoding="utf-8")
    for shown in re.findall(r"\]\((docs/screenshots/[^)]+)\)", readme):
        assert (REPO / shown).is_file(), f"README shows {shown}, which does not exist"
