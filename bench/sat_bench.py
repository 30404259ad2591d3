"""solve_sat against PySAT's MiniSat 2.2 and CaDiCaL and against pycosat, on
generated instances and the SATLIB corpus, all in one run.

    python bench/sat_bench.py [--corpus DIR] [--budget SECONDS] [--quick] [--json FILE]

Every solver runs each instance in a forked worker with the same CPU-time
budget; instances a solver did not finish are listed. Printed per instance:
statuses, CPU times and time ratios (mivex / peer). Propagations per second
come from the search counters: sat_count (a C++ helper built here
under build/bench, since the module exposes no counters) and PySAT's
accum_stats for MiniSat and CaDiCaL. --json keeps every solver's time per
instance for bench/plots.py.
"""
import argparse
import csv
import json
import math
import multiprocessing as mp
import os
import resource
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import results as saved

ROOT = Path(__file__).resolve().parents[1]
TOOL = ROOT / "build" / "bench" / "sat_count"
DEFAULT_CORPUS = ROOT.parent / "shared" / "corpus"


# ------------------------------------------------------------- instances
class Rng:
    def __init__(self, seed):
        self.state = (seed * 0x9E3779B97F4A7C15 + 1) & (2**64 - 1) or 1

    def below(self, n):
        x = self.state
        x ^= x >> 12
        x ^= (x << 25) & (2**64 - 1)
        x ^= x >> 27
        self.state = x
        return ((x * 0x2545F4914F6CDD1D) & (2**64 - 1)) % n


def random_3sat(n, m, seed):
    rng, clauses = Rng(seed), []
    for _ in range(m):
        chosen = []
        while len(chosen) < 3:
            v = rng.below(n) + 1
            if v not in chosen:
                chosen.append(v)
        clauses.append([v if rng.below(2) else -v for v in chosen])
    return clauses


def pigeonhole(pigeons, holes):
    var = lambda p, h: p * holes + h + 1
    clauses = [[var(p, h) for h in range(holes)] for p in range(pigeons)]
    for h in range(holes):
        for p in range(pigeons):
            clauses += [[-var(p, h), -var(q, h)] for q in range(p + 1, pigeons)]
    return clauses


def dimacs(clauses):
    n = max((abs(l) for c in clauses for l in c), default=0)
    body = "".join(" ".join(map(str, c)) + " 0\n" for c in clauses)
    return f"p cnf {n} {len(clauses)}\n{body}"


def read_cnf(text):
    clauses, current = [], []
    for line in text.splitlines():
        line = line.strip()
        if not line or line[0] in "cp":
            continue
        for token in line.split():
            lit = int(token)
            if lit == 0:
                clauses.append(current)
                current = []
            else:
                current.append(lit)
    if current:
        clauses.append(current)
    return clauses


def instances(corpus, quick):
    """(group, name, text, documented status or None)."""
    sizes = (100, 150, 200) if quick else (100, 125, 150, 175, 200)
    seeds = range(2) if quick else range(4)
    for n in sizes:
        for seed in seeds:
            yield "random", f"r3-{n}-{seed}", dimacs(random_3sat(n, round(n * 4.26), 77 * n + seed)), None
    for p in (7, 8) if quick else (7, 8, 9):
        yield "structured", f"ph-{p}-{p - 1}", dimacs(pigeonhole(p, p - 1)), "UNSAT"
    if corpus is not None:
        with open(corpus / "index.csv") as f:
            rows = [r for r in csv.DictReader(f) if r["family"] == "sat"]
        if quick:
            rows = rows[::4]
        for r in rows:
            expected = r["expected_status"] if r["expected_status"] in ("SAT", "UNSAT") else None
            yield "corpus", r["file"], (corpus / "sat" / r["file"]).read_text(), expected


# ------------------------------------------------------------- solvers
def repeated(once):
    """Best wall time of `once()` over repeats (short runs are repeated up to
    0.3 s in all, which keeps a loaded machine's noise out of small times)."""
    best, spent, result = None, 0.0, None
    while spent < 0.3:
        start = time.perf_counter()
        result = once()
        elapsed = time.perf_counter() - start
        spent += elapsed
        best = elapsed if best is None else min(best, elapsed)
    return result, best


def run_mivex(text, clauses):
    import mivex

    result, seconds = repeated(lambda: mivex.solve_sat(text))
    return result["status"], seconds, None


def run_pysat(name):
    def run(text, clauses):
        from pysat.solvers import Solver

        def once():
            with Solver(name=name, bootstrap_with=clauses) as s:
                return s.solve(), s.accum_stats() or {}

        (sat, stats), seconds = repeated(once)
        return ("SAT" if sat else "UNSAT"), seconds, stats.get("propagations")

    return run


def run_pycosat(text, clauses):
    import pycosat

    answer, seconds = repeated(lambda: pycosat.solve(clauses))
    return ("UNSAT" if answer == "UNSAT" else "SAT"), seconds, None


SOLVERS = {
    "mivex": run_mivex,
    "minisat22": run_pysat("minisat22"),
    "cadical153": run_pysat("cadical153"),
    "pycosat": run_pycosat,
}


def _child(conn, solver, text, clauses, budget):
    resource.setrlimit(resource.RLIMIT_CPU, (math.ceil(budget) + 1, math.ceil(budget) + 2))
    conn.send(SOLVERS[solver](text, clauses))


def timed(solver, text, clauses, budget):
    """(status, seconds, propagations) or None when over budget."""
    ctx = mp.get_context("fork")
    parent, child = ctx.Pipe(duplex=False)
    proc = ctx.Process(target=_child, args=(child, solver, text, clauses, budget))
    proc.start()
    child.close()
    try:
        result = parent.recv() if parent.poll(budget * 1.5 + 5) else None
    except EOFError:  # killed at its CPU limit
        result = None
    proc.kill()
    proc.join()
    if result is not None and result[1] > budget:
        return None
    return result


def counters(text, budget):
    """mivex's search counters from the C++ helper (same search as the module)."""
    with tempfile.NamedTemporaryFile("w", suffix=".cnf", delete=False) as f:
        f.write(text)
    try:
        out = subprocess.run([str(TOOL), "--budget", str(budget), f.name], capture_output=True, text=True,
                             timeout=budget * 2 + 10)
        return json.loads(out.stdout)
    finally:
        os.unlink(f.name)


def build_tool():
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(ROOT / "build" / "bench"), "-G", "Ninja",
                    "-DMIVEX_BENCH=ON", "-DMIVEX_PYTHON=OFF", "-DCMAKE_BUILD_TYPE=Release"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(ROOT / "build" / "bench"), "--target", "sat_count", "-j2"],
                   check=True, stdout=subprocess.DEVNULL)


# ------------------------------------------------------------- report
def geomean(values):
    values = [v for v in values if v > 0]
    return math.exp(sum(map(math.log, values)) / len(values)) if values else float("nan")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--corpus", type=Path, default=DEFAULT_CORPUS if (DEFAULT_CORPUS / "index.csv").exists() else None)
    ap.add_argument("--budget", type=float, default=10.0, help="seconds per solver and instance")
    ap.add_argument("--quick", action="store_true", help="fewer instances")
    ap.add_argument("--json", type=Path, help="write every solver's time per instance here")
    args = ap.parse_args()
    build_tool()

    names = list(SOLVERS)
    rows, unfinished, disagreements = [], {s: [] for s in names}, []
    # Random group: [propagations, seconds] over all instances and over those mivex finished.
    props = {s: [0, 0.0] for s in ("mivex", "minisat22", "cadical153")}
    props_done = {s: [0, 0.0] for s in ("mivex", "minisat22", "cadical153")}
    check_share = []
    print(f"Milliseconds per solve (best of repeats for short ones); budget {args.budget} s each")
    print(f"{'instance':28} {'status':7}" + "".join(f" {s:>11}" for s in names) + "   ratio vs minisat/cadical/pycosat")
    for group, name, text, expected in instances(args.corpus, args.quick):
        clauses = read_cnf(text)
        results = {s: timed(s, text, clauses, args.budget) for s in names}
        stats = counters(text, args.budget)
        statuses = {r[0] for r in results.values() if r}
        if expected:
            statuses.add(expected)
        if len(statuses) > 1:
            disagreements.append((name, {s: r and r[0] for s, r in results.items()}, expected))
        for s, r in results.items():
            if r is None:
                unfinished[s].append(name)
        if group == "random":
            done = stats["status"] != "TIMEOUT"
            tables = (props, props_done) if done else (props,)
            for table in tables:
                table["mivex"][0] += stats["propagations"]
                table["mivex"][1] += stats["cpu_seconds"]
                for s in ("minisat22", "cadical153"):
                    if results[s] and results[s][2]:
                        table[s][0] += results[s][2]
                        table[s][1] += results[s][1]
        if stats["status"] == "SAT" and results["mivex"]:
            check_share.append((stats["check_seconds"] / results["mivex"][1], name))
        status = next(iter(statuses)) if len(statuses) == 1 else "DIFFER"
        cells = "".join(f" {1000 * r[1]:11.2f}" if r else f" {'timeout':>11}" for r in results.values())
        ratios = []
        for s in ("minisat22", "cadical153", "pycosat"):
            m, p = results["mivex"], results[s]
            ratios.append(f"{m[1] / p[1]:.2f}" if m and p and p[1] > 0 else "-")
        rows.append((group, name, results))
        print(f"{name[:28]:28} {status:7}{cells}   {' / '.join(ratios)}", flush=True)

    print("\nGeometric mean of time ratios mivex / peer, over instances both finished (>= 1 ms for the peer):")
    for group in ("random", "structured", "corpus", None):
        parts = []
        for s in ("minisat22", "cadical153", "pycosat"):
            rs = [r["mivex"][1] / r[s][1] for g, _, r in rows
                  if (group is None or g == group) and r["mivex"] and r[s] and r[s][1] >= 1e-3]
            parts.append(f"{s} {geomean(rs):.2f} (n={len(rs)})")
        print(f"  {group or 'all':10}  " + ",  ".join(parts))
    print("\nPropagations per second on random 3-SAT, 100-200 variables (sum of propagations / sum of time;"
          "\nmivex counts from sat_count's CPU time, peers from PySAT's accum_stats):")
    for label, table in (("instances mivex finished", props_done), ("all, mivex cut at the budget", props)):
        rate = {s: (p / t if t else float("nan")) for s, (p, t) in table.items()}
        print(f"  {label}:")
        for s, r in rate.items():
            print(f"    {s:10} {r / 1e6:7.2f} M/s   ({table[s][0]} propagations in {table[s][1]:.3f} s)")
        print(f"    mivex / minisat22 = {rate['mivex'] / rate['minisat22']:.2f}")
    if check_share:
        check_share.sort()
        median, (worst, worst_name) = check_share[len(check_share) // 2][0], check_share[-1]
        print(f"\nModel self-check, share of the whole solve_sat call: median {100 * median:.2f}%, "
              f"max {100 * worst:.2f}% ({worst_name}), over {len(check_share)} SAT answers")
    if args.json:
        saved.write(args.json, "sat", [
            {"instance": name, "group": group, "solver": s, "status": r[0] if r else "TIMEOUT",
             "seconds": r[1] if r else None}
            for group, name, runs in rows for s, r in runs.items()], budget=args.budget)
    print("\nNot finished within the budget:")
    for s, missing in unfinished.items():
        print(f"  {s:10} {len(missing):3}  {' '.join(missing)}")
    if disagreements:
        print("\nSTATUS DISAGREEMENTS:")
        for d in disagreements:
            print("  ", d)
        sys.exit(1)


if __name__ == "__main__":
    main()
