"""Fixtures of the end-to-end suite: one Wine prefix and one virtual display
for the whole session, a clean game layout for every test."""

import os
import sys
from pathlib import Path

import pytest

sys.path.insert(0, os.path.dirname(__file__))

import game  # noqa: E402
import wine  # noqa: E402

REPO = Path(__file__).resolve().parents[1]
DIST64 = REPO / "dist" / "x64"


@pytest.fixture(scope="session")
def display(tmp_path_factory):
    try:
        wine.require_tools()
    except wine.HarnessError as error:
        pytest.fail(str(error), pytrace=False)
    screen = wine.Display(tmp_path_factory.mktemp("display"))
    yield screen
    screen.close()


@pytest.fixture(scope="session")
def prefix(tmp_path_factory, display):
    try:
        made = wine.WinePrefix(tmp_path_factory.mktemp("wine"), display)
    except wine.HarnessError as error:
        pytest.fail(str(error), pytrace=False)
    yield made
    made.kill()


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    # Lets a fixture know, when it is torn down, whether its test passed.
    outcome = yield
    report = outcome.get_result()
    setattr(item, f"passed_{report.when}", report.passed)


@pytest.fixture
def layout(prefix, request):
    """The test's own files and keys in the prefix, removed afterwards.

    Every game a test installs has bystanders laid out beside it (another game
    of the same maker, a user's file, save data; see game.Bystanders); after a
    test that passed they are checked, so no scenario can forget to."""
    made = game.Layout(prefix)
    yield made
    try:
        if getattr(request.node, "passed_call", False):
            made.assert_nothing_lost()
    finally:
        made.reset()


def built(name):
    """A program of the x86_64 build; a missing one fails the test (run make build)."""
    path = DIST64 / name
    if not path.is_file():
        pytest.fail(f"{path} is missing: run make build first", pytrace=False)
    return path
