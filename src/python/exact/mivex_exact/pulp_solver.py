"""A PuLP solver that answers exactly: ``problem.solve(MivexExact())``.

The problem is read from PuLP's own objects (not through an MPS file, whose
writer rounds numbers to twelve digits); floats mean their shortest repr,
as in linprog. Afterwards ``varValue`` (and ``dj`` for an LP optimum) are
Fractions, and each constraint's ``pi`` is its dual. ``result`` keeps the
full Result, with check().
"""

from __future__ import annotations

from typing import Any, Optional

import pulp

if not hasattr(pulp, "LpStatusOptimal"):
    # PuLP 4 replaced the status constants and the solver's way of reporting.
    raise ImportError(f"mivex_exact.pulp_solver works with PuLP 2 and 3, not PuLP {pulp.__version__}")

from ._linprog import exact  # noqa: E402
from ._model import Model  # noqa: E402
from ._result import Result, solve  # noqa: E402

_STATUS = {
    "OPTIMAL": (pulp.LpStatusOptimal, pulp.LpSolutionOptimal),
    "FEASIBLE": (pulp.LpStatusNotSolved, pulp.LpSolutionIntegerFeasible),
    "UNKNOWN": (pulp.LpStatusNotSolved, pulp.LpSolutionNoSolutionFound),
    "INFEASIBLE": (pulp.LpStatusInfeasible, pulp.LpSolutionInfeasible),
    "UNBOUNDED": (pulp.LpStatusUnbounded, pulp.LpSolutionUnbounded),
}


def _bound(value: Any, what: str) -> Any:
    return None if value is None else exact(value, what)


def _constraints(problem: "pulp.LpProblem") -> list:
    """(name, constraint) pairs: PuLP 3.3 on lists them by calling
    ``constraints``, older releases keep a dict."""
    held = problem.constraints
    if callable(held):
        return [(c.name or f"_C{i + 1}", c) for i, c in enumerate(held())]
    return list(held.items())


def model_of(problem: "pulp.LpProblem") -> Model:
    """The exact model of a PuLP problem (columns and rows keep its names)."""
    variables = problem.variables()
    index = {v.name: j for j, v in enumerate(variables)}
    costs = {v.name: exact(c, f"objective coefficient of {v.name}") for v, c in problem.objective.items()}
    columns = [(v.name, _bound(v.lowBound, f"lower bound of {v.name}"), _bound(v.upBound, f"upper bound of {v.name}"),
                v.cat == pulp.LpInteger, costs.get(v.name, 0)) for v in variables]
    rows, entries = [], []
    for i, (name, constraint) in enumerate(_constraints(problem)):
        rhs = -exact(constraint.constant, f"constant of {name}")
        rows.append((name, None if constraint.sense == pulp.LpConstraintLE else rhs,
                     None if constraint.sense == pulp.LpConstraintGE else rhs))
        entries.extend((i, index[v.name], exact(a, f"coefficient of {v.name} in {name}")) for v, a in constraint.items())
    constant = exact(problem.objective.constant, "objective constant") if problem.objective else 0
    return Model.build(name=problem.name or "pulp", maximize=problem.sense == pulp.LpMaximize,
                       objective_constant=constant, columns=columns, rows=rows, entries=entries)


class MivexExact(pulp.LpSolver):  # type: ignore[misc]
    """Solve with mivex_exact; ``node_limit`` bounds branch and bound and
    PuLP's ``timeLimit`` is its time limit (seconds)."""

    name = "MIVEX_EXACT"

    def __init__(self, node_limit: Optional[int] = None, **kwargs: Any) -> None:
        super().__init__(**kwargs)
        self.node_limit = node_limit
        self.result: Optional[Result] = None

    def available(self) -> bool:
        return True

    def actualSolve(self, lp: "pulp.LpProblem", **kwargs: Any) -> int:
        result = solve(model_of(lp), node_limit=self.node_limit, time_limit=self.timeLimit)
        self.result = result
        if result.x is not None:
            for v in lp.variables():
                v.varValue = result.x[v.name]
                if result.reduced_costs is not None:
                    v.dj = result.reduced_costs[v.name]
        if result.duals is not None:
            for name, constraint in _constraints(lp):
                constraint.pi = result.duals[name]
        status, solution = _STATUS[result.status]
        lp.assignStatus(status, solution)
        return status
