"""mivex_exact against esolver (QSopt_ex) on the corpus's LP models, both
reading the same MPS file:
    python bench/exact_vs_esolver.py CORPUS_DIR [repeats]
Times are wall-clock seconds, the best of `repeats` runs: mivex_exact's
read_mps + solve in this process, esolver's whole run (process start
included, about a millisecond). Prints one line per model, then the
geometric mean of the ratios."""
import csv
import math
import subprocess
import sys
import time
from pathlib import Path

import mivex_exact


def best_of(repeats, run):
    best = math.inf
    for _ in range(repeats):
        start = time.perf_counter()
        outcome = run()
        best = min(best, time.perf_counter() - start)
    return best, outcome


def esolver(path):
    out = subprocess.run(["esolver", str(path)], capture_output=True, text=True, check=False).stdout
    for status in ("OPTIMAL", "INFEASIBLE", "UNBOUNDED"):
        if status in out.upper():
            return status
    return "?"


def main():
    corpus = Path(sys.argv[1])
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    with open(corpus / "index.csv", newline="") as f:
        names = [r["source"] for r in csv.DictReader(f) if r["family"] == "lp" and r["source"].endswith(".mps")]
    ratios = []
    print(f"{'model':16s} {'mivex_exact':>12s} {'esolver':>10s} {'ratio':>7s}  statuses")
    for name in names:
        path = corpus / "mps" / name
        ours, result = best_of(repeats, lambda: mivex_exact.solve(mivex_exact.read_mps(path)))
        theirs, status = best_of(repeats, lambda: esolver(path))
        ratios.append(ours / theirs)
        print(f"{name:16s} {ours:12.4f} {theirs:10.4f} {ours / theirs:7.2f}  {result.status} / {status}")
    print(f"geometric mean of the ratios: {math.exp(sum(map(math.log, ratios)) / len(ratios)):.3f}; "
          f"worst: {max(ratios):.2f}")


if __name__ == "__main__":
    main()
