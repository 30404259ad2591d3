"""``linprog`` with scipy.optimize.linprog's parameters, solved exactly.

Numbers may be ints, Fractions, Decimals, decimal or fraction strings
("0.1", "1/3"), numpy scalars and arrays (numeric or object), or scipy
sparse matrices. A float means the decimal number its shortest repr shows:
0.1 is 1/10, not the binary fraction nearest to it. In bounds, None and
infinite floats mean no bound.
"""

from __future__ import annotations

import math
from decimal import Decimal
from fractions import Fraction
from typing import Any, List, Optional

from ._model import Model
from ._result import Result, solve

_STATUS_CODES = {"OPTIMAL": 0, "FEASIBLE": 1, "UNKNOWN": 1, "INFEASIBLE": 2, "UNBOUNDED": 3}
_MESSAGES = {
    "OPTIMAL": "Optimization terminated successfully. (exact)",
    "FEASIBLE": "A limit was reached; the best point found is returned. (exact)",
    "UNKNOWN": "A limit was reached before a feasible point was found. (exact)",
    "INFEASIBLE": "The problem is infeasible. (exact)",
    "UNBOUNDED": "The problem is unbounded. (exact)",
}


def exact(value: Any, what: str) -> Fraction:
    """The exact value of one number (see the module's documentation)."""
    if isinstance(value, bool):
        raise TypeError(f"{what}: a bool is not a number")
    if isinstance(value, (int, Fraction)):
        return Fraction(value)
    if isinstance(value, str):
        try:
            return Fraction(value.strip())
        except (ValueError, ZeroDivisionError):
            raise ValueError(f"{what}: {value!r} is not a number") from None
    if isinstance(value, Decimal):
        if not value.is_finite():
            raise ValueError(f"{what}: {value} is not finite")
        return Fraction(value)
    if hasattr(value, "dtype") and hasattr(value, "item"):  # a numpy scalar
        return exact(value.item(), what)
    if isinstance(value, float):
        if not math.isfinite(value):
            raise ValueError(f"{what}: {value} is not finite")
        return Fraction(repr(value))
    raise TypeError(f"{what}: {type(value).__name__} is not a number")


def _bound(value: Any, what: str) -> Optional[Fraction]:
    if value is None:
        return None
    if hasattr(value, "item") and hasattr(value, "dtype"):
        value = value.item()
    if isinstance(value, float) and math.isinf(value):
        return None
    return exact(value, what)


def _vector(values: Any, what: str) -> List[Fraction]:
    if values is None:
        return []
    if hasattr(values, "toarray"):
        values = values.toarray()
    if hasattr(values, "tolist"):
        values = values.tolist()
    if not isinstance(values, (list, tuple)):
        values = [values]
    flat = [v for row in values for v in row] if values and isinstance(values[0], (list, tuple)) else values
    return [exact(v, f"{what}[{k}]") for k, v in enumerate(flat)]


def _matrix(a: Any, n: int, what: str) -> tuple:
    """(rows, [(i, j, value)]) of a dense or sparse matrix with n columns."""
    if a is None:
        return 0, []
    if hasattr(a, "tocoo"):
        coo = a.tocoo()
        if coo.shape[1] != n:
            raise ValueError(f"{what} has {coo.shape[1]} columns; c has {n}")
        merged: dict = {}
        for i, j, v in zip(coo.row.tolist(), coo.col.tolist(), coo.data.tolist()):
            merged[(i, j)] = merged.get((i, j), Fraction(0)) + exact(v, f"{what}[{i}, {j}]")
        return coo.shape[0], [(i, j, v) for (i, j), v in sorted(merged.items()) if v]
    rows = a.tolist() if hasattr(a, "tolist") else [list(r) for r in a]
    entries = []
    for i, row in enumerate(rows):
        if hasattr(row, "tolist"):
            row = row.tolist()
        if not isinstance(row, (list, tuple)) or len(row) != n:
            raise ValueError(f"{what} must be 2-D with {n} columns")
        entries.extend((i, j, v) for j, v in ((j, exact(x, f"{what}[{i}, {j}]")) for j, x in enumerate(row)) if v)
    return len(rows), entries


def _bounds(bounds: Any, n: int) -> list:
    if bounds is None:
        bounds = (0, None)
    if hasattr(bounds, "tolist"):
        bounds = bounds.tolist()
    pairs = list(bounds)
    if len(pairs) == 2 and not isinstance(pairs[0], (list, tuple)):
        pairs = [pairs] * n
    if len(pairs) == 1 and n != 1:
        pairs = pairs * n
    if len(pairs) != n:
        raise ValueError(f"bounds must be one (min, max) pair or {n} of them")
    out = []
    for j, pair in enumerate(pairs):
        if pair is None:
            pair = (0, None)
        lo, up = pair
        out.append((_bound(lo, f"bounds[{j}][0]"), _bound(up, f"bounds[{j}][1]")))
    return out


def _integrality(integrality: Any, n: int) -> List[bool]:
    if integrality is None:
        return [False] * n
    values = integrality.tolist() if hasattr(integrality, "tolist") else integrality
    if not isinstance(values, (list, tuple)):
        values = [values] * n
    if len(values) != n:
        raise ValueError(f"integrality must have {n} entries")
    if any(v not in (0, 1) for v in values):
        raise ValueError("integrality: only 0 (continuous) and 1 (integer) are supported")
    return [v == 1 for v in values]


class LinprogResult(dict):
    """Shaped like scipy.optimize.OptimizeResult (keys are attributes too):
    x (list of Fractions), fun, status (0 optimal, 1 limit, 2 infeasible,
    3 unbounded), message, success, slack, con, ineqlin/eqlin marginals;
    plus the exact extras: exact_status, farkas_ub/farkas_eq, ray, bound,
    reduced_costs, and ``result`` (the Result) with ``check()``."""

    def __getattr__(self, name: str) -> Any:
        try:
            return self[name]
        except KeyError:
            raise AttributeError(name) from None

    def check(self) -> None:
        self["result"].check()


def _split(values: Optional[list], m_ub: int) -> tuple:
    if values is None:
        return None, None
    return values[:m_ub], values[m_ub:]


def _residuals(entries: list, b: list, x: list, offset: int, m: int) -> list:
    activity = [Fraction(0)] * m
    for i, j, v in entries:
        if offset <= i < offset + m:
            activity[i - offset] += v * x[j]
    return [b[i] - activity[i] for i in range(m)]


def _answer(result: Result, m_ub: int, m_eq: int, b_ub: list, b_eq: list, entries: list) -> LinprogResult:
    x = result.x_list
    duals_ub, duals_eq = _split(result.duals_list, m_ub)
    farkas_ub, farkas_eq = _split(result.farkas_list, m_ub)
    out = LinprogResult(
        x=x, fun=result.objective, status=_STATUS_CODES[result.status], message=_MESSAGES[result.status],
        success=result.status == "OPTIMAL", nit=result.nodes, exact_status=result.status,
        slack=None, con=None, ineqlin=None, eqlin=None, reduced_costs=result.reduced_costs_list,
        farkas_ub=farkas_ub, farkas_eq=farkas_eq, ray=result.ray_list, bound=result.bound, result=result)
    if x is not None:
        out["slack"] = _residuals(entries, b_ub, x, 0, m_ub)
        out["con"] = _residuals(entries, b_eq, x, m_ub, m_eq)
    if duals_ub is not None:
        out["ineqlin"] = {"marginals": duals_ub, "residual": out["slack"]}
        out["eqlin"] = {"marginals": duals_eq, "residual": out["con"]}
    return out


def linprog(c: Any, A_ub: Any = None, b_ub: Any = None, A_eq: Any = None, b_eq: Any = None,
            bounds: Any = (0, None), integrality: Any = None, *, node_limit: Optional[int] = None,
            time_limit: Optional[float] = None) -> LinprogResult:
    """Minimise c @ x subject to A_ub @ x <= b_ub, A_eq @ x == b_eq and the
    bounds, exactly; integrality 1 marks integer variables."""
    costs = _vector(c, "c")
    n = len(costs)
    m_ub, ub_entries = _matrix(A_ub, n, "A_ub")
    m_eq, eq_entries = _matrix(A_eq, n, "A_eq")
    rhs_ub, rhs_eq = _vector(b_ub, "b_ub"), _vector(b_eq, "b_eq")
    if len(rhs_ub) != m_ub or len(rhs_eq) != m_eq:
        raise ValueError("b_ub and b_eq must have one entry per row of A_ub and A_eq")
    integer = _integrality(integrality, n)
    columns = [(f"x{j}", lo, up, integer[j], costs[j]) for j, (lo, up) in enumerate(_bounds(bounds, n))]
    rows = [(f"ub{i}", None, b) for i, b in enumerate(rhs_ub)] + [(f"eq{i}", b, b) for i, b in enumerate(rhs_eq)]
    entries = ub_entries + [(m_ub + i, j, v) for i, j, v in eq_entries]
    model = Model.build(name="linprog", maximize=False, objective_constant=Fraction(0), columns=columns,
                        rows=rows, entries=entries)
    result = solve(model, node_limit=node_limit, time_limit=time_limit)
    return _answer(result, m_ub, m_eq, rhs_ub, rhs_eq, entries)
