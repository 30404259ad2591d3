"""Random small LPs against HiGHS: the status agrees, the optimum agrees,
and every reported model satisfies every constraint exactly."""
import random
import re
from fractions import Fraction

import pytest

import mivex

highspy = pytest.importorskip("highspy")

# A small independent reader for the texts generated here (canonical names,
# "c*xK" terms, plain numbers), and HiGHS as the peer.
TERM = re.compile(r"([+-]?)\s*([^+-]+)")


def parse_expr(text):
    terms, constant = {}, Fraction(0)
    for sign, piece in TERM.findall(text.strip()):
        piece = piece.strip()
        if not piece:
            continue
        s = -1 if sign == "-" else 1
        if "*" in piece:
            coef, var = piece.split("*")
            k = int(var.strip()[1:])
            terms[k] = terms.get(k, 0) + s * Fraction(coef.strip())
        elif piece.startswith("x"):
            k = int(piece[1:])
            terms[k] = terms.get(k, 0) + s
        else:
            constant += s * Fraction(piece)
    return terms, constant


def parse(text):
    """(sense or None, objective (terms, constant) or None, [(terms, op, rhs)], n)."""
    sense = objective = None
    constraints = []
    for line in text.split("\n"):
        line = line.strip()
        if not line or line[0] in "#c":
            continue
        if line == "end":
            break
        if line[:4] in ("min ", "max "):
            sense, objective = line[:3], parse_expr(line[4:].rstrip(";"))
            continue
        for op in ("<=", ">=", "="):
            if op in line:
                left, right = line.split(op, 1)
                terms, constant = parse_expr(left)
                constraints.append((terms, op, Fraction(right.strip().rstrip(";")) - constant))
                break
    used = [k for t, _, _ in constraints for k in t] + (list(objective[0]) if objective else [])
    return sense, objective, constraints, max(used, default=-1) + 1


def holds(terms, op, rhs, values):
    lhs = sum((c * values.get(k, 0) for k, c in terms.items()), Fraction(0))
    return {"<=": lhs <= rhs, ">=": lhs >= rhs, "=": lhs == rhs}[op]


def highs_solve(text):
    """(status, objective) from HiGHS: OPTIMAL / INFEASIBLE / UNBOUNDED."""
    import highspy
    import numpy as np

    sense, objective, constraints, n = parse(text)
    if n == 0:
        return "OPTIMAL", float(objective[1]) if objective else 0.0
    if not constraints:
        constraints = [({0: Fraction(1)}, ">=", Fraction(0))]  # HiGHS wants a row

    def run(with_objective):
        h = highspy.Highs()
        h.setOptionValue("output_flag", False)
        inf = highspy.kHighsInf
        for _ in range(n):
            h.addVar(0, inf)
        if objective and with_objective:
            for k, c in objective[0].items():
                h.changeColCost(k, float(c))
            if sense == "max":
                h.changeObjectiveSense(highspy.ObjSense.kMaximize)
        for terms, op, rhs in constraints:
            idx = np.array(list(terms), dtype=np.int32)
            val = np.array([float(terms[k]) for k in terms])
            lo = -inf if op == "<=" else float(rhs)
            hi = inf if op == ">=" else float(rhs)
            h.addRow(lo, hi, len(idx), idx, val)
        h.run()
        return h, h.getModelStatus()

    h, status = run(True)
    name = h.modelStatusToString(status)
    if name == "Optimal":
        value = h.getInfo().objective_function_value if objective else 0.0
        return "OPTIMAL", value + (float(objective[1]) if objective else 0.0)
    if name == "Infeasible":
        return "INFEASIBLE", None
    if name in ("Unbounded", "Primal infeasible or unbounded"):
        _, feasible = run(False)
        return ("UNBOUNDED" if h.modelStatusToString(feasible) == "Optimal" else "INFEASIBLE"), None
    raise AssertionError(f"unexpected HiGHS status {name}")


OPS = ("<=", ">=", "=")


def number(rng):
    """Small integers mostly, some halves and quarters, signs mixed."""
    value = Fraction(rng.randint(-9, 9), rng.choice((1, 1, 1, 2, 4)))
    return value


def text_of(value):
    return str(float(value)) if value.denominator != 1 else str(value.numerator)


def random_lp(rng):
    n = rng.randint(1, 5)
    m = rng.randint(0, 5)
    lines = []
    kind = rng.choice(("min", "max", "none"))
    if kind != "none":
        # Every variable appears in the objective so that x0..x(n-1) exist in order.
        terms = " + ".join(f"{text_of(number(rng))}*x{j}" for j in range(n))
        lines.append(f"{kind} {terms}")
    introduced = n if kind != "none" else 0
    for _ in range(m):
        if introduced < n:
            # Without an objective, names must first occur in index order to
            # mean what they say: x0 first, then x1, ...
            fresh = list(range(introduced, min(n, introduced + rng.randint(1 if introduced == 0 else 0, 2))))
            vars_ = sorted(rng.sample(range(introduced), rng.randint(0, introduced)) + fresh)
            introduced += len(fresh)
            if not vars_:
                vars_ = [rng.randrange(introduced)]
        else:
            vars_ = rng.sample(range(n), rng.randint(1, n))
        terms = " + ".join(f"{text_of(number(rng))}*x{j}" for j in vars_)
        lines.append(f"{terms} {rng.choice(OPS)} {text_of(number(rng) * rng.randint(0, 3))}")
    return "\n".join(lines)


def exact(value):
    """The exact rational behind a reported value. Vertices of these LPs have
    small denominators (bounded by a 5x5 determinant of small numbers), so
    the nearest fraction with a bounded denominator is the one reported."""
    if isinstance(value, int):
        return Fraction(value)
    recovered = Fraction(value).limit_denominator(10**9)
    assert float(recovered) == value
    return recovered


def check(text, result):
    sense, objective, constraints, n = parse(text)
    peer_status, peer_objective = highs_solve(text)
    assert result["status"] == peer_status, text
    if peer_status != "OPTIMAL":
        assert list(result) == ["status"]
        return
    model = {int(k[1:]): exact(v) for k, v in result["model"].items()}
    assert all(v >= 0 for v in model.values()), text
    for terms, op, rhs in constraints:
        assert holds(terms, op, rhs, model), (text, terms, op, rhs, model)
    value = Fraction(0)
    if objective:
        value = sum((c * model.get(k, 0) for k, c in objective[0].items()), objective[1])
    assert result["objective"] == float(value), text
    assert result["objective"] == pytest.approx(peer_objective, rel=1e-9, abs=1e-9), text


@pytest.mark.parametrize("seed", range(8))
def test_random_lps_agree_with_highs(seed):
    rng = random.Random(seed)
    for _ in range(50):
        text = random_lp(rng)
        result = mivex.solve_lp_text(text)
        check(text, result)
        assert mivex.solve_lp_text(text) == result  # deterministic


def test_status_mix_is_covered():
    """The generator reaches every status, so the agreement above means something."""
    seen = set()
    rng = random.Random(0)
    for _ in range(400):
        seen.add(mivex.solve_lp_text(random_lp(rng))["status"])
    assert seen == {"OPTIMAL", "INFEASIBLE", "UNBOUNDED"}
