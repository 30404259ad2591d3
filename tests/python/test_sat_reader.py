"""The DIMACS reader through solve_sat: every message with its exact text and
line number, and the texts it must accept."""
import pytest

import mivex

HEADER = "p cnf 3 2\n"
BAD_PROBLEM = "invalid problem line, expected 'p cnf <vars> <clauses>'"

REJECTED = [
    ("", "missing 'p cnf' header"),
    ("c only a comment\n\n   \n", "missing 'p cnf' header"),
    ("1 2 0\np cnf 2 1\n", "line 1: data before 'p cnf' header"),
    ("c x\n\n-1 0\n", "line 3: data before 'p cnf' header"),
    ("C upper case is data\n", "line 1: data before 'p cnf' header"),
    ("p cnf 3\n", f"line 1: {BAD_PROBLEM}"),
    ("p\n", f"line 1: {BAD_PROBLEM}"),
    ("c\np dnf 3 2\n", f"line 2: {BAD_PROBLEM}"),
    ("p CNF 3 2\n", f"line 1: {BAD_PROBLEM}"),
    ("p cnf -3 2\n", "line 1: invalid variable count"),
    ("p cnf + 2\n", "line 1: invalid variable count"),
    ("p cnf 18446744073709551616 2\n", "line 1: invalid variable count"),
    ("p cnf 3x 2\n", "line 1: invalid variable count"),
    ("p cnf -3 x\n", "line 1: invalid variable count"),  # the first failing check decides
    ("p cnf 3 x\n", "line 1: invalid clause count"),
    ("p cnf 3 -0\n", "line 1: invalid clause count"),
    ("p cnf 1 1\n1 -2\np cnf 2 2\n", "line 3: clause before problem header not terminated"),
    ("p cnf 1 1\n1\np cnf x 2\n", "line 3: invalid variable count"),
    (HEADER + "\n\n1 x 0\n", "line 4: invalid literal 'x'"),
    (HEADER + "2147483648 0\n", "line 2: invalid literal '2147483648'"),
    (HEADER + "-2147483649 0\n", "line 2: invalid literal '-2147483649'"),
    (HEADER + "1 - 0\n", "line 2: invalid literal '-'"),
    (HEADER + "1 +\n", "line 2: invalid literal '+'"),
    (HEADER + "1 2.0 0\n", "line 2: invalid literal '2.0'"),
    (HEADER + "1 --2 0\n", "line 2: invalid literal '--2'"),
    (HEADER + "1 0 é1 0\n", "line 2: invalid literal 'é1'"),
    (HEADER + "1\u200b 0\n", "line 2: invalid literal '1\u200b'"),  # ZERO WIDTH SPACE is not space
    ("".join(f"c {i}\n" for i in range(10)) + HEADER + "%\n0\n", "line 12: invalid literal '%'"),
    ("c\r\np cnf 2 1\r\n1 2 0\r\nq\r\n", "line 4: invalid literal 'q'"),
    ("p cnf 2\r\r\n1 0", f"line 1: {BAD_PROBLEM}"),  # one "\r" split off, one trimmed
]


@pytest.mark.parametrize("text, message", REJECTED)
def test_rejected_text_names_its_line(text, message):
    with pytest.raises(ValueError) as caught:
        mivex.solve_sat(text)
    assert str(caught.value) == message


def model(*values):
    return {"status": "SAT", "model": {f"x{i}": v for i, v in enumerate(values)}}


ACCEPTED = [
    ("p cnf 0 0", model()),
    ("p cnf 0 0\n0\n", {"status": "UNSAT"}),  # a lone 0 is the empty clause
    # The counts of a second problem line replace the first; data may precede it.
    ("p cnf 1 1\n1 -2 0\np cnf 5 7\n-1 0\n", model(False, False)),
    ("p cnf 2 1\n-1 -2", model(False, True)),  # last clause without its 0
    ("p cnf 2 1\n-1\nc between the lines of one clause\n-2 0\n", model(False, True)),
    ("p cnf 2 2\n-1 0 -2 0\n", model(False, False)),  # several clauses on a line
    ("p cnf 2 2\n-1\n0\n", model(False)),
    ("pp cnf 1 1 extra tokens\n-1 -0\n", model(False)),
    ("p cnf +1 +1\n+1 00\n", model(True)),
    ("p cnf 18446744073709551615 0\n-1 0", model(False)),
    ("c5 is a comment\ncnf 1 2 too\np cnf 1 1\n-1 0\n", model(False)),
    ("p cnf 2 1\n1 5 0\n", model(True, True, True, True, True)),
    ("p cnf 1 2\n-1 1 0\n-1 0\n", model(False)),  # a tautology stays as written
    # Unicode White_Space trims lines and separates tokens.
    ("\u3000p\u00a0cnf\u2003 2 1\u2028\n\u0085-1\u202f-2\u205f0\u1680\n", model(False, True)),
    ("\tp cnf 2 1 \x0b\x0c\n -2 0\n", model(True, False)),
]


@pytest.mark.parametrize("text, expected", ACCEPTED)
def test_accepted_text(text, expected):
    assert mivex.solve_sat(text) == expected


def test_crlf_reads_like_lf():
    text = "c header\n\np cnf 4 3\n1 -2\n 3 0\n-1 4 0\n2 0\n"
    assert mivex.solve_sat(text.replace("\n", "\r\n")) == mivex.solve_sat(text)
    for bad in ("x", "%"):
        for variant in (text + bad, (text + bad).replace("\n", "\r\n")):
            with pytest.raises(ValueError) as caught:
                mivex.solve_sat(variant)
            assert str(caught.value) == f"line 8: invalid literal '{bad}'"
