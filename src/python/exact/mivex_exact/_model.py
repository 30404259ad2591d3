"""Models: what a file or linprog states, with exact numbers."""

from __future__ import annotations

import gzip
import os
from fractions import Fraction
from typing import Optional, Union

from mivex_exact._native import native as _mivex_exact

Number = Fraction
Bound = Optional[Fraction]


def _fraction(text: Optional[str]) -> Optional[Fraction]:
    return None if text is None else Fraction(text)


def _text(value: Optional[Fraction]) -> Optional[str]:
    if value is None:
        return None
    return str(value.numerator) if value.denominator == 1 else f"{value.numerator}/{value.denominator}"


class Model:
    """A linear or mixed-integer program with exact data.

    Columns have bounds (None is infinite) and may be integer; rows are
    ``lower <= a x <= upper``. ``maximize`` says the objective's sense.
    """

    __slots__ = ("_data", "_exact")

    def __init__(self, data: tuple) -> None:
        self._data = data
        self._exact: Optional[dict] = None

    @classmethod
    def build(cls, *, name: str, maximize: bool, objective_constant: Fraction,
              columns: list, rows: list, entries: list) -> "Model":
        """A model from exact parts: columns (name, lower, upper, integer,
        cost), rows (name, lower, upper), entries (row, column, value)."""
        data = (
            name,
            bool(maximize),
            _text(Fraction(objective_constant)),
            [(n, _text(lo), _text(up), bool(i), _text(c)) for n, lo, up, i, c in columns],
            [(n, _text(lo), _text(up)) for n, lo, up in rows],
            [(i, j, _text(v)) for i, j, v in entries if v != 0],
        )
        return cls(data)

    @property
    def name(self) -> str:
        return self._data[0]

    @property
    def maximize(self) -> bool:
        return self._data[1]

    @property
    def column_names(self) -> list:
        return [c[0] for c in self._data[3]]

    @property
    def row_names(self) -> list:
        return [r[0] for r in self._data[4]]

    @property
    def integer_columns(self) -> list:
        return [c[0] for c in self._data[3] if c[3]]

    def exact(self) -> dict:
        """The data as Fractions: objective_constant, cost, lower, upper,
        integer (by column), row_lower, row_upper (by row), entries."""
        if self._exact is None:
            columns, rows = self._data[3], self._data[4]
            self._exact = {
                "objective_constant": Fraction(self._data[2]),
                "cost": [Fraction(c[4]) for c in columns],
                "lower": [_fraction(c[1]) for c in columns],
                "upper": [_fraction(c[2]) for c in columns],
                "integer": [bool(c[3]) for c in columns],
                "row_lower": [_fraction(r[1]) for r in rows],
                "row_upper": [_fraction(r[2]) for r in rows],
                "entries": [(i, j, Fraction(v)) for i, j, v in self._data[5]],
            }
        return self._exact

    def __repr__(self) -> str:
        kind = "MILP" if self.integer_columns else "LP"
        return (f"<mivex_exact.Model {self.name!r}: {kind}, {len(self._data[3])} columns, "
                f"{len(self._data[4])} rows, {len(self._data[5])} nonzeros>")


def _decode(raw: bytes) -> str:
    if raw[:2] == b"\x1f\x8b":
        raw = gzip.decompress(raw)
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("latin-1")


def read_mps(path_or_text: Union[str, bytes, os.PathLike]) -> Model:
    """Read an MPS model (free or fixed layout, gzip-compressed or not).

    A path (str without a line break, or os.PathLike) is read from disk;
    a str with line breaks, or bytes, is the file's content. Numbers are
    exact. Malformed input raises ValueError naming the line.
    """
    if isinstance(path_or_text, bytes):
        text = _decode(path_or_text)
    elif isinstance(path_or_text, os.PathLike) or (isinstance(path_or_text, str) and "\n" not in path_or_text):
        with open(path_or_text, "rb") as f:
            text = _decode(f.read())
    elif isinstance(path_or_text, str):
        text = path_or_text
    else:
        raise TypeError(f"read_mps() expects a path, str or bytes, not {type(path_or_text).__name__}")
    return Model(_mivex_exact.read_mps(text))


def read_lp_text(text: str) -> Model:
    """Read the LP text of ``mivex`` (columns x0, x1, ... are >= 0)."""
    if not isinstance(text, str):
        raise TypeError(f"read_lp_text() expects a str, not {type(text).__name__}")
    return Model(_mivex_exact.read_lp_text(text))
