"""The DIMACS reader through solve_sat: every message with its exact text and
line number, and the texts it must accept."""
import re

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

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


# ---------------------------------------------------------------- differential
WHITE_SPACE = "\t\n\x0b\x0c\r \x85\xa0\u1680" + "".join(map(chr, range(0x2000, 0x200B))) + "\u2028\u2029\u202f\u205f\u3000"
SPLIT = re.compile(f"[{re.escape(WHITE_SPACE)}]+")


def python_reader(text):
    """The reader's rules, restated independently: clauses, or the message."""
    lines = text.split("\n")
    if lines[-1] == "":
        lines.pop()  # nothing follows a final "\n"
    clauses, buffer, header = [], [], False
    for number, raw in enumerate(lines, 1):
        if raw.endswith("\r"):
            raw = raw[:-1]
        line = raw.strip(WHITE_SPACE)
        if not line or line[0] == "c":
            continue
        tokens = [t for t in SPLIT.split(line) if t]
        if line[0] == "p":
            if len(tokens) < 4 or tokens[1] != "cnf":
                return f"line {number}: {BAD_PROBLEM}"
            for token, what in ((tokens[2], "variable"), (tokens[3], "clause")):
                if not re.fullmatch(r"\+?[0-9]+", token) or int(token) >= 2**64:
                    return f"line {number}: invalid {what} count"
            if buffer:
                return f"line {number}: clause before problem header not terminated"
            header = True
            continue
        if not header:
            return f"line {number}: data before 'p cnf' header"
        for token in tokens:
            if not re.fullmatch(r"[+-]?[0-9]+", token) or not -(2**31) <= int(token) < 2**31:
                return f"line {number}: invalid literal '{token}'"
            if int(token) == 0:
                clauses.append(buffer)
                buffer = []
            else:
                buffer.append(int(token))
    if buffer:
        clauses.append(buffer)
    return clauses if header else "missing 'p cnf' header"


HEADS = ["", "p cnf 4 3\n", "c x\r\np  cnf\t2 2 \u3000\n"]
TOKENS = ["p", "cnf", "p cnf 4 3", "c", "0", "0", "0", "00", "-0", "1", "-1", "2", "-2", "-3", "3", "+4", "-4",
          "x", "%", "+", "4294967296", "2147483648", "-2147483648", "\u200b", "é"]
SEPARATORS = [" ", " ", " ", "\n", "\n", "", "\t", "\r\n", "\r", "\u3000", "\xa0", "\x85"]


@settings(max_examples=500, deadline=None)
@given(st.sampled_from(HEADS), st.lists(st.tuples(st.sampled_from(TOKENS), st.sampled_from(SEPARATORS)), max_size=40))
def test_reader_and_solver_match_an_independent_reading(head, pieces):
    """Random token soup: the same message, or the same answer as MiniSat with a valid model."""
    from pysat.solvers import Minisat22

    text = head + "".join(token + sep for token, sep in pieces)
    expected = python_reader(text)
    if isinstance(expected, str):
        with pytest.raises(ValueError) as caught:
            mivex.solve_sat(text)
        assert str(caught.value) == expected
        return
    if any(abs(l) == 2**31 for c in expected for l in c):
        with pytest.raises(MemoryError):
            mivex.solve_sat(text)
        return
    result = mivex.solve_sat(text)
    with Minisat22(bootstrap_with=[c for c in expected if c]) as peer:
        status = "SAT" if peer.solve() and all(expected) else "UNSAT"
    assert result["status"] == status
    if status == "SAT":
        model = result["model"]
        assert len(model) == max((abs(l) for c in expected for l in c), default=0)
        assert all(any(model[f"x{abs(l) - 1}"] == (l > 0) for l in c) for c in expected)
