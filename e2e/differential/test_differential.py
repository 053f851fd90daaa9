"""recordcheck's prediction against the shipped Uninstaller.exe under Wine,
on the fixed set of generated game folders (generator.FIXED): each folder is
checked by recordcheck at the place it is installed in the prefix, then the
real program's asking mode (answered No) and removing mode (its temporary
copy's -F run) run on it; every step's outcome, the boxes in order and the
exit codes must be the predicted ones (see compare.py). A disagreement
fails its folder's test with the whole account and how to see it again."""

import pytest

import differential
import generator
from conftest import built

CASES = generator.fixed_cases()


@pytest.mark.parametrize("case", CASES, ids=[case.name for case in CASES])
def test_the_uninstaller_does_what_recordcheck_predicts(prefix, case, tmp_path):
    outcome = differential.check(prefix, built("Uninstaller.exe"), case, tmp_path)
    if not outcome.agrees:
        pytest.fail(outcome.report(), pytrace=False)
