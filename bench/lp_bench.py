#!/usr/bin/env python3
"""Time solve_lp_text against the exact peers glpsol --exact (Debian
glpk-utils) and esolver (Debian qsopt-ex) and HiGHS (highspy, floating
point) on the corpus LP models, and against the exact peers on a scale set
generated here, in one run, and print the time ratios.

    python bench/lp_bench.py [--corpus ../shared/corpus] [--models afiro,kb2] [--repeat 3] [--paths]
    python bench/lp_bench.py --scale [--models ring,pack20k] [--limit 60] [--timeout 60]
    python bench/lp_bench.py --scale --shrink 100     # the same models, about 100x fewer variables
    python bench/lp_bench.py --no-scale               # the corpus only
    python bench/lp_bench.py --unseen [DIR] --repeat 3  # LP models the corpus lacks (see UNSEEN_DIR)
    python bench/lp_bench.py --json FILE              # also every time per model, for bench/plots.py

Corpus: mivex is timed on solve_lp_text(text) (reading included); glpsol and
esolver on one process run reading the MPS original, given up after
--timeout seconds; HiGHS on readModel + run of the MPS original. Each time
is the best of --repeat runs. --paths adds which path of solve_lp_text
answered (the certified fast path or the pivots), from the test-only module
(MIVEX_TESTHOOK_DIR, default build/tests); it solves each model once more,
untimed.

Scale set: ring, pack5k, pack20k and transport (see SCALE_MODELS), built
from fixed seeds and written as mivex LP text and as free MPS. Every solver
runs once per model in a child process of its own; its peak memory is that
child's maximum resident set size as GNU time (/usr/bin/time, Debian package
time) reports it, so for mivex it includes the interpreter and the module
(the baseline is printed). mivex is timed on solve_lp_text(text) inside its
child and stopped after --limit seconds; a peer is timed on its whole process
and given up after --timeout seconds. A MemoryError (the module refusing or
failing to allocate) is reported as such and the run goes on. The peers are
the functions listed in SCALE_PEERS (HiGHS among them, in floating point).
"""
import argparse
import csv
import json
import math
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from fractions import Fraction
from dataclasses import dataclass, field
from pathlib import Path

import mivex
import results as saved

DEFAULT_CORPUS = Path(__file__).resolve().parents[1].parent / "shared" / "corpus"
# Netlib and other sample models that Debian's coinor-libcoinutils-dev installs
# (a dependency of coinor-libclp-dev, which the build needs).
UNSEEN_DIR = Path("/usr/share/coin/Data/Sample")


def best_of(repeat, fn):
    best, out = float("inf"), None
    for _ in range(repeat):
        start = time.perf_counter()
        out = fn()
        best = min(best, time.perf_counter() - start)
    return best, out


def read_glpsol_solution(text):
    """(status, objective) from a glpsol -o report; objective only when optimal."""
    status = re.search(r"^Status:\s+(\S+)", text, re.M)
    objective = re.search(r"^Objective:.*=\s*(\S+)", text, re.M)
    word = {"OPTIMAL": "OPTIMAL", "INFEASIBLE": "INFEASIBLE", "UNBOUNDED": "UNBOUNDED"}
    name = status.group(1) if status else "?"
    return word.get(name, name), float(objective.group(1)) if objective and name == "OPTIMAL" else None


def run_glpsol(mps, timeout):
    """glpsol reads no OBJSENSE section: drop it and pass --max instead."""
    with tempfile.TemporaryDirectory() as tmp:
        lines = Path(mps).read_text().splitlines()
        sense, kept, skip_next = [], [], False
        for line in lines:
            words = line.split()
            if words[:1] == ["OBJSENSE"]:
                sense = words[1:] or None
                skip_next = not words[1:]
                continue
            if skip_next:
                sense, skip_next = words, False
                continue
            kept.append(line)
        source = Path(tmp) / "model.mps"
        source.write_text("\n".join(kept) + "\n")
        extra = ["--max"] if sense and sense[0].upper().startswith("MAX") else []
        sol = Path(tmp) / "out.sol"
        for fmt in ("--mps", "--freemps"):
            try:
                proc = subprocess.run(["glpsol", "--exact", fmt, str(source), "-o", str(sol), *extra],
                                      capture_output=True, text=True, timeout=timeout)
            except subprocess.TimeoutExpired:
                return "TIMEOUT", None
            if proc.returncode == 0 and sol.exists():
                break
        else:
            return "ERROR", None
        return read_glpsol_solution(sol.read_text())


def read_esolver_solution(text):
    """(status, objective) from an esolver -O file; the exact value as a float."""
    status = re.search(r"^status = (\S+)", text, re.M)
    value = re.search(r"^\s*Value = (\S+)", text, re.M)
    name = status.group(1) if status else "ERROR"
    return name, float(Fraction(value.group(1))) if value and name == "OPTIMAL" else None


def run_esolver(mps, timeout):
    """esolver (QSopt_ex): an exact rational simplex."""
    with tempfile.TemporaryDirectory() as tmp:
        sol = Path(tmp) / "out.sol"
        try:
            subprocess.run(["esolver", "-O", str(sol), str(mps)], capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return "TIMEOUT", None
        return read_esolver_solution(sol.read_text() if sol.exists() else "")


def answered_by():
    """The test module's lp_answered_by, or None when it is not built."""
    directory = os.environ.get("MIVEX_TESTHOOK_DIR", str(Path(__file__).resolve().parents[1] / "build" / "tests"))
    sys.path.insert(0, directory)
    try:
        import _mivex_testhook
        return _mivex_testhook.lp_answered_by
    except ImportError:
        return None
    finally:
        sys.path.remove(directory)


def run_highs(mps):
    import highspy

    h = highspy.Highs()
    h.setOptionValue("output_flag", False)
    h.readModel(str(mps))
    h.run()
    return h.modelStatusToString(h.getModelStatus()), h.getInfo().objective_function_value


def answered(status):
    """An answer, not a give-up: TIMEOUT, ERROR, MemoryError and the like are not."""
    return status.upper() in ("OPTIMAL", "INFEASIBLE", "UNBOUNDED")


def corpus_bench(args, wanted, runs):
    if not (args.corpus / "index.csv").exists():
        print(f"no corpus at {args.corpus}: corpus models skipped")
        return
    with open(args.corpus / "index.csv", newline="") as f:
        rows = [r for r in csv.DictReader(f) if r["family"] == "lp" and (not wanted or r["file"][:-3] in wanted)]
    if not rows:
        return
    models = [(r["file"][:-3], (args.corpus / "lp" / r["file"]).read_text(), args.corpus / "mps" / r["source"])
              for r in rows]
    time_models(args, models, "corpus", runs)


def unseen_bench(args, wanted, runs):
    """LP models of --unseen's folder that the corpus does not hold, converted
    by mps_text.py as a user would."""
    import mps_text
    known = set()
    if (args.corpus / "index.csv").exists():
        with open(args.corpus / "index.csv", newline="") as f:
            known = {Path(r["source"].strip()).stem.lower() for r in csv.DictReader(f)}
    models = []
    for mps in sorted(args.unseen.glob("*.mps")):
        name = mps.stem
        if name.lower() in known or (wanted and name not in wanted):
            continue
        model = mps_text.read_mps(mps.read_text())
        # Copies of corpus models under other file names count as seen.
        if model.integer or model.other or not model.rows or model.name.lower() in known:
            continue
        text, rounded = mps_text.to_text(model)
        if rounded:
            print(f"{name}: {rounded} numbers rounded to nine decimals")
        models.append((name, text, mps))
    if not models:
        print(f"no LP models outside the corpus in {args.unseen}")
        return
    time_models(args, models, "unseen", runs)


def time_models(args, models, group, runs):
    """Times (name, text, MPS path) models: mivex on the text, the peers on the MPS."""
    have_glpsol = shutil.which("glpsol") is not None
    try:
        import highspy  # noqa: F401
        have_highs = True
    except ImportError:
        have_highs = False

    have_esolver = shutil.which("esolver") is not None
    path_of = answered_by() if args.paths else None
    header = (f"{'model':14s} {'status':10s} {'mivex s':>9s} {'glpsol s':>9s} {'esolver s':>9s} {'HiGHS s':>9s} "
              f"{'/glpsol':>8s} {'/esolver':>8s} {'/HiGHS':>8s}  {'path':9s}  agree")
    print(header)
    print("-" * len(header))
    totals = [0.0, 0.0, 0.0, 0.0]
    for name, text, mps in models:
        t_mivex, result = best_of(args.repeat, lambda: mivex.solve_lp_text(text))
        t_glp, glp = best_of(args.repeat, lambda: run_glpsol(mps, args.timeout)) if have_glpsol else (float("nan"), ("-", None))
        t_highs, highs = best_of(args.repeat, lambda: run_highs(mps)) if have_highs else (float("nan"), ("-", None))
        t_es, es = best_of(args.repeat, lambda: run_esolver(mps, args.timeout)) if have_esolver else (float("nan"), ("-", None))
        path = path_of(text) if path_of else "-"
        agree = []
        ours = result["status"]
        if glp[0] != "-":
            same = glp[0] == ours and (glp[1] is None or "objective" not in result
                                       or abs(glp[1] - result["objective"]) <= 1e-6 * max(1, abs(glp[1])))
            agree.append("glpsol" if same else f"glpsol-differs({glp[0]} {glp[1]})")
        if es[0] != "-":
            same = es[0] == ours and (es[1] is None or "objective" not in result
                                      or abs(es[1] - result["objective"]) <= 1e-9 * max(1, abs(es[1])))
            agree.append("esolver" if same else f"esolver-differs({es[0]} {es[1]})")
        if highs[0] != "-":
            word = {"Optimal": "OPTIMAL", "Infeasible": "INFEASIBLE", "Unbounded": "UNBOUNDED"}.get(highs[0], highs[0])
            same = word == ours and (word != "OPTIMAL"
                                     or abs(highs[1] - result["objective"]) <= 1e-6 * max(1, abs(highs[1])))
            agree.append("HiGHS" if same else f"HiGHS-differs({highs[0]} {highs[1]})")
        for solver, seconds, status in (("mivex", t_mivex, ours), ("glpsol", t_glp, glp[0]),
                                        ("esolver", t_es, es[0]), ("HiGHS", t_highs, highs[0])):
            if status != "-":
                runs.append({"instance": name, "group": group, "solver": solver, "status": status,
                             "seconds": seconds if answered(status) else None})
        totals[0] += t_mivex
        totals[1] += t_glp
        totals[2] += t_highs
        totals[3] += t_es
        print(f"{name:14s} {result['status']:10s} {t_mivex:9.3f} {t_glp:9.3f} {t_es:9.3f} {t_highs:9.3f} "
              f"{t_mivex / t_glp:8.2f} {t_mivex / t_es:8.2f} {t_mivex / t_highs:8.1f}  {path:9s}  {' '.join(agree)}",
              flush=True)
    print("-" * len(header))
    print(f"{'total':14s} {'':10s} {totals[0]:9.3f} {totals[1]:9.3f} {totals[3]:9.3f} {totals[2]:9.3f} "
          f"{totals[0] / totals[1]:8.2f} {totals[0] / totals[3]:8.2f} {totals[0] / totals[2]:8.1f}")


# ---------------------------------------------------------------------------
# Scale set


@dataclass
class Model:
    """An LP over non-negative variables x0..x(n-1): `sense` is "max" or
    "min", `objective` one integer per variable, `rows` a list of
    (list of (variable, coefficient), "<=" | ">=" | "=", right-hand side)."""
    name: str
    sense: str
    objective: list
    rows: list
    expected: float = None  # the optimum when it is known in closed form


def ring(n):
    """x_i + x_(i+1) <= 1 around a cycle of even length n; max the sum: n/2."""
    rows = [([(i, 1), ((i + 1) % n, 1)], "<=", 1) for i in range(n)]
    return Model(f"ring-{n}", "max", [1] * n, rows, expected=n // 2)


def packing(n, seed):
    """n x n, each column 3 nonzeros 1..9 in distinct rows (the first from a
    permutation, so no row is empty), right-hand sides 1..20, objective 1..9."""
    rng = random.Random(seed)
    first = list(range(n))
    rng.shuffle(first)
    by_row = [[] for _ in range(n)]
    for j in range(n):
        rows = {first[j]}
        while len(rows) < 3:
            rows.add(rng.randrange(n))
        for i in sorted(rows):
            by_row[i].append((j, rng.randint(1, 9)))
    objective = [rng.randint(1, 9) for _ in range(n)]
    rows = [(terms, "<=", rng.randint(1, 20)) for terms in by_row]
    return Model(f"pack-{n}", "max", objective, rows)


def transport(k, seed):
    """k supplies (rows <=) and k demands (rows >=), every supply to every
    demand, costs 1..20, total supply at least total demand; min the cost.
    Variable i*k + j ships from supply i to demand j."""
    rng = random.Random(seed)
    supply = [rng.randint(50, 150) for _ in range(k)]
    demand = [rng.randint(40, 120) for _ in range(k)]
    j = 0
    while sum(demand) > sum(supply):
        if demand[j % k] > 1:
            demand[j % k] -= 1
        j += 1
    cost = [rng.randint(1, 20) for _ in range(k * k)]
    rows = [([(i * k + j, 1) for j in range(k)], "<=", supply[i]) for i in range(k)]
    rows += [([(i * k + j, 1) for i in range(k)], ">=", demand[j]) for j in range(k)]
    return Model(f"transport-{k}x{k}", "min", cost, rows)


# name -> builder of the model with about 1/shrink of its variables
SCALE_MODELS = {
    "ring": lambda shrink: ring(2 * max(2, round(10000 / shrink))),
    "pack5k": lambda shrink: packing(max(4, round(5000 / shrink)), seed=5000),
    "pack20k": lambda shrink: packing(max(4, round(20000 / shrink)), seed=20000),
    "transport": lambda shrink: transport(max(2, round(100 / math.sqrt(shrink))), seed=100),
}


def write_mivex(model, path):
    """mivex LP text; the objective names every variable first, in order."""
    def expr(terms):
        return " + ".join(f"{c}*x{v}" for v, c in terms)

    with open(path, "w") as f:
        f.write(f"# {model.name}: {len(model.objective)} variables, {len(model.rows)} rows\n")
        f.write(f"{model.sense} {expr(enumerate(model.objective))}\n")
        for terms, op, rhs in model.rows:
            f.write(f"{expr(terms)} {op} {rhs}\n")


def write_free_mps(model, path, sense_section=False):
    """Free MPS; the sense goes to the reader's command line (glpsol reads no
    OBJSENSE section), or with sense_section into an OBJSENSE section for a
    maximisation (esolver has no such option and would minimise)."""
    columns = [[("obj", c)] if c else [] for c in model.objective]
    for i, (terms, _, _) in enumerate(model.rows):
        for v, c in terms:
            columns[v].append((f"r{i}", c))
    kind = {"<=": "L", ">=": "G", "=": "E"}
    with open(path, "w") as f:
        f.write(f"NAME {model.name}\n")
        if sense_section and model.sense == "max":
            f.write("OBJSENSE\n    MAX\n")
        f.write("ROWS\n N obj\n")
        f.writelines(f" {kind[op]} r{i}\n" for i, (_, op, _) in enumerate(model.rows))
        f.write("COLUMNS\n")
        for v, entries in enumerate(columns):
            f.writelines(f" x{v} {row} {c}\n" for row, c in entries)
        f.write("RHS\n")
        f.writelines(f" rhs r{i} {rhs}\n" for i, (_, _, rhs) in enumerate(model.rows) if rhs)
        f.write("ENDATA\n")


@dataclass
class Run:
    status: str                 # OPTIMAL, INFEASIBLE, UNBOUNDED, TIMEOUT, MemoryError, ERROR, ...
    objective: float = None
    seconds: float = None
    peak_kib: int = None        # the child's maximum resident set size
    note: str = ""


@dataclass
class Child:
    returncode: int = None      # None: stopped at the time limit
    seconds: float = 0.0        # wall-clock, start to exit
    peak_kib: int = None
    stdout: str = ""
    stderr: str = ""


TIME = "/usr/bin/time"  # GNU time (Debian package time)


def run_child(cmd, timeout):
    """Run cmd under GNU time, stop it after `timeout` seconds, and return its
    peak memory as time reports it. (The rusage of a child forked straight
    from this interpreter would start from the interpreter's own peak, since
    the kernel carries a process's peak across exec.)"""
    with tempfile.TemporaryDirectory() as tmp:
        usage = Path(tmp) / "usage"
        with open(Path(tmp) / "out", "w+") as out, open(Path(tmp) / "err", "w+") as err:
            start = time.perf_counter()
            proc = subprocess.Popen([TIME, "-f", "%M", "-o", str(usage), *cmd], stdout=out, stderr=err,
                                    stdin=subprocess.DEVNULL, start_new_session=True)
            stopped = False
            try:
                proc.wait(timeout)
            except subprocess.TimeoutExpired:
                stopped = True
                # Stop the solver, not time, so that time still reports its peak.
                try:
                    children = Path(f"/proc/{proc.pid}/task/{proc.pid}/children").read_text().split()
                except OSError:
                    children = []
                for pid in children:
                    try:
                        os.kill(int(pid), signal.SIGKILL)
                    except ProcessLookupError:
                        pass
                try:
                    proc.wait(10)
                except subprocess.TimeoutExpired:
                    os.killpg(proc.pid, signal.SIGKILL)
                    proc.wait()
            seconds = time.perf_counter() - start
            out.seek(0)
            err.seek(0)
            words = usage.read_text().split() if usage.exists() else []
            peak = int(words[-1]) if words and words[-1].isdigit() else None
            return Child(None if stopped else proc.returncode, seconds, peak, out.read(), err.read())


MIVEX_CHILD = r"""
import json, sys, time
import mivex
text = open(sys.argv[1]).read()
start = time.perf_counter()
try:
    result = mivex.solve_lp_text(text)
    out = {"status": result["status"], "objective": result.get("objective")}
except MemoryError as error:
    out = {"status": "MemoryError", "note": str(error)}
out["seconds"] = time.perf_counter() - start
print(json.dumps(out))
"""


def run_mivex_child(lp_path, limit):
    child = run_child([sys.executable, "-c", MIVEX_CHILD, str(lp_path)], limit)
    if child.returncode is None:
        return Run("TIMEOUT", seconds=limit, peak_kib=child.peak_kib)
    if child.returncode != 0:
        last = (child.stderr.strip().splitlines() or [f"exit {child.returncode}"])[-1]
        return Run("ERROR", seconds=child.seconds, peak_kib=child.peak_kib, note=last[:120])
    out = json.loads(child.stdout.strip().splitlines()[-1])
    return Run(out["status"], out.get("objective"), out["seconds"], child.peak_kib, out.get("note", ""))


def run_scale_peer(command_for, read_solution, timeout):
    """Run a peer that writes its solution to the file command_for(path) names."""
    with tempfile.TemporaryDirectory() as tmp:
        sol = Path(tmp) / "out.sol"
        child = run_child(command_for(sol), timeout)
        if child.returncode is None:
            return Run("TIMEOUT", seconds=timeout, peak_kib=child.peak_kib)
        if child.returncode != 0 or not sol.exists():
            return Run("ERROR", seconds=child.seconds, peak_kib=child.peak_kib, note=f"exit {child.returncode}")
        status, objective = read_solution(sol.read_text())
        return Run(status, objective, child.seconds, child.peak_kib)


def run_glpsol_scale(model, files, timeout):
    return run_scale_peer(lambda sol: ["glpsol", "--exact", "--freemps", str(files["mps"]), f"--{model.sense}",
                                       "-o", str(sol)], read_glpsol_solution, timeout)


def run_esolver_scale(model, files, timeout):
    return run_scale_peer(lambda sol: ["esolver", "-O", str(sol), str(files["sensed_mps"])],
                          read_esolver_solution, timeout)


HIGHS_CHILD = r"""
import sys, highspy
h = highspy.Highs()
h.setOptionValue("output_flag", False)
h.readModel(sys.argv[1])
h.run()
word = {"Optimal": "OPTIMAL", "Infeasible": "INFEASIBLE", "Unbounded": "UNBOUNDED"}
status = h.modelStatusToString(h.getModelStatus())
with open(sys.argv[2], "w") as f:
    f.write(f"{word.get(status, status)} {h.getInfo().objective_function_value!r}\n")
"""


def run_highs_scale(model, files, timeout):
    def read(text):
        status, value = text.rsplit(maxsplit=1)
        return status, float(value) if status == "OPTIMAL" else None
    return run_scale_peer(lambda sol: [sys.executable, "-c", HIGHS_CHILD, str(files["sensed_mps"]), str(sol)],
                          read, timeout)


def have_highs():
    try:
        import highspy  # noqa: F401
        return True
    except ImportError:
        return False


# (column name, runner(model, files, timeout) -> Run, available?)
SCALE_PEERS = [
    ("glpsol", run_glpsol_scale, lambda: shutil.which("glpsol") is not None),
    ("esolver", run_esolver_scale, lambda: shutil.which("esolver") is not None),
    ("HiGHS", run_highs_scale, have_highs),
]


def agrees(ours, theirs):
    if ours.status != theirs.status:
        return False
    if ours.objective is None or theirs.objective is None:
        return True
    return abs(ours.objective - theirs.objective) <= 1e-9 * max(1.0, abs(theirs.objective))


def mib(kib):
    return "-" if kib is None else f"{kib / 1024:.0f}"


def secs(run, limit):
    if run.status == "TIMEOUT":
        return f">{limit:g}"
    return "-" if run.seconds is None else f"{run.seconds:.2f}"


def ratio(a, b):
    return f"{a / b:.2f}" if a is not None and b else "-"


def scale_bench(args, wanted, runs):
    names = [n for n in SCALE_MODELS if not wanted or n in wanted]
    if not names:
        return
    if not Path(TIME).exists():
        sys.exit(f"the scale set measures memory with {TIME}: apt-get install time (scripts/ensure-deps.sh bench)")
    chosen = None if args.peers is None else {p for p in args.peers.split(",") if p}
    peers = [(name, run) for name, run, available in SCALE_PEERS
             if (chosen is None or name in chosen) and available()]
    with tempfile.TemporaryDirectory() as tmp:
        folder = Path(args.write or tmp)
        folder.mkdir(parents=True, exist_ok=True)
        trivial = folder / "trivial.lp"
        trivial.write_text("max x0\nx0 <= 1\n")
        base = run_mivex_child(trivial, args.limit)
        print(f"scale set (shrink {args.shrink:g}); mivex limit {args.limit:g} s, peer timeout {args.timeout:g} s; "
              f"memory is the child's peak RSS in MiB, the mivex child's baseline (interpreter and module) "
              f"is {mib(base.peak_kib)} MiB; load average {os.getloadavg()[0]:.2f}")
        cols = [f"{'model':18s} {'rows':>6s} {'vars':>6s} {'mivex':12s} {'s':>8s} {'MiB':>6s}"]
        for peer, _ in peers:
            cols.append(f"{peer + ' s':>9s} {'MiB':>6s} {'t/' + peer:>9s} {'m/' + peer:>9s}")
        header = " ".join(cols) + "  agree"
        print(header)
        print("-" * len(header))
        for name in names:
            model = SCALE_MODELS[name](args.shrink)
            files = {"lp": folder / f"{model.name}.lp", "mps": folder / f"{model.name}.mps",
                     "sensed_mps": folder / f"{model.name}.sensed.mps"}
            write_mivex(model, files["lp"])
            write_free_mps(model, files["mps"])
            write_free_mps(model, files["sensed_mps"], sense_section=True)
            ours = run_mivex_child(files["lp"], args.limit)
            keep = lambda solver, run: runs.append({
                "instance": model.name, "group": "scale", "solver": solver, "status": run.status,
                "seconds": run.seconds if answered(run.status) else None, "peak_kib": run.peak_kib})
            keep("mivex", ours)
            line = (f"{model.name:18s} {len(model.rows):6d} {len(model.objective):6d} {ours.status[:12]:12s} "
                    f"{secs(ours, args.limit):>8s} {mib(ours.peak_kib):>6s}")
            agree, notes = [], [f"mivex: {ours.note}"] if ours.note else []
            if model.expected is not None and ours.objective is not None:
                agree.append("known" if abs(ours.objective - model.expected) <= 1e-9 * model.expected
                             else f"known-differs({model.expected})")
            for peer, run in peers:
                theirs = run(model, files, args.timeout)
                keep(peer, theirs)
                solved = ours.status == "OPTIMAL" and theirs.status not in ("TIMEOUT", "ERROR")
                line += (f" {secs(theirs, args.timeout):>9s} {mib(theirs.peak_kib):>6s} "
                         f"{ratio(ours.seconds, theirs.seconds) if solved else '-':>9s} "
                         f"{ratio(ours.peak_kib, theirs.peak_kib) if solved else '-':>9s}")
                if theirs.status in ("TIMEOUT", "ERROR"):
                    notes.append(f"{peer}: {theirs.status} {theirs.note}".strip())
                elif ours.status in ("OPTIMAL", "INFEASIBLE", "UNBOUNDED"):
                    agree.append(peer if agrees(ours, theirs)
                                 else f"{peer}-differs({theirs.status} {theirs.objective})")
            print(line + "  " + " ".join(agree), flush=True)
            for note in notes:
                print(f"    {note}", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--corpus", type=Path, default=DEFAULT_CORPUS)
    parser.add_argument("--models", default="",
                        help="comma-separated model names, corpus or scale set (ring, pack5k, pack20k, transport); "
                             "default: all")
    parser.add_argument("--repeat", type=int, default=1, help="corpus: best of this many runs")
    parser.add_argument("--timeout", type=float, default=60.0,
                        help="seconds before a peer run is given up (corpus: its time then reads as this limit)")
    parser.add_argument("--paths", action="store_true", help="corpus: say which path of solve_lp_text answered")
    which = parser.add_mutually_exclusive_group()
    which.add_argument("--scale", action="store_true", help="run only the scale set")
    which.add_argument("--no-scale", action="store_true", help="run only the corpus")
    which.add_argument("--unseen", type=Path, nargs="?", const=UNSEEN_DIR, metavar="DIR",
                       help=f"run only the LP models of DIR (default {UNSEEN_DIR}) that the corpus lacks, "
                            "converted by bench/mps_text.py")
    parser.add_argument("--limit", type=float, default=60.0, help="scale set: seconds before mivex is stopped")
    parser.add_argument("--shrink", type=float, default=1.0,
                        help="scale set: build every model with about this many times fewer variables")
    parser.add_argument("--peers", help="scale set: comma-separated peers to run (default: every one installed; "
                                            "'' for none): " + ", ".join(name for name, _, _ in SCALE_PEERS))
    parser.add_argument("--write", type=Path, help="scale set: keep the model files in this folder")
    parser.add_argument("--json", type=Path, help="write every solver's time per model here")
    args = parser.parse_args()

    wanted = {m[:-3] if m.endswith(".lp") else m for m in args.models.split(",") if m}
    runs = []
    if args.unseen:
        unseen_bench(args, wanted, runs)
    elif not args.scale:
        corpus_bench(args, wanted, runs)
    if not args.no_scale and not args.unseen:
        if not args.scale:
            print()
        scale_bench(args, wanted, runs)
    if args.json:
        saved.write(args.json, "lp", runs, timeout=args.timeout, limit=args.limit, shrink=args.shrink)
    return 0


if __name__ == "__main__":
    sys.exit(main())
