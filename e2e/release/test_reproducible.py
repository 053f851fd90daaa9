"""The release package is reproducible and complete.

Two clean builds of what ships (make dist's target of the win32 preset), each
from its own copy of the sources in its own folder, one after the other, with
different file times, time zones and umasks, must give the same bytes: both
programs and the zip. A difference is reported with the PE section it falls
in (a time stamp in the header, a build path in .rdata, ...)."""

import hashlib
import os
import shutil
import subprocess
import zipfile
from pathlib import Path

import pytest

import pe
from builds import NOT_RUN_32BIT, runs_32bit_code
from release_version import REPO, project_version

# Each with the folder of dist/ it is built in.
PROGRAMS = {"Uninstaller.exe": "dist", "Prefclear.exe": "dist", "GameFolderCheck.exe": "dist",
            "recordcheck.exe": "dist/x64"}
# The makers' kits, beside the programs they install and their shared check.
KIT = {"GameFolderTools.nsh": "nsis", "SampleGame.nsi": "nsis", "GameFolderTools.iss": "inno", "SampleGame.iss": "inno"}
SAMPLE = REPO / "recordcheck" / "sample" / "SampleGame"
# The sample game the examples install: its files, not the records an
# installer writes nor the stand-ins of the two programs.
SAMPLE_FILES = sorted(p.relative_to(SAMPLE).as_posix() for p in SAMPLE.rglob("*")
                      if p.is_file() and p.parent.name != "InstallInfo" and p.name not in PROGRAMS)
# Any fixed time: the copies have no git history to take one from.
SOURCE_DATE_EPOCH = "1700000000"
# Two builds that differ in everything that must not matter.
BUILDS = [("first", "UTC0", 0o022), ("a-second-build-in-a-longer-folder", "JST-9", 0o077)]


def build(root: Path, time_zone, umask):
    """A fresh copy of the sources under root, built as make dist builds it."""
    source = root / "src"
    # copy, not copy2: new file times in every copy.
    shutil.copytree(REPO, source, copy_function=shutil.copy,
                    ignore=shutil.ignore_patterns(".git", "build", "dist", "out", "__pycache__"))
    # The programs carry no time at all, so they are built without
    # SOURCE_DATE_EPOCH (GNU ld would take it for the header's time stamp);
    # the package's entry times come from it.
    env = {name: value for name, value in os.environ.items() if name != "SOURCE_DATE_EPOCH"}
    env["TZ"] = time_zone
    for command, extra in ((["--preset", "win64"], {}),
                           (["--build", "--preset", "win64", "-j2", "--target", "recordcheck_exe"], {}),
                           (["--preset", "win32"], {}),
                           (["--build", "--preset", "win32", "-j2", "--target", "Uninstaller", "Prefclear"], {}),
                           (["--build", "--preset", "win32", "--target", "dist"], {"SOURCE_DATE_EPOCH": SOURCE_DATE_EPOCH})):
        command = ["cmake", *command]
        done = subprocess.run(command, cwd=source, env={**env, **extra}, umask=umask, capture_output=True, text=True)
        assert done.returncode == 0, f"{' '.join(command)} failed in {source}:\n{done.stdout[-3000:]}{done.stderr[-3000:]}"
    return source


@pytest.fixture(scope="module")
def builds(tmp_path_factory):
    return [build(tmp_path_factory.mktemp(name), zone, umask) for name, zone, umask in BUILDS]


def where(data: bytes, offset):
    """The PE section (or header) that holds a file offset."""
    try:
        image = pe.parse(data)
    except pe.PEFormatError:
        return "?"
    for section in image.sections:
        if section.raw_offset <= offset < section.raw_offset + section.raw_size:
            return section.name
    return "headers"


def package_name():
    return f"GameFolderTools-{project_version()[0]}"


@pytest.mark.parametrize("relative", [f"{folder}/{name}" for name, folder in PROGRAMS.items()]
                         + [f"out/release/{package_name()}.zip"])
def test_two_clean_builds_give_the_same_bytes(builds, relative):
    first, second = ((source / relative).read_bytes() for source in builds)
    if first != second:
        offset = next((i for i, (a, b) in enumerate(zip(first, second)) if a != b), min(len(first), len(second)))
        leaked = [str(source) for source in builds if str(source).encode() in first + second]
        pytest.fail(f"{relative} differs between the builds: {len(first)} and {len(second)} bytes, first at "
                    f"{offset:#x} ({where(first, offset)}); build folders inside: {leaked or 'none'}")


def test_the_package_holds_the_programs_the_kits_the_sample_the_versioned_guide_and_their_checksums(builds):
    source = builds[0]
    stem = package_name()
    sample = [f"SampleGame/{name}" for name in SAMPLE_FILES]
    with zipfile.ZipFile(source / "out" / "release" / f"{stem}.zip") as package:
        assert package.namelist() == [f"{stem}/{name}" for name in (*PROGRAMS, *KIT, "makers.md", *sample,
                                                                      "SHA256SUMS")]
        files = {info.filename.split("/", 1)[1]: package.read(info) for info in package.infolist()}
        assert {info.date_time for info in package.infolist()} == {(2023, 11, 14, 22, 13, 20)}
    for name in PROGRAMS:
        assert files[name] == (source / PROGRAMS[name] / name).read_bytes(), name
    for name, kit in KIT.items():
        assert files[name] == (source / "installer" / kit / name).read_bytes(), name
    for name in sample:
        assert files[name] == (SAMPLE / name.split("/", 1)[1]).read_bytes(), name
    # The guide as written, with the release's version under its title.
    title, rest = (source / "docs" / "makers.md").read_bytes().split(b"\n", 1)
    assert files["makers.md"] == title + b"\n\nVersion " + project_version()[0].encode() + b"\n" + rest
    sums = [line.split(b"  ", 1) for line in files["SHA256SUMS"].splitlines()]
    assert [name.decode() for _, name in sums] == [*PROGRAMS, *KIT, "makers.md", *sample]
    for digest, name in sums:
        assert digest.decode() == hashlib.sha256(files[name.decode()]).hexdigest(), name


@pytest.fixture(scope="module")
def unpacked(builds, tmp_path_factory):
    """The package as a maker unpacks it: the folder of the kits."""
    folder = tmp_path_factory.mktemp("unpacked")
    with zipfile.ZipFile(builds[0] / "out" / "release" / f"{package_name()}.zip") as package:
        package.extractall(folder)
    return folder / package_name()


def test_the_nsis_kit_in_the_package_builds_its_example_as_shipped(unpacked, tmp_path):
    done = subprocess.run(["makensis", "-V2", f"-DOUTFILE={tmp_path / 'setup.exe'}", str(unpacked / "SampleGame.nsi")],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stdout + done.stderr
    assert (tmp_path / "setup.exe").is_file()


def test_the_inno_setup_kit_in_the_package_builds_its_example_as_shipped(unpacked, tmp_path):
    if not runs_32bit_code():
        pytest.skip(f"ISCC.exe: {NOT_RUN_32BIT}")
    windows = "Z:" + str(tmp_path).replace("/", "\\")
    done = subprocess.run([str(REPO / "scripts" / "iscc.sh"), str(unpacked / "SampleGame.iss"), f"/O{windows}",
                           "/Fsetup"], capture_output=True, text=True)
    assert done.returncode == 0, done.stdout + done.stderr
    # The shared check ran, from beside the kit.
    assert "GameFolderCheck.exe is not at" not in done.stdout
    assert pe.read(tmp_path / "setup.exe").machine == 0x14C
