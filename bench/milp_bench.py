"""Branch and bound against HiGHS, SCIP and CBC on the corpus MILPs.

    python bench/milp_bench.py [CORPUS_DIR] [--budget SECONDS]
    python bench/milp_bench.py [CORPUS_DIR] --compare-baseline [--baseline REV] [--models misc03,pk1]
                               [--json FILE]

mivex runs through a small C++ tool (bench/milp_nodes.cpp) that also reports
the nodes examined, so nodes per second can be printed. Peers read the MPS
originals, single-threaded. Times are wall-clock seconds in one run on this
machine; ratios are mivex time / peer time. mivex stops at 1000 nodes, the
peers run to proven optimality (or the budget).

--compare-baseline compares this tree with an earlier revision instead of
the peers: REV (default {baseline}) is exported with git archive into
build/baseline-HASH/src and its milp_nodes built there (with this tree's
bench/milp_nodes.cpp, so both tools print the same fields); both tools run
the 1000-node searches of {models} (or of every corpus MILP with --models
all) in turn, each pinned to one core and stopped after --budget seconds.
It prints wall and CPU seconds and nodes per second of each, the speed-up (this tree's rate
over the baseline's), the share of this tree's node LPs answered by the
certified fast path with the milliseconds per node LP of each way (pivots
alone / fast path answered / fast path tried and missed), and whether the
answers are identical (status, objective, model). --json keeps both node
rates per model for bench/plots.py.
"""
import argparse
import csv
import json
import math
import os
import resource
import shutil
import subprocess
import sys
import time
from pathlib import Path

import results as saved

ROOT = Path(__file__).resolve().parents[1]
DEFAULT_BASELINE = "59b33b4"  # the dense-tableau LP engine
COMPARE_MODELS = ["misc03", "p0201", "mod008", "vpm1", "pk1", "stein27", "noswot"]
__doc__ = __doc__.format(baseline=DEFAULT_BASELINE, models=", ".join(COMPARE_MODELS))


def build_tool(source=ROOT, build=ROOT / "build" / "bench"):
    subprocess.run(["cmake", "-S", str(source), "-B", str(build), "-G", "Ninja", "-DMIVEX_BENCH=ON",
                    "-DMIVEX_PYTHON=OFF", "-DCMAKE_BUILD_TYPE=Release"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "--target", "milp_nodes"], check=True,
                   stdout=subprocess.DEVNULL)
    return build / "milp_nodes"


def build_baseline(rev):
    """milp_nodes of revision `rev`, exported (not checked out) under build/."""
    full = subprocess.run(["git", "-C", str(ROOT), "rev-parse", "--verify", f"{rev}^{{commit}}"],
                          check=True, capture_output=True, text=True).stdout.strip()
    base = ROOT / "build" / f"baseline-{full[:12]}"
    source, stamp = base / "src", base / "src" / ".baseline-rev"
    if not stamp.exists() or stamp.read_text().strip() != full:
        shutil.rmtree(base, ignore_errors=True)
        source.mkdir(parents=True)
        archive = subprocess.Popen(["git", "-C", str(ROOT), "archive", "--format=tar", full], stdout=subprocess.PIPE)
        subprocess.run(["tar", "-x", "-C", str(source)], stdin=archive.stdout, check=True)
        if archive.wait() != 0:
            sys.exit(f"git archive {full} failed")
        stamp.write_text(full + "\n")
    ours, theirs = ROOT / "bench" / "milp_nodes.cpp", source / "bench" / "milp_nodes.cpp"
    if not theirs.exists() or theirs.read_bytes() != ours.read_bytes():
        shutil.copyfile(ours, theirs)
    return full, build_tool(source, base / "build")


def run_mivex(tool, path, budget, one_core=False):
    """The tool's JSON line, with "cpu": the CPU seconds the run took (all its
    threads); pinned to one core when asked, so that the wall time is what a
    process of a pool with a worker per core would see."""
    command = [str(tool), str(path)]
    if one_core:
        command = ["taskset", "-c", "0", *command]
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    try:
        out = subprocess.run(command, capture_output=True, text=True, timeout=budget)
    except subprocess.TimeoutExpired:
        return None
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    run = json.loads(out.stdout)
    run["cpu"] = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return run


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


def rate(run):
    return run["nodes"] / run["seconds"] if run and run["seconds"] > 0 else None


def paths(run):
    """Share of node LPs the fast path answered, and ms per node LP by way."""
    p = run and run.get("paths")
    if not p:
        return "-", "-"
    ways = ("pivots_only", "fast_answered", "fast_missed")
    total = sum(p[w] for w in ways)
    share = f"{100.0 * p['fast_answered'] / total:.0f}%" if total else "-"
    ms = "/".join(f"{1e3 * p[w + '_seconds'] / p[w]:.2f}" if p[w] else "-" for w in ways)
    return share, ms


def compare_baseline(corpus, rev, models, budget, json_path=None):
    full, old = build_baseline(rev)
    new = build_tool()
    head = subprocess.run(["git", "-C", str(ROOT), "describe", "--always", "--dirty"],
                          capture_output=True, text=True).stdout.strip()
    print(f"baseline {full[:12]} against this tree ({head}); budget {budget:g} s per model and tool; "
          f"both pinned to one core; load average {os.getloadavg()[0]:.2f}")
    print(f"{'model':10} {'status':26} {'nodes':>6} {'base s':>8} {'new s':>8} {'base cpu':>8} {'new cpu':>8} "
          f"{'base n/s':>9} {'new n/s':>9} {'speed-up':>8} {'fast':>5} {'ms/LP piv/fast/miss':>20}  same")
    totals = {"base s": 0.0, "new s": 0.0, "base cpu": 0.0, "new cpu": 0.0}
    speedups, runs = [], []
    for name in models:
        lp = corpus / "milp" / f"{name}.lp"
        before = run_mivex(old, lp, budget, one_core=True)
        after = run_mivex(new, lp, budget, one_core=True)
        if before and after:
            for key, run, field in (("base s", before, "seconds"), ("new s", after, "seconds"),
                                    ("base cpu", before, "cpu"), ("new cpu", after, "cpu")):
                totals[key] += run[field]
        either = after or before
        status = either["status"] if either else "did not finish"
        nodes = str(either["nodes"]) if either else ""
        if before and after:
            keys = ("status", "objective", "model")
            same = all(before[k] == after[k] for k in keys)
            verdict = "yes" if same else "NO: " + ", ".join(k for k in keys if before[k] != after[k])
            if before["nodes"] != after["nodes"] or before["lp_solves"] != after["lp_solves"]:
                nodes = f"{before['nodes']}/{after['nodes']}"
                verdict += f" (nodes {before['nodes']} vs {after['nodes']}, LP solves "\
                           f"{before['lp_solves']} vs {after['lp_solves']})"
            speedup = rate(after) / rate(before) if rate(after) and rate(before) else None
            if speedup:
                speedups.append(speedup)
            shown = fmt(speedup, 2)
        else:
            verdict = "-"
            # Only one finished: the speed-up is bounded by the budget.
            shown = f">{budget / after['seconds']:.1f}" if after else (f"<{before['seconds'] / budget:.2f}"
                                                                      if before else "-")
        for solver, run in (("baseline", before), ("mivex", after)):
            runs.append({"instance": name, "solver": solver, "status": run["status"] if run else "TIMEOUT",
                         "seconds": run and run["seconds"], "cpu": run and run["cpu"],
                         "nodes": run and run["nodes"], "nodes_per_second": rate(run)})
        share, ms = paths(after)
        print(f"{name:10} {status:26} {nodes:>6} "
              f"{fmt(before and before['seconds']) if before else '>' + fmt(budget, 0):>8} "
              f"{fmt(after and after['seconds']) if after else '>' + fmt(budget, 0):>8} "
              f"{fmt(before and before['cpu']):>8} {fmt(after and after['cpu']):>8} "
              f"{fmt(rate(before), 0):>9} {fmt(rate(after), 0):>9} {shown:>8} {share:>5} {ms:>20}  {verdict}",
              flush=True)
    print("models finished by both, in all: " + ", ".join(f"{k} {v:.2f}" for k, v in totals.items()))
    if speedups:
        geo = math.exp(sum(math.log(x) for x in speedups) / len(speedups))
        print(f"geometric mean speed-up over {len(speedups)} models finished by both: {geo:.2f}")
    if json_path:
        saved.write(json_path, "milp", runs, baseline=full[:12], budget=budget)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("corpus", nargs="?", default=str(ROOT.parent / "shared" / "corpus"))
    parser.add_argument("--budget", type=float, default=120.0)
    parser.add_argument("--compare-baseline", action="store_true",
                        help="compare node rates and answers with an earlier revision instead of the peers")
    parser.add_argument("--baseline", default=DEFAULT_BASELINE, help="git revision of the baseline")
    parser.add_argument("--models", default=",".join(COMPARE_MODELS),
                        help="comma-separated models for --compare-baseline, or 'all' for every corpus MILP")
    parser.add_argument("--json", type=Path, help="--compare-baseline: write both node rates per model here")
    args = parser.parse_args()
    corpus = Path(args.corpus)
    if args.compare_baseline:
        models = ([p.stem for p in sorted((corpus / "milp").glob("*.lp"))] if args.models == "all"
                  else [m.removesuffix(".lp") for m in args.models.split(",") if m])
        compare_baseline(corpus, args.baseline, models, args.budget, args.json)
        return
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
