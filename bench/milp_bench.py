"""Branch and bound against HiGHS, SCIP and CBC on the corpus MILPs.

    python bench/milp_bench.py [CORPUS_DIR] [--budget SECONDS]

mivex runs through a small C++ tool (bench/milp_nodes.cpp) that also reports
the nodes examined, so nodes per second can be printed. Peers read the MPS
originals, single-threaded. Times are wall-clock seconds in one run on this
machine; ratios are mivex time / peer time. mivex stops at 1000 nodes, the
peers run to proven optimality (or the budget).
"""
import argparse
import csv
import json
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]


def build_tool():
    build = ROOT / "build" / "bench"
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja", "-DMIVEX_BENCH=ON",
                    "-DMIVEX_PYTHON=OFF", "-DCMAKE_BUILD_TYPE=Release"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "--target", "milp_nodes"], check=True,
                   stdout=subprocess.DEVNULL)
    return build / "milp_nodes"


def run_mivex(tool, path, budget):
    try:
        out = subprocess.run([str(tool), str(path)], capture_output=True, text=True, timeout=budget)
    except subprocess.TimeoutExpired:
        return None
    return json.loads(out.stdout)


def run_highs(mps, budget):
    try:
        import highspy
    except ImportError:
        return None
    h = highspy.Highs()
    h.setOptionValue("output_flag", False)
    h.setOptionValue("time_limit", float(budget))
    h.setOptionValue("threads", 1)
    h.readModel(str(mps))
    start = time.perf_counter()
    h.run()
    return time.perf_counter() - start


def run_scip(mps, budget):
    try:
        import pyscipopt
    except ImportError:
        return None
    model = pyscipopt.Model()
    model.hideOutput()
    model.setParam("limits/time", float(budget))
    model.readProblem(str(mps))
    start = time.perf_counter()
    model.optimize()
    return time.perf_counter() - start


def run_cbc(mps, budget):
    cbc = shutil.which("cbc")
    if not cbc:
        return None
    start = time.perf_counter()
    try:
        subprocess.run([cbc, str(mps), "-sec", str(budget), "-threads", "1", "-solve", "-quit"],
                       capture_output=True, timeout=budget + 30)
    except subprocess.TimeoutExpired:
        return None
    return time.perf_counter() - start


def fmt(x, digits=3):
    return "-" if x is None else f"{x:.{digits}f}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("corpus", nargs="?", default=str(ROOT.parent / "shared" / "corpus"))
    parser.add_argument("--budget", type=float, default=120.0)
    args = parser.parse_args()
    corpus = Path(args.corpus)
    tool = build_tool()
    with open(corpus / "index.csv") as index:
        rows = [r for r in csv.DictReader(index) if r["family"] == "milp"]
    print(f"{'model':16} {'mivex status':26} {'nodes':>6} {'nodes/s':>8} {'mivex s':>8} "
          f"{'highs s':>8} {'scip s':>8} {'cbc s':>8} {'x highs':>8} {'x scip':>8} {'x cbc':>8}")
    for row in rows:
        lp = corpus / "milp" / row["file"]
        mps = corpus / "mps" / row["source"]
        mine = run_mivex(tool, lp, args.budget)
        peers = [run_highs(mps, args.budget), run_scip(mps, args.budget), run_cbc(mps, args.budget)]
        if mine is None:
            print(f"{row['file']:16} {'did not finish':26} {'':>6} {'':>8} {'>' + fmt(args.budget, 0):>8} "
                  + " ".join(f"{fmt(p):>8}" for p in peers))
            continue
        secs = mine["seconds"]
        rate = mine["nodes"] / secs if secs > 0 else 0.0
        ratios = [secs / p if p else None for p in peers]
        print(f"{row['file']:16} {mine['status']:26} {mine['nodes']:>6} {rate:>8.0f} {secs:>8.3f} "
              + " ".join(f"{fmt(p):>8}" for p in peers) + " "
              + " ".join(f"{fmt(r, 1):>8}" for r in ratios))
        sys.stdout.flush()


if __name__ == "__main__":
    main()
