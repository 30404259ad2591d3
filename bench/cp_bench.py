"""CP benchmark: mivex.solve_cp_text against OR-Tools CP-SAT and
python-constraint on the same problems (n-queens, sudoku, random), in one run.

    python bench/cp_bench.py [--corpus DIR] [--quick] [--peer-timeout S]

Times are wall-clock seconds, best of a few runs for mivex; "nodes" are the
values tried by mivex's search (counted by bench/cp_nodes.cpp, compiled here
against src/), and nodes/s uses the mivex time. A ratio above 1 means the peer
took longer than mivex. CP-SAT runs with one worker, and both peers are timed
from our parsed problem to their first solution.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import mivex

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
sys.path.insert(0, str(HERE))
import cp_problems  # noqa: E402


def parse(text):
    """CP text to (domains, constraints) with constraints as tuples over indices."""
    index, domains, constraints = {}, [], []
    for line in text.splitlines():
        t = line.split()
        if not t or t[0].startswith(("#", "//")):
            continue
        if t[0] == "var":
            index[t[1]] = len(domains)
            domains.append((int(t[2]), int(t[3])))
        elif t[0] in ("eq", "neq", "lt"):
            constraints.append((t[0], index[t[1]], index[t[2]]))
        elif t[0] == "le":
            constraints.append(("le", index[t[1]], index[t[2]], int(t[3])))
        elif t[0] == "linear":
            k = (len(t) - 3) // 2
            terms = [(int(t[1 + 2 * i]), index[t[2 + 2 * i]]) for i in range(k)]
            constraints.append(("linear", terms, int(t[1 + 2 * k]), t[2 + 2 * k]))
        else:
            constraints.append(("alldifferent", [index[n] for n in t[1:]]))
    return domains, constraints


def check(domains, constraints, values):
    ok = all(lo <= v <= hi for v, (lo, hi) in zip(values, domains))
    for c in constraints:
        k = c[0]
        if k == "eq":
            ok &= values[c[1]] == values[c[2]]
        elif k == "neq":
            ok &= values[c[1]] != values[c[2]]
        elif k == "lt":
            ok &= values[c[1]] < values[c[2]]
        elif k == "le":
            ok &= values[c[1]] <= values[c[2]] + c[3]
        elif k == "linear":
            s = sum(a * values[v] for a, v in c[1])
            ok &= {"le": s <= c[2], "eq": s == c[2], "ge": s >= c[2]}[c[3]]
        else:
            vs = [values[v] for v in c[1]]
            ok &= len(set(vs)) == len(vs)
    return ok


def run_mivex(text, repeats):
    best, result = float("inf"), None
    for _ in range(repeats):
        start = time.perf_counter()
        result = mivex.solve_cp_text(text)
        best = min(best, time.perf_counter() - start)
    return result["status"], result.get("model"), best


def run_ortools(domains, constraints, timeout):
    from ortools.sat.python import cp_model

    start = time.perf_counter()
    m = cp_model.CpModel()
    x = [m.NewIntVar(lo, hi, f"x{i}") for i, (lo, hi) in enumerate(domains)]
    for c in constraints:
        k = c[0]
        if k == "eq":
            m.Add(x[c[1]] == x[c[2]])
        elif k == "neq":
            m.Add(x[c[1]] != x[c[2]])
        elif k == "lt":
            m.Add(x[c[1]] < x[c[2]])
        elif k == "le":
            m.Add(x[c[1]] <= x[c[2]] + c[3])
        elif k == "linear":
            expr = sum(a * x[v] for a, v in c[1])
            m.Add(expr <= c[2] if c[3] == "le" else expr == c[2] if c[3] == "eq" else expr >= c[2])
        else:
            m.AddAllDifferent([x[v] for v in c[1]])
    solver = cp_model.CpSolver()
    solver.parameters.num_workers = 1
    solver.parameters.max_time_in_seconds = timeout
    status = solver.Solve(m)
    elapsed = time.perf_counter() - start
    if status in (cp_model.OPTIMAL, cp_model.FEASIBLE):
        return "SAT", elapsed
    if status == cp_model.INFEASIBLE:
        return "UNSAT", elapsed
    return "timeout", elapsed


class _Timeout(Exception):
    pass


def _alarm(signum, frame):
    raise _Timeout()


def run_python_constraint(domains, constraints, timeout):
    import constraint as pc

    if any(hi - lo > 100000 for lo, hi in domains):
        return "skipped", float("nan")
    previous = signal.signal(signal.SIGALRM, _alarm)
    signal.setitimer(signal.ITIMER_REAL, timeout)
    start = time.perf_counter()
    try:
        p = pc.Problem()
        for i, (lo, hi) in enumerate(domains):
            p.addVariable(i, list(range(lo, hi + 1)))
        for c in constraints:
            k = c[0]
            if k == "eq":
                p.addConstraint(lambda a, b: a == b, [c[1], c[2]])
            elif k == "neq":
                p.addConstraint(lambda a, b: a != b, [c[1], c[2]])
            elif k == "lt":
                p.addConstraint(lambda a, b: a < b, [c[1], c[2]])
            elif k == "le":
                p.addConstraint(lambda a, b, k=c[3]: a <= b + k, [c[1], c[2]])
            elif k == "linear":
                coeffs, vs = [a for a, _ in c[1]], [v for _, v in c[1]]
                rel, rhs = c[3], c[2]

                def f(*vals, coeffs=coeffs, rel=rel, rhs=rhs):
                    s = sum(a * v for a, v in zip(coeffs, vals))
                    return s <= rhs if rel == "le" else s == rhs if rel == "eq" else s >= rhs

                p.addConstraint(pc.FunctionConstraint(f), vs)
            else:
                p.addConstraint(pc.AllDifferentConstraint(), list(c[1]))
        solution = p.getSolution()
        status = "SAT" if solution else "UNSAT"
    except _Timeout:
        status = "timeout"
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    return status, time.perf_counter() - start


def build_node_counter(workdir):
    exe = Path(workdir) / "cp_nodes"
    cxx = os.environ.get("CXX", shutil.which("c++") or "g++")
    sources = [str(HERE / "cp_nodes.cpp")]
    for folder in ("cp", "parser", "linear", "core"):
        sources += sorted(str(p) for p in (ROOT / "src" / folder).glob("*.cpp"))
    subprocess.run([cxx, "-std=c++20", "-O2", f"-I{ROOT / 'src'}", *sources, "-lgmpxx", "-lgmp", "-o", str(exe)],
                   check=True)
    return exe


def problems(corpus, quick):
    queens = (8, 12, 16, 20) if quick else (8, 12, 16, 20, 25, 30)
    for n in queens:
        yield f"queens-{n}", cp_problems.nqueens(n)
    if corpus and (corpus / "cp").is_dir():
        for name in ("sudoku_easy", "sudoku_hard"):
            yield f"corpus:{name}", (corpus / "cp" / f"{name}.cp").read_text()
    for seed in range(2 if quick else 4):
        yield f"sudoku-gen-{seed}", cp_problems.sudoku(cp_problems.random_sudoku(seed, 24))
    for seed in range(2 if quick else 4):
        yield f"random-50-{seed}", cp_problems.random_problem(seed, n=50, edges=4.0)
    if not quick:
        yield "random-60-1", cp_problems.random_problem(1, n=60, edges=4.0)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--corpus", type=Path, default=ROOT.parent / "shared" / "corpus")
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--peer-timeout", type=float, default=20.0)
    args = ap.parse_args()

    with tempfile.TemporaryDirectory() as tmp:
        counter = build_node_counter(tmp)
        header = f"{'problem':<22}{'status':<7}{'nodes':>9}{'mivex s':>10}{'nodes/s':>11}" \
                 f"{'cp-sat s':>10}{'ratio':>8}{'py-cons s':>11}{'ratio':>9}"
        print(header)
        print("-" * len(header))
        for name, text in problems(args.corpus, args.quick):
            domains, constraints = parse(text)
            path = Path(tmp) / "p.cp"
            path.write_text(text)
            nodes = int(subprocess.run([str(counter), str(path)], capture_output=True, text=True,
                                       check=True).stdout.split()[1])
            status, model, t_mivex = run_mivex(text, 1 if args.quick else 3)
            if model is not None:
                assert check(domains, constraints, [model[f"x{i}"] for i in range(len(domains))]), name
            s_or, t_or = run_ortools(domains, constraints, args.peer_timeout)
            s_pc, t_pc = run_python_constraint(domains, constraints, args.peer_timeout)
            for peer, s in (("cp-sat", s_or), ("python-constraint", s_pc)):
                if s in ("SAT", "UNSAT") and s != status:
                    print(f"!! {name}: {peer} says {s}, mivex says {status}")
            rate = nodes / t_mivex if t_mivex > 0 else float("inf")
            mark = lambda s: "" if s in ("SAT", "UNSAT") else "+"  # '+': timed out, ratio is a lower bound
            print(f"{name:<22}{status:<7}{nodes:>9}{t_mivex:>10.4f}{rate:>11.0f}"
                  f"{t_or:>10.4f}{t_or / t_mivex:>7.1f}{mark(s_or):1}"
                  f"{t_pc:>11.4f}{t_pc / t_mivex:>8.1f}{mark(s_pc):1}", flush=True)


if __name__ == "__main__":
    main()
