"""A small independent reader for the LP texts that the tests generate
(canonical names, "c*xK" terms, plain numbers), and HiGHS as the peer."""
import re
from fractions import Fraction

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
