"""CP text reader: every message with its exact text, and what is accepted."""
import pytest

import mivex

MAX = 9223372036854775807
MIN = -9223372036854775808

REJECTED = [
    ("Var x 0 1", "line 1: unknown keyword 'Var'"),
    ("var x 0 1\nallDifferent x x", "line 2: unknown keyword 'allDifferent'"),
    ("alldiff x y", "line 1: unknown keyword 'alldiff'"),
    ("\n# c\n// c\nvar x 0", "line 4: var needs name, min, max"),
    ("var x - 4", "line 1: bad min"),
    ("var x 1.5 4", "line 1: bad min"),
    ("var x 0 9223372036854775808", "line 1: bad max"),
    ("var x 0 -9223372036854775809", "line 1: bad max"),
    ("var x 0 --1", "line 1: bad max"),
    ("var x 0 +", "line 1: bad max"),
    ("var x 0 1_0", "line 1: bad max"),
    ("var x 0 \uff11", "line 1: bad max"),  # a fullwidth digit is not ASCII
    ("eq x y", "line 1: unknown variable 'x'"),
    ("var x 0 1\n\r\neq x y", "line 3: unknown variable 'y'"),
    ("var x 0 1\nallDiff x y # note", "line 2: unknown variable 'y'"),
    ("var x 0 1\nvar y 0 1\nallDiff x y # note", "line 3: unknown variable '#'"),
    ("var x 0 1\nlinear 1 x 2 Y 3 le", "line 2: unknown variable 'Y'"),
    ("var x 0 1\neq x", "eq needs 2 vars"),
    ("var x 0 1\nneq x", "neq needs 2 vars"),
    ("var x 0 1\nlt x", "lt needs 2 vars"),
    ("var x 0 1\nvar y 0 1\nle x y", "le needs 2 vars + c"),
    ("var x 0 1\nvar y 0 1\nle x y 2.5", "bad c"),
    ("var x 0 1\nle x z 2", "line 2: unknown variable 'z'"),
    ("var x 0 1\nalldifferent x", "allDiff needs \u2265 2 vars"),
    ("var x 0 1\nallDiff", "allDiff needs \u2265 2 vars"),
    ("var x 0 1\nlinear 2 x", "linear: need at least coeff var rhs rel"),
    ("var x 0 1\nlinear 2 x 10", "linear: need at least coeff var rhs rel"),
    ("var x 0 1\nlinear x 2 10 le", "bad coeff"),
    ("var x 0 1\nlinear 2 x 1e3 le", "bad rhs"),
    ("var x 0 1\nlinear 2 x 10 lt", "linear: expected le/eq/ge"),
    ("var x 0 1\nlinear 2 x 10 LE", "linear: expected le/eq/ge"),
    # Six tokens: one pair, then token 3 is the right-hand side and 4 the relation.
    ("var x 0 1\nlinear 2 x 3 6 ge", "linear: expected le/eq/ge"),
    # The first error ends reading, even before a later bad line.
    ("var x 0 1\nbogus\nvar y", "line 2: unknown keyword 'bogus'"),
]


@pytest.mark.parametrize("text, message", REJECTED)
def test_rejected_text_reports_exact_message(text, message):
    with pytest.raises(ValueError) as caught:
        mivex.solve_cp_text(text)
    assert str(caught.value) == message
    assert caught.value.args == (message,)


def test_all_diff_message_uses_the_greater_or_equal_sign():
    with pytest.raises(ValueError) as caught:
        mivex.solve_cp_text("var x 0 1\nallDiff x")
    assert str(caught.value).encode() == b"allDiff needs \xe2\x89\xa5 2 vars"


ACCEPTED = [
    ("", {}),
    ("\n\n# only comments\n   // and more\n\t\n", {}),
    ("var x 0 9 # digit", {"x0": 0}),
    ("var x +3 -0", None),  # range 3..0 is empty
    ("var x 00012 +0000000000000000000000013", {"x0": 12}),
    (f"var x {MIN} {MIN}\nvar y {MAX} {MAX}", {"x0": MIN, "x1": MAX}),
    ("var 12 5 7\nvar eq 1 2\nlt 12 eq", None),  # names may look like numbers or keywords
    ("var 12 0 7\nvar eq 1 2\nlt eq 12", {"x0": 2, "x1": 1}),
    ("var\u00a0x\u20030\u3000 4\u2029", {"x0": 0}),  # Unicode spaces separate and trim
    ("var x 0 3\nvar y 0 3\nle x y -1 extra tokens", {"x0": 0, "x1": 1}),
    ("var x 0 9\nvar y 0 9\nlinear 2 x -3 y 6 ge extra", {"x0": 3, "x1": 0}),
    ("var x 0 9\nlinear 2 x 10 le", {"x0": 0}),
    ("var x 0 9\nlinear 2 x 10 ge", {"x0": 5}),
    ("var x 1 1\nallDiff x x", None),  # accepted, never satisfiable
    # A redeclared name is a new variable; later lines refer to the newest one.
    ("var x 0 1\nvar x 5 6\nvar y 0 9\neq x y", {"x0": 0, "x1": 5, "x2": 5}),
    ("var x 0 1\nvar y 0 9\neq x y\nvar x 5 6\nlt y x", {"x0": 0, "x1": 0, "x2": 5}),
    ("#x\n//y\n  # indented comment\nvar x 2 3", {"x0": 2}),
]


@pytest.mark.parametrize("text, model", ACCEPTED)
def test_accepted_text(text, model):
    result = mivex.solve_cp_text(text)
    if model is None:
        assert result == {"status": "UNSAT"}
    else:
        assert result == {"status": "SAT", "model": model}
        assert list(result["model"]) == [f"x{i}" for i in range(len(model))]


def test_crlf_reads_like_lf_and_numbers_every_line():
    lf = "# header\n\nvar x 0 4\nvar y 0 4\nlt y x\nneq x y\n"
    assert mivex.solve_cp_text(lf.replace("\n", "\r\n")) == mivex.solve_cp_text(lf)
    with pytest.raises(ValueError, match=r"^line 5: unknown variable 'z'$"):
        mivex.solve_cp_text("# a\r\n\r\nvar x 0 1\r\n// b\r\nlt x z\r\n")
