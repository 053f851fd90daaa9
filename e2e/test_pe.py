"""Release checks of the four PE files: what a user's Windows sees before any
code runs (machine, subsystem, imports, manifest, version block, ASLR/DEP)."""

import re
import shutil
import subprocess
import xml.etree.ElementTree as ET
from pathlib import Path

import pytest

import pe
from release_version import project_version

REPO = Path(__file__).resolve().parents[1]

# DLLs every Windows has in System32; the programs must bring everything else
# with them (they run from a folder, or the temporary folder, with nothing
# beside them).
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll"}

PROGRAMS = [
    # path,                     machine,          execution level,        description
    ("dist/Uninstaller.exe",     pe.MACHINE_I386,  "requireAdministrator", "Game uninstaller"),
    ("dist/Prefclear.exe",       pe.MACHINE_I386,  "asInvoker",            "Configuration reset tool"),
    ("dist/x64/Uninstaller.exe", pe.MACHINE_AMD64, "requireAdministrator", "Game uninstaller"),
    ("dist/x64/Prefclear.exe",   pe.MACHINE_AMD64, "asInvoker",            "Configuration reset tool"),
]

WINDOWS_10_ID = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"


def load(relative):
    path = REPO / relative
    if not path.is_file():
        pytest.fail(f"{relative} is missing: build it first (make build)")
    return pe.read(path)


@pytest.fixture(params=PROGRAMS, ids=[p[0] for p in PROGRAMS])
def program(request):
    relative, machine, level, description = request.param
    return relative, load(relative), machine, level, description


def test_headers(program):
    relative, image, machine, _, _ = program
    assert image.machine == machine, f"{relative}: machine {image.machine:#x}"
    assert image.is_pe32_plus == (machine == pe.MACHINE_AMD64)
    assert image.subsystem == pe.SUBSYSTEM_WINDOWS_GUI, f"{relative}: subsystem {image.subsystem}"


def test_aslr_and_dep(program):
    relative, image, machine, _, _ = program
    wanted = pe.DLLCHAR_DYNAMIC_BASE | pe.DLLCHAR_NX_COMPAT
    if machine == pe.MACHINE_AMD64:
        wanted |= pe.DLLCHAR_HIGH_ENTROPY_VA
    assert image.dll_characteristics & wanted == wanted, (
        f"{relative}: DllCharacteristics {image.dll_characteristics:#06x} lacks {wanted:#06x}")
    # A movable image needs its relocations, or the loader cannot move it.
    reloc_rva, reloc_size = image.directories[5]
    assert reloc_rva and reloc_size, f"{relative}: no base relocations"


def test_imports_system_dlls_only(program):
    relative, image, _, _, _ = program
    imported = {name.lower() for name in image.imported_dlls() + image.delay_imported_dlls()}
    assert {"kernel32.dll", "user32.dll"} <= imported, f"{relative}: imports {sorted(imported)}"
    assert imported <= SYSTEM_DLLS, f"{relative}: imports non-system DLLs {sorted(imported - SYSTEM_DLLS)}"


def test_manifest(program):
    relative, image, _, level, _ = program
    manifest = image.resource_data(pe.RT_MANIFEST, 1)
    assert manifest is not None, f"{relative}: no manifest (resource 1 of type 24)"
    root = ET.fromstring(manifest)
    levels = root.findall(f".//{ASM_V3}requestedExecutionLevel")
    assert [(e.get("level"), e.get("uiAccess")) for e in levels] == [(level, "false")], relative
    supported = {e.get("Id").lower() for e in root.iter(f"{COMPAT}supportedOS")}
    assert WINDOWS_10_ID in supported, f"{relative}: supportedOS {sorted(supported)}"
    identity = root.find(f"{ASM_V1}assemblyIdentity")
    assert identity.get("version") == ".".join(map(str, project_version()[1])), relative


def test_version_block(program):
    relative, image, _, _, description = program
    data = image.resource_data(pe.RT_VERSION)
    assert data is not None, f"{relative}: no version resource"
    version, strings = pe.version_info(data)
    text, numbers = project_version()
    assert version == numbers
    assert strings.get("FileDescription") == description
    assert strings.get("ProductName") == "Game folder tools"
    assert (strings.get("FileVersion"), strings.get("ProductVersion")) == (text, text)


def test_stripped(program):
    relative, image, _, _, _ = program
    assert image.symbol_count == 0, f"{relative}: {image.symbol_count} COFF symbols left (not stripped)"
    assert ".debug_info" not in {s.name for s in image.sections}


@pytest.mark.parametrize("relative", [p[0] for p in PROGRAMS])
def test_import_reader_agrees_with_objdump(relative):
    """The pure-Python reader is itself checked against binutils."""
    image = load(relative)
    objdump = shutil.which("x86_64-w64-mingw32-objdump")
    if objdump is None:
        pytest.fail("x86_64-w64-mingw32-objdump is missing (scripts/install-deps.sh installs it)")
    listing = subprocess.run([objdump, "-p", str(REPO / relative)], check=True,
                             capture_output=True, text=True).stdout
    assert re.findall(r"DLL Name: (\S+)", listing) == image.imported_dlls()
    match = re.search(r"^DllCharacteristics\s+([0-9a-fA-F]+)", listing, re.M)
    assert int(match.group(1), 16) == image.dll_characteristics


def test_reader_reports_truncation_as_format_error():
    """A cut file must give a clear error, not an IndexError deep inside."""
    image = pe.parse(load(PROGRAMS[0][0]).data[:0x400])
    with pytest.raises(pe.PEFormatError):
        image.imported_dlls()


# What would change a machine, by the names of the calls; recordcheck.exe
# reads the installation and must import none of them (the programs' code it
# runs reaches only the simulated Windows it carries).
WRITES = re.compile(r"^(Delete(?!CriticalSection)|Remove|Move|Copy|Replace|Set(File|Current|Security|EndOf)|CreateDirectory|"
                    r"Reg(Set|Delete|Create|Save|Restore|Replace|Load|Unload|Rename|Copy)|SHFileOperation|"
                    r"SHCreate|Write(Private)?Profile|ShellExecute|CreateProcess|WinExec|MessageBox)")


def test_recordcheck_exe_reads_the_machine_and_writes_nothing():
    relative = "dist/x64/recordcheck.exe"
    image = load(relative)
    assert (image.machine, image.subsystem) == (pe.MACHINE_AMD64, 3), relative  # a console program
    imported = image.imported_functions()
    assert {name.lower() for name in imported} <= SYSTEM_DLLS, sorted(imported)
    calls = {name for names in imported.values() for name in names}
    assert {"RegOpenKeyExW", "FindFirstFileExW", "SHGetFolderPathW"} <= calls, sorted(calls)
    assert sorted(name for name in calls if WRITES.match(name)) == []
    # The reader of the names, held against binutils.
    listing = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(REPO / relative)], check=True,
                             capture_output=True, text=True).stdout
    assert sorted(calls) == sorted(set(re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\w+)$", listing, re.M)))
