"""scripts/install-deps.sh on a mirror that is out of step with itself, with
stand-ins for apt-get and dpkg in front on PATH (no network, nothing
installed): it goes on without the index that failed, names a package it
cannot install, and goes on without Wine's 32-bit half."""

import os
import subprocess
from pathlib import Path

import pytest

SCRIPT = Path(__file__).resolve().parents[1] / "scripts" / "install-deps.sh"
STAND_INS = {
    # Installed packages are lines of $STATE/installed; apt-get install adds
    # each one unless it is listed in $STATE/refused.
    "dpkg-query": 'grep -qx "${@: -1}" "$STATE/installed" && echo "install ok installed"',
    "dpkg": 'case "$1" in --print-foreign-architectures) echo i386;; esac',
    "apt-get": '''echo "$*" >> "$STATE/calls"
case "$1" in
  update) n=$(($(cat "$STATE/update-failures") - 1)); echo $n > "$STATE/update-failures"
          if [ $n -ge 0 ]; then echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size" >&2; exit 100; fi;;
  install) for p in "$@"; do case "$p" in -*|install) ;; *)
             if grep -qx "$p" "$STATE/refused"; then echo "E: Unable to correct problems ($p)" >&2; exit 100; fi;; esac; done
           for p in "$@"; do echo "$p" >> "$STATE/installed"; done;;
esac''',
    "locale": "echo ja_JP.utf8",
    "id": "echo 0",
    "npm": 'echo "$*" >> "$STATE/npm"',
}


@pytest.mark.parametrize("update_failures, refused, status, said, updates", [
    (9, [], 0, "going on with the package lists it could read", 3),
    (1, [], 0, "apt-get update failed (try 1 of 3)", 2),
    (9, ["wine32:i386"], 0, "wine32:i386 cannot be installed from this mirror now", 3),
    (9, ["nsis"], 1, "cannot install nsis (see apt-get's words above)", 3),
], ids=["index-never-arrives", "index-arrives-later", "no-32-bit-wine", "a-needed-package-missing"])
def test_a_mirror_out_of_step_stops_only_for_a_package_that_cannot_be_had(tmp_path, update_failures, refused,
                                                                         status, said, updates):
    bin_dir, state = tmp_path / "bin", tmp_path / "state"
    bin_dir.mkdir()
    state.mkdir()
    for name, body in STAND_INS.items():
        (bin_dir / name).write_text("#!/bin/bash\n" + body + "\n")
        (bin_dir / name).chmod(0o755)
    (state / "installed").write_text("")
    (state / "refused").write_text("".join(f"{p}\n" for p in refused))
    (state / "update-failures").write_text(str(update_failures))

    done = subprocess.run(["bash", str(SCRIPT)], capture_output=True, text=True,
                          env={**os.environ, "PATH": f"{bin_dir}:{os.environ['PATH']}", "STATE": str(state),
                               "UPDATE_PAUSE": "0"})

    output = done.stdout + done.stderr
    assert (done.returncode, said in output) == (status, True), output
    calls = (state / "calls").read_text().splitlines()
    assert sum(call == "update -qq" for call in calls) == updates, calls
    installed = (state / "installed").read_text().split()
    assert ("cmake" in installed, "wine32:i386" in installed) == (True, status == 0 and not refused), output
