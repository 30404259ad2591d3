#!/usr/bin/env python3
"""Time solve_lp_text against the exact peers glpsol --exact (Debian
glpk-utils) and esolver (Debian qsopt-ex) and HiGHS (highspy, floating
point) on the corpus LP models, in one run, and print the time ratios.

    python bench/lp_bench.py [--corpus ../shared/corpus] [--models afiro,kb2] [--repeat 3] [--paths]

mivex is timed on solve_lp_text(text) (reading included); glpsol and
esolver on one process run reading the MPS original, given up after
--timeout seconds; HiGHS on readModel + run of the MPS original. Each time
is the best of --repeat runs. --paths adds which path of solve_lp_text
answered (the certified fast path or the pivots), from the test-only module
built by scripts/test.sh (build/tests, or MIVEX_TESTHOOK_DIR); it solves
each model once more, untimed.
"""
import argparse
import csv
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from fractions import Fraction
from pathlib import Path

import mivex

DEFAULT_CORPUS = Path(__file__).resolve().parents[1].parent / "shared" / "corpus"


def best_of(repeat, fn):
    best, out = float("inf"), None
    for _ in range(repeat):
        start = time.perf_counter()
        out = fn()
        best = min(best, time.perf_counter() - start)
    return best, out


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
        text = sol.read_text()
    status = re.search(r"^Status:\s+(\S+)", text, re.M)
    objective = re.search(r"^Objective:.*=\s*(\S+)", text, re.M)
    word = {"OPTIMAL": "OPTIMAL", "INFEASIBLE": "INFEASIBLE", "UNBOUNDED": "UNBOUNDED"}
    name = status.group(1) if status else "?"
    return word.get(name, name), float(objective.group(1)) if objective and name == "OPTIMAL" else None


def run_esolver(mps, timeout):
    """esolver (QSopt_ex): exact rational simplex; status and exact value."""
    with tempfile.TemporaryDirectory() as tmp:
        sol = Path(tmp) / "out.sol"
        try:
            subprocess.run(["esolver", "-O", str(sol), str(mps)], capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return "TIMEOUT", None
        text = sol.read_text() if sol.exists() else ""
    status = re.search(r"^status = (\S+)", text, re.M)
    value = re.search(r"^\s*Value = (\S+)", text, re.M)
    name = status.group(1) if status else "ERROR"
    return name, float(Fraction(value.group(1))) if value and name == "OPTIMAL" else None


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


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--corpus", type=Path, default=DEFAULT_CORPUS)
    parser.add_argument("--models", default="", help="comma-separated model names (default: all LP models)")
    parser.add_argument("--repeat", type=int, default=1)
    parser.add_argument("--timeout", type=float, default=60.0,
                        help="seconds before a glpsol or esolver run is given up (its time then reads as this limit)")
    parser.add_argument("--paths", action="store_true", help="say which path of solve_lp_text answered")
    args = parser.parse_args()
    path_of = answered_by() if args.paths else None
    have_esolver = shutil.which("esolver") is not None

    wanted = {m if m.endswith(".lp") else m + ".lp" for m in args.models.split(",") if m}
    with open(args.corpus / "index.csv", newline="") as f:
        rows = [r for r in csv.DictReader(f) if r["family"] == "lp" and (not wanted or r["file"] in wanted)]
    have_glpsol = shutil.which("glpsol") is not None
    try:
        import highspy  # noqa: F401
        have_highs = True
    except ImportError:
        have_highs = False

    header = (f"{'model':14s} {'status':10s} {'mivex s':>9s} {'glpsol s':>9s} {'esolver s':>9s} {'HiGHS s':>9s} "
              f"{'/glpsol':>8s} {'/esolver':>8s} {'/HiGHS':>8s}  {'path':9s}  agree")
    print(header)
    print("-" * len(header))
    totals = [0.0, 0.0, 0.0, 0.0]
    for row in rows:
        text = (args.corpus / "lp" / row["file"]).read_text()
        mps = args.corpus / "mps" / row["source"]
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
        totals[0] += t_mivex
        totals[1] += t_glp
        totals[2] += t_highs
        totals[3] += t_es
        print(f"{row['file'][:-3]:14s} {result['status']:10s} {t_mivex:9.3f} {t_glp:9.3f} {t_es:9.3f} {t_highs:9.3f} "
              f"{t_mivex / t_glp:8.2f} {t_mivex / t_es:8.2f} {t_mivex / t_highs:8.1f}  {path:9s}  {' '.join(agree)}",
              flush=True)
    print("-" * len(header))
    print(f"{'total':14s} {'':10s} {totals[0]:9.3f} {totals[1]:9.3f} {totals[3]:9.3f} {totals[2]:9.3f} "
          f"{totals[0] / totals[1]:8.2f} {totals[0] / totals[3]:8.2f} {totals[0] / totals[2]:8.1f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
