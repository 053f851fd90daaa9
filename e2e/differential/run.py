"""make differential SEED=... N=...: N more generated game folders from SEED,
each predicted by recordcheck and run through the shipped Uninstaller under
Wine; prints every disagreement and how many folders agree.

    /usr/bin/python3 e2e/differential/run.py --seed 1000 --count 100 [--keep DIR]

Exit status 0 when every folder agrees, 1 otherwise."""

import argparse
import shutil
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path[:0] = [str(HERE), str(HERE.parent)]

import builds  # noqa: E402
import differential  # noqa: E402
import generator  # noqa: E402
import wine  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seed", type=int, default=1000)
    parser.add_argument("--count", type=int, default=100)
    parser.add_argument("--keep", type=Path, help="keep every generated folder and the prefix here "
                                                   "(otherwise only the folders that disagree are kept)")
    options = parser.parse_args()

    wine.require_tools()
    build = builds.shipped_or_twin()
    if build is not builds.I686:
        print(f"i686 programs under Wine: {builds.NOT_RUN_32BIT} (the x86_64 twin runs instead)", flush=True)
    program = build.program("Uninstaller.exe")
    if not program.is_file():
        sys.exit(f"{program} is missing: run make build first")

    if options.keep:
        options.keep.mkdir(parents=True, exist_ok=True)
    work = Path(tempfile.mkdtemp(prefix=f"differential-{options.seed}-", dir=options.keep))
    display = wine.Display(work)
    prefix = None
    outcomes = []
    started = time.monotonic()
    try:
        (work / "wine").mkdir()
        prefix = wine.WinePrefix(work / "wine", display)
        prefix.view = build.view
        for case in generator.random_cases(options.seed, options.count):
            try:
                outcome = differential.check(prefix, program, case, work / "cases")
            except AssertionError as error:     # the harness or recordcheck could not do its part
                outcome = differential.Outcome(case, work / "cases" / f"{case.seed}-{case.name}",
                                               problems=[f"harness: {error}"])
            outcomes.append(outcome)
            print(outcome.report() if not outcome.agrees else
                  f"{case.name} (seed {case.seed}): agrees [{outcome.seconds:.1f}s]", flush=True)
    finally:
        if prefix is not None:
            prefix.kill()
        display.close()
        if not options.keep:
            shutil.rmtree(work / "wine", ignore_errors=True)
    agreeing = sum(outcome.agrees for outcome in outcomes)
    # The folders that disagree stay for a reproduction; nothing else is left behind.
    kept = options.keep or agreeing < len(outcomes)
    if not kept:
        shutil.rmtree(work, ignore_errors=True)
    seeds = f"seeds {options.seed} to {options.seed + options.count - 1}"
    print(f"\n{agreeing} of {len(outcomes)} folders agree ({seeds}, {build.name}, {time.monotonic() - started:.0f} s)"
          + (f"; generated folders in {work / 'cases'}" if kept else ""))
    sys.exit(0 if agreeing == len(outcomes) else 1)


if __name__ == "__main__":
    main()
