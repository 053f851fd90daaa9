"""The two builds of the programs, and which of them this machine can run.

The shipped programs are the i686 build (dist/); the x86_64 twin (dist/x64/)
is the same code. Wine runs the i686 build only where the kernel executes
32-bit code and Wine's 32-bit half is installed (scripts/can-run-32bit.sh);
elsewhere the twin stands in."""

import subprocess
from dataclasses import dataclass
from functools import lru_cache
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]


@dataclass(frozen=True)
class Build:
    name: str
    dist: Path
    view: int       # the registry view its programs see on 64-bit Windows

    def program(self, name) -> Path:
        return self.dist / name


I686 = Build("i686", REPO / "dist", 32)
X86_64 = Build("x86_64", REPO / "dist" / "x64", 64)


@lru_cache(maxsize=None)
def _probe():
    done = subprocess.run([str(REPO / "scripts" / "can-run-32bit.sh"), "-v"], capture_output=True, text=True)
    return done.returncode == 0, done.stdout.strip()


def runs_32bit_code() -> bool:
    return _probe()[0]


def __getattr__(name):
    # NOT_RUN_32BIT: what an i686 tier prints instead of running, with the
    # probe's reason (no 32-bit mode, or no 32-bit Wine).
    if name == "NOT_RUN_32BIT":
        return "not run: " + _probe()[1]
    raise AttributeError(name)


def shipped_or_twin() -> Build:
    """The build that shows the programs as users get them, where it can run."""
    return I686 if runs_32bit_code() else X86_64
