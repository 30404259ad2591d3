"""mivex_exact against esolver (QSopt_ex), both reading the same MPS file:
the corpus's LP models and the scale set of lp_bench.py (ring, pack5k,
pack20k, transport, written as free MPS).
    python bench/exact_vs_esolver.py CORPUS_DIR [repeats] [--no-scale]
Times are wall-clock seconds, the best of `repeats` runs: mivex_exact's
read_mps + solve in this process, esolver's whole run (its process start
included, a few milliseconds). One line per model, then the geometric mean
and the largest of the ratios."""
import csv
import math
import sys
import tempfile
import time
from pathlib import Path

import mivex_exact

sys.path.insert(0, str(Path(__file__).resolve().parent))
from lp_bench import SCALE_MODELS, run_esolver, write_free_mps  # noqa: E402


def best_of(repeats, run):
    best, outcome = math.inf, None
    for _ in range(repeats):
        start = time.perf_counter()
        outcome = run()
        best = min(best, time.perf_counter() - start)
    return best, outcome


def models(corpus, scale, tmp):
    with open(corpus / "index.csv", newline="") as f:
        for row in csv.DictReader(f):
            if row["family"] == "lp" and row["source"].endswith(".mps"):
                yield row["source"], corpus / "mps" / row["source"]
    if scale:
        for name, build in SCALE_MODELS.items():
            path = Path(tmp) / f"{name}.mps"
            write_free_mps(build(1), path, sense_section=True)
            yield name, path


def main():
    corpus = Path(sys.argv[1])
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 and sys.argv[2].isdigit() else 3
    ratios = []
    print(f"{'model':16s} {'mivex_exact':>12s} {'esolver':>10s} {'ratio':>7s}  answers")
    with tempfile.TemporaryDirectory() as tmp:
        for name, path in models(corpus, "--no-scale" not in sys.argv, tmp):
            ours, result = best_of(repeats, lambda: mivex_exact.solve(mivex_exact.read_mps(path)))
            theirs, (status, value) = best_of(repeats, lambda: run_esolver(path, 600))
            ratios.append(ours / theirs)
            same = status == result.status and (value is None or math.isclose(value, result.objective))
            print(f"{name:16s} {ours:12.4f} {theirs:10.4f} {ours / theirs:7.2f}  "
                  f"{result.status} {float(result.objective or 0):.10g} / {status} {value}"
                  f"{'' if same else '  DIFFERENT'}", flush=True)
    print(f"geometric mean of the ratios: {math.exp(sum(map(math.log, ratios)) / len(ratios)):.3f}; "
          f"largest: {max(ratios):.2f}")


if __name__ == "__main__":
    main()
