"""Signing: make sign's script (scripts/sign.sh) signs both programs with
Authenticode, SHA-256. With a throw-away self-signed certificate, each
signature verifies against that certificate and no other, and the signed
Uninstaller still runs its whole uninstall under Wine: the question, the
copy in the temporary folder, the removal, the last box.

The shipped programs are i686; the x86_64 twin is signed and run too, so that
the Wine run is proven on machines that cannot execute 32-bit code (see
runs_32bit_code)."""

import re
import shutil
import struct
import subprocess
import tempfile
from pathlib import Path

import pytest

import messages as m
import pe
from game import Game
from release_version import REPO
from wine import Box

SIGN = REPO / "scripts" / "sign.sh"
DIST = {"i686": REPO / "dist", "x86_64": REPO / "dist" / "x64"}
PROGRAMS = ("Uninstaller.exe", "Prefclear.exe")
_SECURITY_DIRECTORY = 4


def runs_32bit_code() -> bool:
    """Whether this machine executes 32-bit x86 code: the one place that
    decides whether the signed i686 Uninstaller is run under Wine here.

    The probe is the smallest 32-bit Linux program: exit(42) through int 0x80.
    A machine without 32-bit support refuses to start it (Exec format error)."""
    code = bytes.fromhex("bb2a000000" "b801000000" "cd80")    # mov ebx, 42; mov eax, 1; int 0x80
    base, headers = 0x08048000, 52 + 32
    size = headers + len(code)
    elf = (b"\x7fELF\x01\x01\x01" + bytes(9)
           + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + headers, 52, 0, 0, 52, 32, 1, 0, 0, 0)
           + struct.pack("<8I", 1, 0, base, base, size, size, 5, 0x1000) + code)
    # In the checkout's build folder where it can be: a temporary folder may
    # be mounted noexec, which would fail the probe for another reason.
    build = REPO / "build"
    try:
        build.mkdir(exist_ok=True)
    except OSError:
        build = None
    with tempfile.TemporaryDirectory(dir=build) as folder:
        probe = Path(folder) / "probe32"
        probe.write_bytes(elf)
        probe.chmod(0o755)
        try:
            return subprocess.run([probe], timeout=10).returncode == 42
        except OSError:
            return False


def make_certificate(folder: Path, name):
    """A self-signed code-signing certificate and its key, valid for a day."""
    cert, key = folder / f"{name}.crt", folder / f"{name}.key"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", f"/CN={name}", "-addext", "extendedKeyUsage=codeSigning",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    return cert, key


@pytest.fixture(scope="module")
def certificates(tmp_path_factory):
    folder = tmp_path_factory.mktemp("certificates")
    return make_certificate(folder, "Throw-away signer"), make_certificate(folder, "Someone else")


@pytest.fixture(scope="module", params=list(DIST))
def signed(request, certificates, tmp_path_factory):
    """(architecture, {name: signed copy}) of both programs, signed in one run as make sign does."""
    arch = request.param
    folder = tmp_path_factory.mktemp(f"signed-{arch}")
    copies = {}
    for name in PROGRAMS:
        if not (DIST[arch] / name).is_file():
            pytest.fail(f"{DIST[arch] / name} is missing: run make build first", pytrace=False)
        copies[name] = Path(shutil.copy(DIST[arch] / name, folder / name))
    (cert, key), _ = certificates
    subprocess.run(["bash", SIGN, cert, key, *copies.values()], check=True, capture_output=True)
    return arch, copies


def verify(program, ca):
    return subprocess.run(["osslsigncode", "verify", "-in", program, "-CAfile", ca],
                          capture_output=True, text=True)


def test_each_signature_verifies_against_its_certificate_only(signed, certificates):
    _, copies = signed
    (cert, _), (stranger, _) = certificates
    for name, copy in copies.items():
        assert pe.read(copy).directories[_SECURITY_DIRECTORY][1] > 0, f"{name}: no certificate table"
        done = verify(copy, cert)
        assert done.returncode == 0, f"{name}:\n{done.stdout}{done.stderr}"
        assert re.search(r"^Message digest algorithm\s*:\s*SHA256\s*$", done.stdout, re.M), done.stdout
        assert verify(copy, stranger).returncode != 0, f"{name} verifies against a certificate that did not sign it"


class Wow64Game(Game):
    """A game as a 32-bit program sees it on 64-bit Windows: its keys below
    HKLM\\SOFTWARE lie in WOW6432Node."""

    @property
    def game_key(self):
        return super().game_key.replace("\\SOFTWARE\\", "\\SOFTWARE\\WOW6432Node\\", 1)

    @property
    def entry_key(self):
        return super().entry_key.replace("\\SOFTWARE\\", "\\SOFTWARE\\WOW6432Node\\", 1)


NAME = "署名ゲーム"


def test_the_signed_uninstaller_uninstalls_a_game_under_wine(signed, request):
    arch, copies = signed
    if arch == "i686" and not runs_32bit_code():
        pytest.skip("this machine cannot execute 32-bit x86 code; the signed x86_64 twin is run instead")
    prefix, layout = request.getfixturevalue("prefix"), request.getfixturevalue("layout")
    kind = Wow64Game if arch == "i686" else Game
    game = kind(folder=f"C:\\Games\\署名メーカー\\{NAME}", name=NAME, registry=f"SOFTWARE\\署名メーカー\\{NAME}",
                maker="署名メーカー", maker_menu="署名メーカー",
                files={"Game.exe": b"MZ game", "Uninstaller.exe": b"", "data\\表.dat": b"data"},
                menu_links=(NAME,), desktop_links=(NAME,))
    layout.install_game(game, uninstaller=copies["Uninstaller.exe"])

    result = prefix.run(f"{game.folder}\\Uninstaller.exe", b"", relaunch=True, boxes=[
        Box(m.uninstall_question(NAME.encode("cp932")), m.UNINSTALLER_CAPTION, m.QUESTION_FLAGS, answer="y"),
        Box(m.UNINSTALL_DONE, m.UNINSTALLER_CAPTION, m.DONE_FLAGS)])

    assert result.exit_code == 0
    assert list(prefix.temp_dir.iterdir()) == []
    # The game folder goes whole; the maker's folder and menu folder hold another game.
    records = ("InstallInfo", "InstallInfo\\Installer.ini", "InstallInfo\\InstallFiles.ini")
    assert result.removed == sorted({f"{game.folder}\\{relative}" for relative in (*game.files, "data", *records)}
                                    | {game.folder, game.menu_folder, *game.links})
    assert not prefix.key_exists(game.game_key)
    assert not prefix.key_exists(game.entry_key)
