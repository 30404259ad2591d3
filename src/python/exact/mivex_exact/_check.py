"""Independent verification of results in pure-Python fractions.

Nothing here trusts the solver: each claim is checked against the model's
data by the definitions (feasibility, weak duality, Farkas' lemma).
"""

from __future__ import annotations

from fractions import Fraction


class CheckError(AssertionError):
    """A result does not stand up to verification."""


def _require(condition: bool, message: str) -> None:
    if not condition:
        raise CheckError(message)


def _activities(data: dict, x: list) -> list:
    rows = [Fraction(0)] * len(data["row_lower"])
    for i, j, a in data["entries"]:
        if x[j]:
            rows[i] += a * x[j]
    return rows


def _transposed(data: dict, y: list) -> list:
    cols = [Fraction(0)] * len(data["cost"])
    for i, j, a in data["entries"]:
        if y[i]:
            cols[j] += a * y[i]
    return cols


def _objective(data: dict, x: list) -> Fraction:
    return data["objective_constant"] + sum(c * v for c, v in zip(data["cost"], x) if c)


def _check_point(model, data: dict, x: list, names: list) -> None:
    _require(x is not None and len(x) == len(data["cost"]), "no point, or a point of the wrong size")
    for j, v in enumerate(x):
        lo, up = data["lower"][j], data["upper"][j]
        _require(lo is None or v >= lo, f"column {names[j]!r} is below its lower bound")
        _require(up is None or v <= up, f"column {names[j]!r} is above its upper bound")
        _require(not data["integer"][j] or v.denominator == 1, f"integer column {names[j]!r} is fractional")
    rows = model.row_names
    for i, r in enumerate(_activities(data, x)):
        lo, up = data["row_lower"][i], data["row_upper"][i]
        _require((lo is None or r >= lo) and (up is None or r <= up), f"row {rows[i]!r} is violated")


def _bound_term(coefficient: Fraction, low, high, what: str) -> Fraction:
    """min of coefficient * t over low <= t <= high."""
    if coefficient == 0:
        return Fraction(0)
    end = low if coefficient > 0 else high
    _require(end is not None, f"a multiplier of {what} points at an infinite bound")
    return coefficient * end


def _check_duals(result, data: dict) -> None:
    # Weak duality of min s*c.x: for duals y (scaled by the sense s) and
    # d = c - A^T y, every feasible x has s*c.x >= the bound below; equal
    # to s times the objective, it proves the point optimal.
    y, d = result.duals_list, result.reduced_costs_list
    _require(y is not None and d is not None, "an LP optimum without duals (no certificate)")
    at = _transposed(data, y)
    for j, c in enumerate(data["cost"]):
        _require(d[j] == c - at[j], f"reduced cost of column {result.model.column_names[j]!r} is not c - A^T y")
    s = -1 if result.model.maximize else 1
    bound = s * data["objective_constant"]
    for i, yi in enumerate(y):
        bound += _bound_term(s * yi, data["row_lower"][i], data["row_upper"][i], "a row")
    for j, dj in enumerate(d):
        bound += _bound_term(s * dj, data["lower"][j], data["upper"][j], "a column")
    _require(bound == s * result.objective, "the dual bound does not equal the objective")


def _check_farkas(result, data: dict) -> None:
    # For every x with rows in range: y.(A x) >= sum of min y_i * row_i, and
    # for every x in the box: (A^T y).x <= its max. A lower end above the
    # upper one leaves no x at all.
    y = result.farkas_list
    if y is None:
        _require(bool(result.model.integer_columns), "an infeasible LP without Farkas multipliers")
        return
    empty = any(lo is not None and up is not None and lo > up for lo, up in zip(data["lower"], data["upper"]))
    if empty and not any(y):
        return
    low = sum(_bound_term(yi, data["row_lower"][i], data["row_upper"][i], "a row") for i, yi in enumerate(y))
    high = -sum(_bound_term(-g, data["lower"][j], data["upper"][j], "a column")
                for j, g in enumerate(_transposed(data, y)))
    _require(low > high, "the Farkas multipliers do not prove infeasibility")


def _check_ray(result, data: dict) -> None:
    r = result.ray_list
    _require(r is not None and len(r) == len(data["cost"]), "an unbounded LP without a ray")
    names = result.model.column_names
    _check_point(result.model, dict(data, integer=[False] * len(r)), result.x_list, names)
    for j, v in enumerate(r):
        _require(data["lower"][j] is None or v >= 0, f"the ray leaves the lower bound of {names[j]!r}")
        _require(data["upper"][j] is None or v <= 0, f"the ray leaves the upper bound of {names[j]!r}")
    for i, a in enumerate(_activities(data, r)):
        _require(data["row_lower"][i] is None or a >= 0, "the ray leaves a row's lower end")
        _require(data["row_upper"][i] is None or a <= 0, "the ray leaves a row's upper end")
    gain = sum(c * v for c, v in zip(data["cost"], r) if c)
    _require(gain > 0 if result.model.maximize else gain < 0, "the ray does not improve the objective")


def check_result(result) -> None:
    data = result.model.exact()
    milp = bool(result.model.integer_columns)
    names = result.model.column_names
    status = result.status
    if status in ("OPTIMAL", "FEASIBLE"):
        _check_point(result.model, data, result.x_list, names)
        _require(result.objective == _objective(data, result.x_list), "the objective is not c.x")
        if not milp:
            _require(status == "OPTIMAL", "an LP reported FEASIBLE")
            _check_duals(result, data)
            return
        _require(result.bound is not None, "a MILP result without a bound")
        s = -1 if result.model.maximize else 1
        _require(s * result.bound <= s * result.objective, "the bound is beyond the point's objective")
        _require(status != "OPTIMAL" or result.bound == result.objective, "an optimum whose bound differs")
    elif status == "INFEASIBLE":
        _check_farkas(result, data)
    elif status == "UNBOUNDED":
        _check_ray(result, data)
    else:
        _require(status == "UNKNOWN" and milp, f"unexpected status {status!r}")
