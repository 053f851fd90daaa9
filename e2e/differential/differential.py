"""One generated game folder through both sides: recordcheck's prediction,
then the real Uninstaller under Wine on the same folder at the same place;
the result is every difference, with what it takes to see it again."""

import shlex
import time
from dataclasses import dataclass, field
from pathlib import Path

import compare
import machine
import prediction


@dataclass
class Outcome:
    case: object
    folder: Path                # the generated game folder, kept for a reproduction
    command: list = field(default_factory=list)
    problems: list = field(default_factory=list)
    seconds: float = 0.0

    @property
    def agrees(self) -> bool:
        return not self.problems

    def report(self) -> str:
        case = self.case
        lines = [f"{case.name} (seed {case.seed}): "
                 + ("agrees" if self.agrees else f"{len(self.problems)} disagreement(s)"),
                 f"  game folder   {self.folder}",
                 f"  installed at  {case.install_path}"]
        if self.command:
            lines.append(f"  predicted by  {shlex.join(self.command)}")
        if not self.agrees:
            for record, data in (("Installer.ini", case.settings()), ("InstallFiles.ini", case.file_list())):
                lines.append(f"  {record}:")
                lines += [f"      {line}" for line in data.decode("cp932", "replace").splitlines()]
            lines += ["  " + ("- " + problem).replace("\n", "\n    ") for problem in self.problems]
        return "\n".join(lines)


def check(prefix, program: Path, case, work: Path) -> Outcome:
    """Generates the case below `work`, predicts, runs, compares."""
    started = time.monotonic()
    root = work / f"{case.seed}-{case.name}"
    folder = case.write(root)
    outcome = Outcome(case, folder)
    predicted = prediction.predict(folder, case.install_path, case.other_folders(root), case.not_installed)
    outcome.command = predicted.command
    seen = machine.observe(prefix, program, case, root, predicted)
    outcome.problems = compare.compare(predicted, seen)
    outcome.seconds = time.monotonic() - started
    return outcome
