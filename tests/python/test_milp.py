"""Branch and bound through solve_milp_text: fixed examples, a differential
check against HiGHS, and the MIPLIB-style corpus."""
import csv
import random
from fractions import Fraction

import pytest

import mivex

ROAD = "max x0 + x1\n2*x0 + 2*x1 <= 3\nint x0\nint x1\n"


def test_the_two_variable_road():
    assert mivex.solve_milp_text(ROAD) == {"status": "OPTIMAL", "model": {"x0": 1, "x1": 0}, "objective": 1.0}


def test_without_integer_marks_it_is_the_lp():
    text = "max 3*x0 + 2*x1\nx0 + x1 <= 4.5\nx0 + 3*x1 <= 6\n"
    assert mivex.solve_milp_text(text) == mivex.solve_lp_text(text)


def test_an_integer_declared_for_a_constraint_variable_is_honoured():
    result = mivex.solve_milp_text("max x0\nx0 + x1 <= 3.5\nx0 - x1 <= 0.5\nint x1\n")
    assert result["status"] == "OPTIMAL"
    assert type(result["model"]["x1"]) is int
    assert result == {"status": "OPTIMAL", "model": {"x0": 1.5, "x1": 1}, "objective": 1.5}


def test_a_root_within_tolerance_is_returned_as_is():
    result = mivex.solve_milp_text("max x0\nx0 <= 2.000000005\nint x0\n")
    assert result == {"status": "OPTIMAL", "model": {"x0": 2.000000005}, "objective": 2.000000005}


def test_root_statuses_pass_through():
    assert mivex.solve_milp_text("max x0\nint x0\n") == {"status": "UNBOUNDED"}
    assert mivex.solve_milp_text("x0 >= 2\nx0 <= 1\nint x0\n") == {"status": "INFEASIBLE"}


def odd_sum(n):
    """2*(x0 + ... + x{n-1}) = n over 0/1 integers (n odd): no integral
    point, and a search tree that grows with n."""
    return ("min x0\n" + " + ".join(f"2*x{i}" for i in range(n)) + f" = {n}\n"
            + "".join(f"x{i} <= 1\nint x{i}\n" for i in range(n)))


def test_every_node_infeasible():
    # Below the limit: both children of x0 = 1/2 are infeasible.
    assert mivex.solve_milp_text("2*x0 = 1\nint x0\n") == {"status": "INFEASIBLE"}
    assert mivex.solve_milp_text(odd_sum(3)) == {"status": "INFEASIBLE"}
    # At the limit the search stops without an answer.
    assert mivex.solve_milp_text(odd_sum(13)) == {"status": "UNKNOWN (resource limit)"}


def knapsack(seed, n=30):
    """A 0/1 knapsack with values close to the weights: its search tree is far
    wider than the node limit."""
    rng = random.Random(seed)
    weights = [rng.randint(20, 60) for _ in range(n)]
    values = [w + rng.randint(-5, 5) for w in weights]
    return ("max " + " + ".join(f"{v}*x{i}" for i, v in enumerate(values)) + "\n"
            + " + ".join(f"{w}*x{i}" for i, w in enumerate(weights)) + f" <= {sum(weights) // 2}\n"
            + "".join(f"x{i} <= 1\nint x{i}\n" for i in range(n)))


def test_feasible_on_a_generated_model_at_the_node_limit():
    text = knapsack(0)
    result = mivex.solve_milp_text(text)
    assert result["status"] == "FEASIBLE" and "objective" not in result
    check_model(text, result["model"])


def test_feasible_when_the_limit_leaves_better_nodes_open(corpus):
    # knap30 stops at the node limit with an incumbent while open nodes could
    # still improve on it: a valid point, not a claimed optimum.
    text = (corpus / "milp" / "knap30.lp").read_text()
    result = mivex.solve_milp_text(text)
    assert result["status"] == "FEASIBLE" and "objective" not in result
    check_model(text, result["model"])


# ---------------------------------------------------------------------------
# Exact checking of a model against LP text (the format as the tests write it).

def parse_simple(text):
    """(sense, objective, constraints, integers) of the texts these tests write:
    terms `c*xK`, one number on the right."""
    sense, objective, constraints, integers = None, {}, [], set()

    def terms(expr):
        out = {}
        for piece in expr.replace("- ", "+ -").split("+"):
            piece = piece.strip()
            if not piece:
                continue
            coef, _, var = piece.rpartition("*")
            coef = coef or ("-1" if var.startswith("-") else "1")
            var = var.lstrip("-")
            out[int(var[1:])] = out.get(int(var[1:]), 0) + Fraction(coef)
        return out

    for line in text.splitlines():
        line = line.strip()
        if not line or line[0] in "#c" or line == "end":
            continue
        if line[:4] in ("min ", "max "):
            sense, objective = line[:3], terms(line[4:])
        elif line.startswith("int "):
            integers.add(int(line[5:]))
        else:
            for op in ("<=", ">=", "="):
                if op in line:
                    lhs, rhs = line.split(op, 1)
                    constraints.append((terms(lhs), op, Fraction(rhs.strip().rstrip(";"))))
                    break
    return sense, objective, constraints, integers


def check_model(text, model):
    _, _, constraints, integers = parse_simple(text)
    value = {int(k[1:]): Fraction(v) for k, v in model.items()}
    for terms, op, rhs in constraints:
        lhs = sum(c * value.get(v, 0) for v, c in terms.items())
        # Model floats carry at most double precision: allow that much.
        slack = 1e-9 * (1 + abs(rhs))
        assert {"<=": lhs <= rhs + slack, ">=": lhs >= rhs - slack, "=": abs(lhs - rhs) <= slack}[op]
    for v in integers:
        assert abs(value.get(v, 0) - round(value.get(v, 0))) < 1e-8


def random_milp(rng):
    n = rng.randint(2, 6)
    m = rng.randint(1, 5)
    sense = rng.choice(["max", "min"])
    cost = [rng.randint(-9, 9) for _ in range(n)]
    rows = []
    for _ in range(m):
        a = [rng.randint(-6, 9) for _ in range(n)]
        op = rng.choice(["<=", "<=", ">=", "="])
        b = Fraction(rng.randint(-4, 30), rng.choice([1, 2, 4]))  # exact in decimal
        rows.append((a, op, b))
    upper = [rng.randint(1, 8) for _ in range(n)]
    integer = [rng.random() < 0.7 for _ in range(n)]
    lines = [f"{sense} " + " + ".join(f"{c}*x{j}" for j, c in enumerate(cost))]
    for a, op, b in rows:
        lines.append(" + ".join(f"{c}*x{j}" for j, c in enumerate(a)) + f" {op} {float(b)!r}")
    lines += [f"1*x{j} <= {u}" for j, u in enumerate(upper)]
    lines += [f"int x{j}" for j in range(n) if integer[j]]
    return "\n".join(lines) + "\n", (sense, cost, rows, upper, integer)


def highs_milp(sense, cost, rows, upper, integer):
    """HiGHS's status name and objective for the model, solved to a zero gap
    (through highspy, so every Python gets the same HiGHS)."""
    import highspy
    import numpy as np

    h = highspy.Highs()
    h.setOptionValue("output_flag", False)
    h.setOptionValue("mip_rel_gap", 0.0)
    inf = highspy.kHighsInf
    for j, (c, u) in enumerate(zip(cost, upper)):
        h.addVar(0, u)
        h.changeColCost(j, c)
        if integer[j]:
            h.changeColIntegrality(j, highspy.HighsVarType.kInteger)
    if sense == "max":
        h.changeObjectiveSense(highspy.ObjSense.kMaximize)
    for a, op, b in rows:
        lo = -inf if op == "<=" else float(b)
        hi = inf if op == ">=" else float(b)
        h.addRow(lo, hi, len(a), np.arange(len(a), dtype=np.int32), np.array(a, float))
    h.run()
    return h.modelStatusToString(h.getModelStatus()), h.getInfo().objective_function_value


def test_differential_against_highs():
    pytest.importorskip("highspy")
    rng = random.Random(11)
    agreed = 0
    for _ in range(300):
        text, model = random_milp(rng)
        result = mivex.solve_milp_text(text)
        status, objective = highs_milp(*model)
        if result["status"] == "OPTIMAL":
            assert status == "Optimal", text
            # HiGHS works to a feasibility tolerance of 1e-7; mivex is exact.
            assert result["objective"] == pytest.approx(objective, rel=1e-6, abs=1e-6), text
            check_model(text, result["model"])
            agreed += 1
        elif result["status"] == "INFEASIBLE":
            assert status == "Infeasible", text
            agreed += 1
        elif result["status"] == "FEASIBLE":
            check_model(text, result["model"])
        else:
            assert result["status"] == "UNKNOWN (resource limit)", text
    assert agreed > 250


def corpus_rows(corpus):
    with open(corpus / "index.csv") as index:
        return [row for row in csv.DictReader(index) if row["family"] == "milp"]


# Models whose search takes at most a few seconds; the benchmark runs them all.
QUICK = {"assign5.lp", "assign8.lp", "exmip1.lp", "facility5_10.lp", "flugpl.lp", "knap20.lp",
         "knap30.lp", "pack1.lp", "scOneInt.lp", "setcover12_20.lp", "tp3.lp", "tp4.lp"}


def test_corpus_models(corpus):
    for row in corpus_rows(corpus):
        if row["file"] not in QUICK:
            continue
        text = (corpus / "milp" / row["file"]).read_text()
        result = mivex.solve_milp_text(text)
        if result["status"] == "OPTIMAL":
            assert row["expected_status"] == "OPTIMAL", row
            assert result["objective"] == pytest.approx(float(row["expected_objective"]), rel=1e-8, abs=1e-9)
        elif result["status"] == "FEASIBLE":
            check_model(text, result["model"])
        else:
            assert result["status"] == "UNKNOWN (resource limit)", (row, result)


def test_sigint_interrupts_a_long_search(corpus, sigint_during):
    """pk1's 1000 nodes take seconds: Ctrl-C ends the search wherever it is,
    and the module answers again after it."""
    text = (corpus / "milp" / "pk1.lp").read_text()
    for delay in (0.2, 1.0):
        sigint_during(mivex.solve_milp_text, text, delay=delay)
    assert mivex.solve_milp_text(ROAD)["objective"] == 1.0
