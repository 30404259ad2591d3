"""Exact SAT, LP, MILP and CP solvers: problem text in, result dict out."""

from typing import Literal, TypedDict

from typing_extensions import NotRequired

__all__ = ["solve_sat", "solve_lp_text", "solve_milp_text", "solve_cp_text"]

class SatResult(TypedDict):
    """``status`` "SAT" with ``model`` ({"x0": bool, ...}), or "UNSAT"."""

    status: Literal["SAT", "UNSAT"]
    model: NotRequired[dict[str, bool]]

class LpResult(TypedDict):
    """``status`` "OPTIMAL" (with ``model`` and ``objective``), "FEASIBLE" (with
    ``model``), "INFEASIBLE", "UNBOUNDED" or "UNKNOWN (<reason>)".

    Model values are ``int`` when exactly integral, ``float`` otherwise."""

    status: str
    model: NotRequired[dict[str, int | float]]
    objective: NotRequired[float]

class CpResult(TypedDict):
    """``status`` "SAT" with ``model`` ({"x0": int, ...}), or "UNSAT"."""

    status: Literal["SAT", "UNSAT"]
    model: NotRequired[dict[str, int]]

def solve_sat(input: str) -> SatResult:
    """Solve a SAT problem from DIMACS CNF text.
    Returns a dict with keys: status, model (if SAT)."""

def solve_lp_text(input: str) -> LpResult:
    """Solve an LP problem from text."""

def solve_milp_text(input: str) -> LpResult:
    """Solve a MILP problem from text."""

def solve_cp_text(input: str) -> CpResult:
    """Solve a CP problem from text."""
