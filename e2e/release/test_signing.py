"""Signing: make sign's script (scripts/sign.sh) signs both programs with
Authenticode, SHA-256. With a throw-away self-signed certificate, each
signature verifies against that certificate and no other, and the signed
Uninstaller still runs its whole uninstall under Wine: the question, the
copy in the temporary folder, the removal, the last box.

The shipped programs are i686; the x86_64 twin is signed and run too (in
its place where this machine cannot execute 32-bit code; see e2e/builds.py)."""

import re
import shutil
import subprocess
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


@pytest.fixture(scope="module")
def signed(certificates, tmp_path_factory):
    """signed(architecture) -> {name: signed copy} of both programs of that
    build, signed in one run as make sign does (once per module)."""
    made = {}

    def sign(arch):
        if arch not in made:
            folder = tmp_path_factory.mktemp(f"signed-{arch}")
            copies = {}
            for name in PROGRAMS:
                if not (DIST[arch] / name).is_file():
                    pytest.fail(f"{DIST[arch] / name} is missing: run make build first", pytrace=False)
                copies[name] = Path(shutil.copy(DIST[arch] / name, folder / name))
            (cert, key), _ = certificates
            subprocess.run(["bash", SIGN, cert, key, *copies.values()], check=True, capture_output=True)
            made[arch] = copies
        return made[arch]
    return sign


def verify(program, ca):
    return subprocess.run(["osslsigncode", "verify", "-in", program, "-CAfile", ca],
                          capture_output=True, text=True)


@pytest.mark.parametrize("arch", list(DIST))
def test_each_signature_verifies_against_its_certificate_only(arch, signed, certificates):
    copies = signed(arch)
    (cert, _), (stranger, _) = certificates
    for name, copy in copies.items():
        assert pe.read(copy).directories[_SECURITY_DIRECTORY][1] > 0, f"{name}: no certificate table"
        done = verify(copy, cert)
        assert done.returncode == 0, f"{name}:\n{done.stdout}{done.stderr}"
        assert re.search(r"^Message digest algorithm\s*:\s*SHA256\s*$", done.stdout, re.M), done.stdout
        assert verify(copy, stranger).returncode != 0, f"{name} verifies against a certificate that did not sign it"


NAME = "署名ゲーム"


@pytest.mark.twin
def test_the_signed_uninstaller_uninstalls_a_game_under_wine(prefix, layout, build, signed):
    copies = signed(build.name)
    # The keys go where an installer of the same build writes them (prefix.view).
    game = Game(folder=f"C:\\Games\\署名メーカー\\{NAME}", name=NAME, registry=f"SOFTWARE\\署名メーカー\\{NAME}",
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
