"""Exact LP and MILP: exact numbers in and out, with proofs attached.

A second module beside ``mivex``, on the same engines. Floating point
proposes, exact arithmetic proves; every answer carries what ``check()``
needs to verify it again in pure-Python fractions.
"""

from ._linprog import LinprogResult, linprog
from ._model import Model, read_lp_text, read_mps
from ._result import CheckError, Result, solve

__all__ = [
    "CheckError",
    "LinprogResult",
    "Model",
    "Result",
    "linprog",
    "read_lp_text",
    "read_mps",
    "solve",
]
