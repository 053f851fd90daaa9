"""The size budget: each program at most 256 KiB, with its C and C++ runtime
linked in (test_pe.py holds that only system DLLs are imported). The x86_64
twin is built with the same settings and held to the same budget."""

import pytest

from release_version import REPO

BUDGET = 256 * 1024


@pytest.mark.parametrize("relative", ["dist/Uninstaller.exe", "dist/Prefclear.exe",
                                      "dist/x64/Uninstaller.exe", "dist/x64/Prefclear.exe"])
def test_each_program_is_within_the_budget(relative):
    path = REPO / relative
    if not path.is_file():
        pytest.fail(f"{relative} is missing: run make build first", pytrace=False)
    size = path.stat().st_size
    assert size <= BUDGET, f"{relative} is {size / 1024:.1f} KiB, over the budget of {BUDGET // 1024} KiB"
