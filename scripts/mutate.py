#!/usr/bin/env python3
"""Measures which faults the test suite catches, by mutation.

Applies one textual mutation at a time from a list (scripts/mutations.txt), rebuilds incrementally
the programs that the tests of its labels run, runs the test labels that cover the mutated module
under a timeout (a hang counts as caught), restores the file and records whether the tests caught
the mutation.

List format, one mutation a line ('#' starts a comment):
    ID | LABELS | FILE | ORIGINAL ==> MUTATED
LABELS is a ctest label regex (transport|e2e); FILE is relative to the source tree; ORIGINAL must
occur exactly once in FILE (a stale line is reported, not guessed at); an empty MUTATED removes
it. Mutations of files under src/platform/win32/ or of *_win32.cc files run in the win64 preset,
under wine. Before the first mutation each label set runs once unmutated and must pass, so that
a failing or flaky test is not counted as a catch. A test that hangs fails at --timeout (caught);
a label run that outlasts three times --timeout as a whole is reported as 'timeout', not caught.

    python3 scripts/mutate.py                        every mutation, default and win64 presets
    python3 scripts/mutate.py --only T03 T04         some of them
    python3 scripts/mutate.py --check                only checks that every line applies
    python3 scripts/mutate.py --report out.tsv       also writes the results as a table
    python3 scripts/mutate.py --every-failure --report out.tsv
                                                     with every test that caught each mutation
"""

from __future__ import annotations

import argparse
import dataclasses
import json
import os
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


@dataclasses.dataclass
class Mutation:
    ident: str
    labels: str
    path: str
    original: str
    mutated: str
    line: int

    @property
    def preset(self) -> str:
        windows = "/win32/" in self.path or self.path.endswith("_win32.cc")
        return "win64" if windows else "default"

    @property
    def module(self) -> str:
        parts = self.path.split("/")
        if parts[0] == "src":
            return "/".join(parts[:3] if parts[1] == "platform" else parts[:2])
        return "/".join(parts[:2])


def read_list(path: Path) -> list[Mutation]:
    mutations = []
    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), start=1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        fields = line.split(" | ", 3)
        if len(fields) != 4 or " ==>" not in fields[3]:
            sys.exit(f"{path}:{number}: expected 'ID | LABELS | FILE | ORIGINAL ==> MUTATED'")
        # An empty MUTATED (the line ends in "==>") removes ORIGINAL.
        original, mutated = fields[3].split(" ==>", 1)
        mutated = mutated[1:] if mutated.startswith(" ") else mutated
        mutations.append(Mutation(fields[0].strip(), fields[1].strip(), fields[2].strip(),
                                  original, mutated, number))
    seen: set[str] = set()
    for mutation in mutations:
        if mutation.ident in seen:
            sys.exit(f"{path}:{mutation.line}: ID {mutation.ident} used twice")
        seen.add(mutation.ident)
    return mutations


def check(mutation: Mutation) -> str | None:
    """Returns why the mutation cannot apply, or None."""
    source = ROOT / mutation.path
    if not source.is_file():
        return "no such file"
    occurrences = source.read_text(encoding="utf-8").count(mutation.original)
    if occurrences != 1:
        return f"original text found {occurrences} times"
    return None


def run(command: list[str], timeout: float) -> tuple[str, str]:
    """Runs a command in its own process group; returns ('ok'|'failed'|'timeout', output)."""
    process = subprocess.Popen(command, cwd=ROOT, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True, start_new_session=True)
    try:
        output, _ = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        output, _ = process.communicate()
        return "timeout", output
    return ("ok" if process.returncode == 0 else "failed"), output


def binary_dir(preset: str) -> Path:
    """The tool's own build of `preset`, one object per source: the presets compile in unity
    batches, where one mutated source would recompile its whole batch."""
    return ROOT / "build" / f"mutate-{preset}"


def configure(preset: str) -> tuple[str, str]:
    return run(["cmake", "--preset", preset, "-B", str(binary_dir(preset)),
                "-DCMAKE_UNITY_BUILD=OFF"], timeout=600)


def build(preset: str, targets: list[str] | None = None) -> tuple[str, str]:
    extra = ["--target", *targets] if targets else []
    return run(["cmake", "--build", str(binary_dir(preset)), *extra], timeout=1800)


def label_targets(preset: str, labels: str) -> list[str]:
    """The programs that the tests of `labels` run (each named as its target), so that a
    mutation rebuilds only what its tests need; empty when they cannot be told."""
    state, output = run(["ctest", "--test-dir", str(binary_dir(preset)), "-N", "-L", labels,
                         "--show-only=json-v1"], timeout=120)
    try:
        tests = json.loads(output[output.index("{"):]).get("tests", []) if state == "ok" else []
    except ValueError:
        return []
    binary = binary_dir(preset).resolve()
    state, output = run(["ninja", "-C", str(binary), "-t", "targets", "all"], timeout=120)
    known = {line.split(":")[0] for line in output.splitlines() if line.endswith(": phony")}
    targets = set()
    for test in tests:
        for argument in test.get("command", []):
            path = Path(argument)
            if path.is_file() and binary in path.resolve().parents:
                targets.add(path.name.removesuffix(".exe"))
    return sorted(targets & known) if state == "ok" else []


def run_labels(preset: str, labels: str, test_timeout: float,
               every_failure: bool = False) -> tuple[str, str]:
    stop = [] if every_failure else ["--stop-on-failure"]
    return run(["ctest", "--test-dir", str(binary_dir(preset)), "-L", labels, "-j2",
                "--output-on-failure", *stop, "--timeout", str(int(test_timeout))],
               timeout=test_timeout * 3)


def failed_tests(output: str) -> list[str]:
    """The names ctest lists under "The following tests FAILED:"."""
    names = []
    if "The following tests FAILED:" in output:
        for line in output.split("The following tests FAILED:", 1)[1].splitlines()[1:]:
            match = re.match(r"\s*\d+ - (\S+) \(", line)
            if not match:
                break
            names.append(match.group(1))
    return names


def try_mutation(mutation: Mutation, test_timeout: float, targets: list[str],
                 every_failure: bool = False) -> tuple[str, list[str]]:
    source = ROOT / mutation.path
    text = source.read_text(encoding="utf-8")
    source.write_text(text.replace(mutation.original, mutation.mutated, 1), encoding="utf-8")
    try:
        state, output = build(mutation.preset, targets)
        if state != "ok" and targets:
            state, output = build(mutation.preset)
        if state != "ok":
            return "no-build", []
        state, output = run_labels(mutation.preset, mutation.labels, test_timeout, every_failure)
        if state == "ok" and "No tests were found" in output:
            return "no-tests", []
        return {"ok": "survived", "failed": "caught"}.get(state, state), failed_tests(output)
    finally:
        source.write_text(text, encoding="utf-8")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--list", type=Path, default=ROOT / "scripts" / "mutations.txt")
    parser.add_argument("--only", nargs="*", default=[], help="IDs to run")
    parser.add_argument("--preset", choices=["default", "win64"],
                        help="only the mutations of this preset")
    parser.add_argument("--check", action="store_true", help="only check that every line applies")
    parser.add_argument("--timeout", type=float, default=300,
                        help="seconds a test may take; its labels may take three times that")
    parser.add_argument("--report", type=Path, help="write ID, module, result, seconds and the failed tests as tab-separated lines")
    parser.add_argument("--every-failure", action="store_true",
                        help="run every test of the labels, not up to the first failure, and "
                             "report every test that failed: which tests alone catch a fault")
    parser.add_argument("--no-baseline", action="store_true",
                        help="skip the unmutated run of each label set")
    args = parser.parse_args()

    mutations = read_list(args.list)
    if args.only:
        mutations = [m for m in mutations if m.ident in set(args.only)]
    if args.preset:
        mutations = [m for m in mutations if m.preset == args.preset]
    stale = [(m, why) for m in mutations if (why := check(m))]
    for mutation, why in stale:
        print(f"{args.list}:{mutation.line}: {mutation.ident} {mutation.path}: {why}")
    if stale:
        return 2
    if args.check:
        print(f"{len(mutations)} mutations apply")
        return 0

    for preset in sorted({m.preset for m in mutations}):
        state, output = configure(preset)
        if state == "ok":
            state, output = build(preset)
        if state != "ok":
            print(output[-4000:])
            print(f"the {preset} preset does not build unmutated")
            return 2

    targets = {key: label_targets(*key) for key in {(m.preset, m.labels) for m in mutations}}
    if not args.no_baseline:
        for preset, labels in sorted(targets):
            began = time.monotonic()
            state, output = run_labels(preset, labels, args.timeout)
            print(f"baseline  {preset:8} {labels:20} {state}  ({time.monotonic() - began:.0f} s)",
                  flush=True)
            if state != "ok":
                print(output[-4000:])
                print(f"the tests labelled {labels} ({preset}) do not pass unmutated")
                return 2

    results: list[tuple[Mutation, str, float]] = []
    catchers: dict[str, list[str]] = {}
    started = time.monotonic()
    try:
        for mutation in mutations:
            began = time.monotonic()
            result, catchers[mutation.ident] = try_mutation(
                mutation, args.timeout, targets[mutation.preset, mutation.labels],
                args.every_failure)
            results.append((mutation, result, time.monotonic() - began))
            print(f"{result:9} {mutation.ident:6} {mutation.module:28} {mutation.path}"
                  f"  ({time.monotonic() - began:.0f} s)", flush=True)
    finally:
        for preset in sorted({m.preset for m, _, _ in results}):
            build(preset)  # leaves the build as the sources are

    modules = sorted({m.module for m, _, _ in results})
    print(f"\n{'module':28} {'caught':>6} {'survived':>8} {'other':>5}")
    for module in modules + ["all"]:
        rows = [r for m, r, _ in results if module in ("all", m.module)]
        caught, survived = rows.count("caught"), rows.count("survived")
        print(f"{module:28} {caught:6} {survived:8} {len(rows) - caught - survived:5}")
    print(f"{time.monotonic() - started:.0f} s")
    survivors = [m for m, r, _ in results if r != "caught"]
    for mutation in survivors:
        print(f"not caught: {mutation.ident} {mutation.path}: {mutation.original.strip()!r}"
              f" ==> {mutation.mutated.strip()!r}")
    if args.report:
        args.report.write_text(
            "".join(f"{m.ident}\t{m.module}\t{r}\t{s:.0f}\t{','.join(catchers[m.ident])}\n"
                    for m, r, s in results), encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
