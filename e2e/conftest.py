"""Fixtures of the end-to-end suite: one Wine prefix and one virtual display
for the whole session, a clean game layout for every test, and the build
each scenario runs.

Every scenario runs the shipped i686 programs (dist/); those marked `twin`
run the x86_64 twin (dist/x64/) as well. Where this machine cannot execute
32-bit code, every scenario runs the twin instead, and the session says so
in one line."""

import os
import sys

import pytest

sys.path.insert(0, os.path.dirname(__file__))

import game  # noqa: E402
import wine  # noqa: E402
from builds import I686, NOT_RUN_32BIT, X86_64, runs_32bit_code  # noqa: E402

_current = None     # the build of the scenario that is running
_ran = set()        # the builds that scenarios of this session ran


def builds_for(twin: bool):
    """The builds a scenario runs: the shipped one, and the twin when asked;
    the twin alone where the shipped one cannot run."""
    if not runs_32bit_code():
        return [X86_64]
    return [I686, X86_64] if twin else [I686]


def pytest_configure(config):
    config.addinivalue_line("markers", "twin: also runs the x86_64 twin of the programs")


def pytest_generate_tests(metafunc):
    if "prefix" in metafunc.fixturenames:
        twin = metafunc.definition.get_closest_marker("twin") is not None
        metafunc.parametrize("build", builds_for(twin), ids=lambda b: b.name, indirect=True)


def pytest_terminal_summary(terminalreporter):
    if _ran and not runs_32bit_code():
        terminalreporter.write_line(f"i686 programs under Wine: {NOT_RUN_32BIT} "
                                    "(every scenario ran on the x86_64 twin)")


@pytest.fixture(autouse=True)
def build(request):
    """The build under test (None for a test that runs no program): `built`
    takes its programs, and the prefix its registry view."""
    global _current
    chosen = getattr(request, "param", None)
    if chosen is not None:
        _current = chosen
        _ran.add(chosen.name)
        request.getfixturevalue("prefix").view = chosen.view
    yield chosen
    _current = None


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
def layout(prefix, build, request):
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
    """A program of the build under test; a missing one fails the test (run make build)."""
    if _current is None:
        raise RuntimeError("built() outside a scenario that runs a program")
    path = _current.program(name)
    if not path.is_file():
        pytest.fail(f"{path} is missing: run make build first", pytrace=False)
    return path
