"""mivex_exact: exact reading, certificates that check() verifies (and
rejects when tampered with), linprog's input conventions, and solves that
release the GIL yet still stop at Ctrl-C."""
import gzip
import threading
import time
from fractions import Fraction

import pytest

mivex_exact = pytest.importorskip("mivex_exact")
from mivex_exact import CheckError, linprog, read_lp_text, read_mps, solve  # noqa: E402

SMALL = """NAME small
ROWS
 N  cost
 L  cap
 G  need
COLUMNS
    x  cost  0.1  cap  1
    x  need  1
    y  cost  0.2  cap  1
    y  need  3
RHS
    rhs  cap  10  need  0.3333333333333333333333333333333333333333
ENDATA
"""


def test_numbers_are_exact_from_their_decimal_text():
    result = solve(read_mps(SMALL))
    result.check()
    assert result.status == "OPTIMAL"
    need = Fraction("0.3333333333333333333333333333333333333333")
    # y costs 0.2 per 3 units of need, x 0.1 per unit: y is cheaper.
    assert result.x == {"x": 0, "y": need / 3}
    assert result.objective == Fraction(2, 10) * need / 3
    assert result.duals["need"] == Fraction(1, 15)
    assert result.reduced_costs["x"] == Fraction(1, 10) - Fraction(1, 15)


def test_read_mps_takes_paths_gzip_and_bytes(tmp_path):
    plain = tmp_path / "small.mps"
    plain.write_text(SMALL)
    packed = tmp_path / "small.mps.gz"
    packed.write_bytes(gzip.compress(SMALL.encode()))
    objectives = {solve(read_mps(source)).objective
                  for source in (SMALL, str(plain), plain, packed, SMALL.encode(), gzip.compress(SMALL.encode()))}
    assert len(objectives) == 1


def test_malformed_mps_names_the_line():
    with pytest.raises(ValueError, match=r"^line 10: unknown row 'nowhere'$"):
        read_mps(SMALL.replace("y  need  3", "y  nowhere  3"))
    with pytest.raises(ValueError, match="ENDATA"):
        read_mps(SMALL.replace("ENDATA\n", ""))


def test_read_lp_text_matches_mivex():
    mivex = pytest.importorskip("mivex")
    text = "max 3*x0 + 2*x1\nx0 + x1 <= 4\nx0 + 3*x1 <= 6\nx0 <= 3\n"
    result = solve(read_lp_text(text))
    result.check()
    assert float(result.objective) == mivex.solve_lp_text(text)["objective"]
    assert result.x == {"x0": 3, "x1": 1}


def test_mps_bounds_and_ranges_reach_the_solver():
    text = """NAME b
OBJSENSE
    MAX
ROWS
 N obj
 E r
COLUMNS
    a obj 1 r 1
    b obj 1 r 1
    c obj -1
RHS
    rhs r 2
RANGES
    rng r 3
BOUNDS
 MI bnd a
 UP bnd a 1.5
 LO bnd b -4
 UP bnd b 2
 FX bnd c -7
ENDATA
"""
    result = solve(read_mps(text))
    result.check()
    # r = a + b in [2, 5] (an E row with a positive range), a <= 1.5, b <= 2.
    assert result.objective == Fraction(3, 2) + 2 + 7
    assert result.x["c"] == -7


def tampered(result, field, key, value):
    getattr(result, field + "_list")[key] = value
    return result


def test_check_rejects_tampered_duals_and_reduced_costs(corpus):
    model = read_mps(corpus / "mps" / "afiro.mps")
    solve(model).check()
    for field in ("duals", "reduced_costs"):
        size = len(getattr(solve(model), field + "_list"))
        for k in range(size):
            result = solve(model)
            changed = getattr(result, field + "_list")[k] + Fraction(1, 7)
            with pytest.raises(CheckError):
                tampered(result, field, k, changed).check()


def test_check_rejects_tampered_farkas_and_ray():
    infeasible = read_mps("NAME i\nROWS\n N c\n L r\nCOLUMNS\n x r 1\n y r 1\nRHS\n rhs r -1\nENDATA\n")
    result = solve(infeasible)
    result.check()
    assert result.status == "INFEASIBLE" and result.farkas["r"] < 0
    for value in (0, 1):
        with pytest.raises(CheckError):
            tampered(solve(infeasible), "farkas", 0, Fraction(value)).check()
    unbounded = read_mps("NAME u\nROWS\n N c\n L r\nCOLUMNS\n x c -1 r 1\n y c -1 r -1\nRHS\n rhs r 1\nENDATA\n")
    result = solve(unbounded)
    result.check()
    assert result.status == "UNBOUNDED"
    for k in range(2):
        with pytest.raises(CheckError):
            tampered(solve(unbounded), "ray", k, Fraction(-1)).check()
    with pytest.raises(CheckError):
        tampered(solve(unbounded), "x", 0, Fraction(-1)).check()


def test_check_rejects_a_wrong_objective_and_a_fractional_integer():
    result = linprog([-1, -1], A_ub=[[2, 2]], b_ub=[3], integrality=[1, 1])
    result.check()
    assert result.fun == -1 and result.exact_status == "OPTIMAL"
    result.result.objective -= 1
    with pytest.raises(CheckError):
        result.check()
    result = linprog([-1, -1], A_ub=[[2, 2]], b_ub=[3], integrality=[1, 1])
    result.result.x_list[0] = Fraction(1, 2)
    with pytest.raises(CheckError):
        result.check()


def test_linprog_inputs_mean_the_same_exact_numbers():
    np = pytest.importorskip("numpy")
    sparse = pytest.importorskip("scipy.sparse")
    expected = linprog([1, 1], A_ub=[[-1, -2]], b_ub=[Fraction(-1, 10)], bounds=(0, None))
    forms = [
        dict(c=[1.0, 1.0], A_ub=[[-1.0, -2.0]], b_ub=[-0.1]),
        dict(c=["1", "1"], A_ub=[["-1", "-2"]], b_ub=["-0.1"]),
        dict(c=np.array([1, 1]), A_ub=np.array([[-1.0, -2.0]]), b_ub=np.array([-0.1])),
        dict(c=np.array([1, 1], dtype=object), A_ub=np.array([[Fraction(-1), -2]], dtype=object), b_ub=["-1/10"]),
        dict(c=[1, 1], A_ub=sparse.csr_matrix(np.array([[-1.0, -2.0]])), b_ub=[-0.1]),
    ]
    for form in forms:
        result = linprog(**form)
        result.check()
        assert result.fun == expected.fun == Fraction(1, 20)
        assert result.x == [0, Fraction(1, 20)]
        assert result.ineqlin["marginals"] == [Fraction(-1, 2)]
    with pytest.raises(ValueError):
        linprog([float("nan")])
    with pytest.raises(TypeError):
        linprog([object()])


def test_milp_limits_report_a_point_and_a_bound(corpus):
    model = read_mps(corpus / "mps" / "p0201.mps")
    result = solve(model, node_limit=30)
    result.check()
    assert result.status in ("FEASIBLE", "UNKNOWN") and result.nodes == 30
    assert result.bound <= 7615
    again = solve(model, node_limit=30)
    assert (again.status, again.objective, again.bound, again.x) == (result.status, result.objective, result.bound,
                                                                     result.x)
    assert solve(model, time_limit=0).status == "UNKNOWN"


def test_solves_in_four_threads_overlap_and_agree(corpus):
    from concurrent.futures import ThreadPoolExecutor

    model = read_mps(corpus / "mps" / "misc03.mps")

    def run(_):
        start = time.perf_counter()
        result = solve(model, node_limit=150)
        return result, (start, time.perf_counter())

    start = time.perf_counter()
    serial = solve(model, node_limit=150)
    single = time.perf_counter() - start
    longest_gap = 0.0
    start = last = time.perf_counter()
    with ThreadPoolExecutor(4) as pool:
        futures = [pool.submit(run, k) for k in range(4)]
        while not all(f.done() for f in futures):
            time.sleep(0.002)
            now = time.perf_counter()
            longest_gap, last = max(longest_gap, now - last), now
    answers = [f.result() for f in futures]
    for result, _ in answers:
        assert (result.status, result.objective, result.bound, result.x) == (
            serial.status, serial.objective, serial.bound, serial.x)
    # Python kept running beside the solves: none held the GIL throughout.
    assert longest_gap < single / 2, (longest_gap, single)
    # All four were under way at once.
    assert max(s for _, (s, _) in answers) < min(e for _, (_, e) in answers)


def test_ctrl_c_stops_a_long_solve(corpus, sigint_during):
    model = read_mps(corpus / "mps" / "noswot.mps")
    start = time.perf_counter()
    sigint_during(solve, model, delay=0.5)
    assert time.perf_counter() - start < 1.5


def test_extension_exports_only_its_init_function_and_the_package_type_checks(tmp_path):
    import subprocess
    import sys
    import textwrap

    import mivex
    from mivex_exact._native import native

    # The compiled half shares mivex's file, which exports the two init functions alone.
    assert native.__file__ == mivex.__file__
    listed = subprocess.run(["nm", "-D", "--defined-only", native.__file__], capture_output=True, text=True)
    functions = [line.split()[2] for line in listed.stdout.splitlines() if line.split()[1] in ("T", "t", "W", "i")]
    assert sorted(functions) == ["PyInit__mivex_exact", "PyInit_mivex"], listed.stdout
    pytest.importorskip("mypy")
    program = tmp_path / "good.py"
    program.write_text(textwrap.dedent(
        """
        from fractions import Fraction
        from typing import Optional
        import mivex_exact

        result = mivex_exact.solve(mivex_exact.read_lp_text("min x0\\n"), node_limit=10)
        objective: Optional[Fraction] = result.objective
        status: str = result.status
        res = mivex_exact.linprog([1, 2], bounds=(0, None))
        """
    ))
    bad = tmp_path / "bad.py"
    bad.write_text("import mivex_exact\nnodes: str = mivex_exact.solve(mivex_exact.read_mps(b'')).nodes\n")
    import os
    from pathlib import Path

    env = dict(os.environ)
    package_root = Path(mivex_exact.__file__).resolve().parents[1]
    if "-packages" not in package_root.name:  # a source tree: mypy reads only installed packages by itself
        env["MYPYPATH"] = str(package_root)
    mypy = [sys.executable, "-m", "mypy", "--strict", "--no-incremental"]
    checked = subprocess.run([*mypy, str(program)], capture_output=True, text=True, cwd=tmp_path, env=env)
    rejected = subprocess.run([*mypy, str(bad)], capture_output=True, text=True, cwd=tmp_path, env=env)
    assert rejected.returncode == 1 and 'expression has type "int"' in rejected.stdout, rejected.stdout
    assert checked.returncode == 0, checked.stdout


def test_pulp_adapter_gives_exact_values():
    pulp = pytest.importorskip("pulp")
    from mivex_exact.pulp_solver import MivexExact

    problem = pulp.LpProblem("plan", pulp.LpMaximize)
    x = pulp.LpVariable("x", 0)
    y = pulp.LpVariable("y", -1, 3)
    problem += 3 * x + 2 * y + 1
    problem += x + y <= 4, "cap"
    problem += x + 3 * y <= 6, "mix"
    problem += 3 * x <= 10, "third"
    solver = MivexExact()
    assert pulp.LpStatus[problem.solve(solver)] == "Optimal"
    solver.result.check()
    assert (x.varValue, y.varValue) == (Fraction(10, 3), Fraction(2, 3))
    assert pulp.value(problem.objective) == Fraction(37, 3)
    held = problem.constraints
    constraints = held() if callable(held) else held.values()  # a list from PuLP 3.3 on
    assert [c.pi for c in constraints] == [2, 0, Fraction(1, 3)]
    problem += x + y >= 5, "impossible"
    assert pulp.LpStatus[problem.solve(MivexExact())] == "Infeasible"
    knapsack = pulp.LpProblem("knapsack", pulp.LpMaximize)
    items = [pulp.LpVariable(f"i{k}", 0, 1, cat="Integer") for k in range(4)]
    knapsack += pulp.lpSum(v * item for v, item in zip([5, 4, 3, 2], items))
    knapsack += pulp.lpSum(w * item for w, item in zip([0.4, 0.3, 0.2, 0.1], items)) <= 0.6
    assert pulp.LpStatus[knapsack.solve(MivexExact(node_limit=100))] == "Optimal"
    assert pulp.value(knapsack.objective) == 9  # 0.4 + 0.2 fits exactly: 0.1 is 1/10
