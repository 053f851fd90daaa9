#!/usr/bin/env python3
"""Runs test tiers again and again, to measure how often each passes.

    scripts/repeat_tiers.py ROUNDS TIER...      (make repeat-wine N=5 runs every tier of make test)

A round is each tier in turn, as `make TIER` runs it, in the same order as
make test; a tier that fails does not stop the round. Every tier's output is
kept in out/repeat/round-R/TIER.log, and pytest's report of each test in
TIER.xml beside it. At the end one table says, for each tier, in how many
rounds it passed, which tests failed in which round, and how often the
harness ran a program a second time (its "ran it again" warnings); then the
wall time of each round. Exits 1 when anything failed."""

import os
import subprocess
import sys
import time
import xml.etree.ElementTree as ElementTree
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
OUT = REPO / "out" / "repeat"


def failed_tests(report: Path):
    """The tests a pytest report names as failed or in error, each once."""
    if not report.is_file():
        return []
    failed = []
    for case in ElementTree.parse(report).iter("testcase"):
        if case.find("failure") is not None or case.find("error") is not None:
            name = f"{case.get('classname', '')}::{case.get('name', '')}"
            if name not in failed:
                failed.append(name)
    return failed


def run_tier(tier, folder: Path):
    log, report = folder / f"{tier}.log", folder / f"{tier}.xml"
    env = {**os.environ, "PYTEST_ADDOPTS": f"{os.environ.get('PYTEST_ADDOPTS', '')} --junitxml={report}".strip()}
    started = time.monotonic()
    with open(log, "wb") as out:
        status = subprocess.run(["make", "--no-print-directory", tier], cwd=REPO, env=env,
                                stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT).returncode
    text = log.read_text(encoding="utf-8", errors="replace")
    return {"passed": status == 0, "failed": failed_tests(report), "seconds": time.monotonic() - started,
            "reruns": text.count("; ran it again"), "tail": text.splitlines()[-5:]}


def minutes(seconds):
    return f"{int(seconds // 60)} min {int(seconds % 60):02d} s"


def main(argv):
    if len(argv) < 3 or not argv[1].isdigit() or int(argv[1]) < 1:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    rounds, tiers = int(argv[1]), argv[2:]
    results = {tier: [] for tier in tiers}
    times = []
    for number in range(1, rounds + 1):
        folder = OUT / f"round-{number}"
        folder.mkdir(parents=True, exist_ok=True)
        started = time.monotonic()
        for tier in tiers:
            print(f"round {number}/{rounds}: {tier} ...", flush=True)
            result = run_tier(tier, folder)
            results[tier].append(result)
            state = "passed" if result["passed"] else "FAILED"
            print(f"round {number}/{rounds}: {tier} {state} in {minutes(result['seconds'])}", flush=True)
            if not result["passed"]:
                for line in result["failed"] or result["tail"]:
                    print(f"    {line}", flush=True)
        times.append(time.monotonic() - started)

    print(f"\n{rounds} rounds (logs in {OUT.relative_to(REPO)}/round-N/)")
    width = max(len(tier) for tier in tiers)
    everything_passed = True
    for tier in tiers:
        passed = sum(result["passed"] for result in results[tier])
        reruns = sum(result["reruns"] for result in results[tier])
        everything_passed &= passed == rounds
        print(f"  {tier:<{width}}  passed {passed}/{rounds}" + (f", ran a program again {reruns} times" if reruns else ""))
        for number, result in enumerate(results[tier], 1):
            if not result["passed"]:
                for name in result["failed"] or ["(the tier failed; see its log)"]:
                    print(f"  {'':<{width}}    round {number}: {name}")
    print("  wall time per round: " + ", ".join(minutes(seconds) for seconds in times))
    return 0 if everything_passed else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
