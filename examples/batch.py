"""Solve many problem files at once, one worker process per core.

    python examples/batch.py [--workers N] FILE...

The kind of each file comes from its name: .cnf (solve_sat), .lp
(solve_milp_text when it has an `int` line, else solve_lp_text), .cp
(solve_cp_text). Each answer is printed as one JSON line on standard output
as soon as it is ready; a progress bar goes to standard error. Without files,
the script writes a few small problems of each kind to a temporary folder and
solves those.

A call holds the interpreter lock until it returns, so threads would take
turns; separate processes solve side by side. Only the standard library is
used.
"""
import argparse
import json
import os
import random
import sys
import tempfile
import time
from concurrent.futures import ProcessPoolExecutor, as_completed
from pathlib import Path

import mivex


def solve_file(path):
    """The answer for one file as a JSON-ready dict (with the file's name)."""
    path = Path(path)
    text = path.read_text()
    if path.suffix == ".cnf":
        kind, solve = "sat", mivex.solve_sat
    elif path.suffix == ".cp":
        kind, solve = "cp", mivex.solve_cp_text
    elif any(line.strip().startswith("int ") for line in text.splitlines()):
        kind, solve = "milp", mivex.solve_milp_text
    else:
        kind, solve = "lp", mivex.solve_lp_text
    started = time.perf_counter()
    try:
        answer = solve(text)
    except ValueError as refused:  # the reader's message for a malformed file
        answer = {"error": str(refused)}
    return {"file": str(path), "kind": kind, "seconds": round(time.perf_counter() - started, 3), **answer}


class Progress:
    """A one-line bar on standard error; without a terminal, a line per tenth."""

    def __init__(self, total):
        self.total, self.done, self.live = total, 0, sys.stderr.isatty()

    def step(self):
        self.done += 1
        if self.live:
            filled = 30 * self.done // self.total
            sys.stderr.write(f"\r[{'#' * filled}{'.' * (30 - filled)}] {self.done}/{self.total}")
            if self.done == self.total:
                sys.stderr.write("\n")
        elif self.done == self.total or self.done % max(1, self.total // 10) == 0:
            sys.stderr.write(f"{self.done}/{self.total} solved\n")
        sys.stderr.flush()


def write_samples(folder, seed=7):
    """Small problems of every kind: random 3-SAT, knapsacks, n-queens."""
    rng = random.Random(seed)
    paths = []
    for i in range(8):
        n, m = 30, 128
        clauses = [" ".join(str(rng.choice([-1, 1]) * v) for v in rng.sample(range(1, n + 1), 3)) + " 0"
                   for _ in range(m)]
        paths.append(folder / f"random3sat_{i}.cnf")
        paths[-1].write_text(f"p cnf {n} {m}\n" + "\n".join(clauses) + "\n")
    for i in range(4):
        n = 12
        values = [rng.randint(5, 40) for _ in range(n)]
        weights = [rng.randint(3, 30) for _ in range(n)]
        lines = ["max " + " + ".join(f"{v}*x{j}" for j, v in enumerate(values)),
                 " + ".join(f"{w}*x{j}" for j, w in enumerate(weights)) + f" <= {sum(weights) // 3}"]
        lines += [f"x{j} <= 1" for j in range(n)]
        paths.append(folder / f"knapsack_{i}.lp")
        paths[-1].write_text("\n".join(lines + [f"int x{j}" for j in range(n)]) + "\n")
        paths.append(folder / f"knapsack_relaxed_{i}.lp")
        paths[-1].write_text("\n".join(lines) + "\n")
    for n in range(5, 9):
        lines = [f"var q{r} 0 {n - 1}" for r in range(n)]
        lines += [f"var u{r} {r} {n - 1 + r}" for r in range(n)]
        lines += [f"var d{r} {-r} {n - 1 - r}" for r in range(n)]
        for r in range(n):
            lines += [f"linear 1 q{r} -1 u{r} {-r} eq", f"linear 1 q{r} -1 d{r} {r} eq"]
        lines += ["alldifferent " + " ".join(f"{p}{r}" for r in range(n)) for p in "qud"]
        paths.append(folder / f"queens_{n}.cp")
        paths[-1].write_text("\n".join(lines) + "\n")
    return paths


def run(paths, workers):
    progress = Progress(len(paths))
    with ProcessPoolExecutor(max_workers=workers) as pool:
        for future in as_completed([pool.submit(solve_file, path) for path in paths]):
            print(json.dumps(future.result()), flush=True)
            progress.step()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("files", nargs="*", type=Path)
    parser.add_argument("--workers", type=int, default=os.cpu_count())
    args = parser.parse_args()
    if args.files:
        run(args.files, args.workers)
        return
    with tempfile.TemporaryDirectory() as folder:
        run(write_samples(Path(folder)), args.workers)


if __name__ == "__main__":
    main()
