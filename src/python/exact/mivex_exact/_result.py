"""Solving a model and the result it gives."""

from __future__ import annotations

from fractions import Fraction
from typing import Dict, List, Optional

from mivex_exact._native import native as _mivex_exact

from ._check import CheckError, check_result
from ._model import Model


def _fractions(texts):
    return None if texts is None else [Fraction(t) for t in texts]


def _named(names, values) -> Optional[Dict[str, Fraction]]:
    return None if values is None else dict(zip(names, values))


class _Lazy:
    """An attribute computed on first use (large models answer with many
    thousands of numbers, and most callers read few of them)."""

    def __init__(self, compute):
        self.compute = compute
        self.name = compute.__name__

    def __get__(self, result, owner=None):
        if result is None:
            return self
        value = self.compute(result)
        result.__dict__[self.name] = value
        return value


class Result:
    """The answer of ``solve``.

    ``status`` is OPTIMAL, INFEASIBLE or UNBOUNDED; a MILP stopped by a limit
    is FEASIBLE (with its best point) or UNKNOWN. Values are Fractions, keyed
    by the model's names: ``x``, ``duals`` and ``farkas`` (by row),
    ``reduced_costs`` and ``ray`` (by column), None where absent. The same
    by position: ``x_list``, ``duals_list``, ... ``check()`` verifies
    everything again.
    """

    def __init__(self, model: Model, data: tuple) -> None:
        status, objective, *self._texts, bound, nodes, message = data
        self.model = model
        self.status: str = status
        self.objective: Optional[Fraction] = None if objective is None else Fraction(objective)
        self.bound: Optional[Fraction] = None if bound is None else Fraction(bound)
        self.nodes: int = nodes
        self.message: str = message

    @_Lazy
    def x_list(self) -> Optional[List[Fraction]]:
        return _fractions(self._texts[0])

    @_Lazy
    def duals_list(self) -> Optional[List[Fraction]]:
        return _fractions(self._texts[1])

    @_Lazy
    def reduced_costs_list(self) -> Optional[List[Fraction]]:
        return _fractions(self._texts[2])

    @_Lazy
    def farkas_list(self) -> Optional[List[Fraction]]:
        return _fractions(self._texts[3])

    @_Lazy
    def ray_list(self) -> Optional[List[Fraction]]:
        return _fractions(self._texts[4])

    @_Lazy
    def x(self) -> Optional[Dict[str, Fraction]]:
        return _named(self.model.column_names, self.x_list)

    @_Lazy
    def duals(self) -> Optional[Dict[str, Fraction]]:
        return _named(self.model.row_names, self.duals_list)

    @_Lazy
    def reduced_costs(self) -> Optional[Dict[str, Fraction]]:
        return _named(self.model.column_names, self.reduced_costs_list)

    @_Lazy
    def farkas(self) -> Optional[Dict[str, Fraction]]:
        return _named(self.model.row_names, self.farkas_list)

    @_Lazy
    def ray(self) -> Optional[Dict[str, Fraction]]:
        return _named(self.model.column_names, self.ray_list)

    def check(self) -> None:
        """Verify the answer against the model's data in exact fractions:
        the point, its objective and integrality; for an LP optimum the duals
        and reduced costs (their bound equals the objective); the Farkas
        multipliers of an infeasible LP; the ray of an unbounded one; a
        MILP's bound against its point. Raises CheckError on any failure."""
        check_result(self)

    def __repr__(self) -> str:
        return f"<mivex_exact.Result {self.status} objective={self.objective}>"


def solve(model: Model, *, node_limit: Optional[int] = None, time_limit: Optional[float] = None) -> Result:
    """Solve exactly. The GIL is released meanwhile; without a time limit the
    answer is deterministic. ``node_limit`` and ``time_limit`` (seconds)
    bound a MILP's branch and bound."""
    if not isinstance(model, Model):
        raise TypeError(f"solve() expects a Model, not {type(model).__name__}")
    if node_limit is not None and (not isinstance(node_limit, int) or node_limit < 0):
        raise ValueError("node_limit must be a non-negative int or None")
    if time_limit is not None:
        time_limit = float(time_limit)
        if not time_limit >= 0:
            raise ValueError("time_limit must be a non-negative number or None")
    return Result(model, _mivex_exact.solve(model._data, node_limit, time_limit))


__all__ = ["CheckError", "Result", "solve"]
