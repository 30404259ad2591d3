"""CP search end to end: documented answers, sound answers where a literal
reading would be wrong, wide domains, the corpus, and interruption."""
import signal

import pytest

import mivex

MAX = 9223372036854775807
MIN = -9223372036854775808
WIDE = 10**18


def sat(**model):
    return {"status": "SAT", "model": model}


UNSAT = {"status": "UNSAT"}

ANSWERS = [
    ("", sat()),
    ("var x 3 7", sat(x0=3)),
    # x < y on 0..2: x in 0..1, y in 1..2; x wins the tie; y = 1 is tried first.
    ("var x 0 2\nvar y 0 2\nlt x y", sat(x0=0, x1=1)),
    ("var x 0 3\nvar y 0 3\nneq x y", sat(x0=0, x1=1)),
    ("var x 0 9\nvar y 0 1", sat(x0=0, x1=0)),
    # The smaller domain (y) is branched first: y = 0 forces x = 1.
    ("var x 0 9\nvar y 0 1\nneq x y", sat(x0=1, x1=0)),
    ("var a 0 1\nvar b 0 1\nvar c 0 1\nalldifferent a b c", UNSAT),
    ("var x 5 3", UNSAT),
    ("var x 5 3\nvar y 0 9\nneq y y", UNSAT),
    ("var x 5 3\nvar y 0 9\nlt y y", UNSAT),
    ("var x 2 2\nvar y 4 4\nlt x y\nneq x y", sat(x0=2, x1=4)),
    ("var x 2 2\nvar y 4 4\nlt y x", UNSAT),
    ("var x 0 1000\nvar y 0 1000\nle x y -1\nle y x -1", UNSAT),
    # Repeated variables are merged: x + x <= 4 on 3..10 has no solution, and
    # x - x <= 0 holds for every x.
    ("var x 3 10\nlinear 1 x 1 x 4 le", UNSAT),
    ("var x 0 10\nlinear 1 x 1 x 4 le\nlinear 1 x 0 ge\nneq x x", UNSAT),
    ("var x 0 10\nvar y 0 9\nlinear 1 x 1 x 4 le\nlt y x\nlinear 1 y 1 ge", sat(x0=2, x1=1)),
    ("var x 3 10\nlinear 1 x -1 x 0 le", sat(x0=3)),
    ("var x 0 10\nlinear 0 x 5 ge", UNSAT),
    ("var x 0 10\nlinear 0 x -5 ge", sat(x0=0)),
]


@pytest.mark.parametrize("text, answer", ANSWERS)
def test_documented_and_sound_answers(text, answer):
    assert mivex.solve_cp_text(text) == answer
    assert mivex.solve_cp_text(input=text) == answer


WIDE_CASES = [
    # Whole-range domains: neither the choice of variable nor the value loop overflows.
    (f"var x {MIN} {MAX}\nvar y {MIN} {MAX}", sat(x0=MIN, x1=MIN)),
    (f"var x {MIN} {MAX}\nvar y {MIN} {MAX}\nlt x y", sat(x0=MIN, x1=MIN + 1)),
    (f"var x {MIN} {MAX}\nvar y {MIN} {MAX - 1}\nvar z {MIN + 1} {MAX}\nlt y x\nlt x z\nneq x y",
     sat(x0=MIN + 1, x1=MIN, x2=MIN + 2)),
    (f"var x {MIN} {MAX}\nvar y 0 2\nlinear 1 x -1 y {MAX} ge", sat(x0=MAX, x1=0)),
    (f"var x {MAX - 1} {MAX}\nvar y {MAX - 1} {MAX}\nvar z {MAX - 1} {MAX}\nalldifferent x y z", UNSAT),
    (f"var x {MIN} {MAX}\nlt x x", UNSAT),
    (f"var x {MIN} {MAX}\nle x x -1", UNSAT),
    (f"var x {MIN} {MAX}\nle x x 0", sat(x0=MIN)),
    (f"var x {MIN} {MAX}\nneq x x", UNSAT),
    (f"var x {MIN} {MAX}\nvar y 0 0\nallDiff x y x", UNSAT),
    # Ping-pong narrowing one step per round on a wide range ends at once.
    (f"var x 0 {WIDE}\nvar y 0 {WIDE}\nle x y -1\nle y x -1", UNSAT),
    (f"var x {MIN} {MAX}\nvar y {MIN} {MAX}\nlt x y\nlt y x", UNSAT),
    (f"var x 0 {WIDE}\nvar y 0 {WIDE}\nlinear 5 x -5 y -1 le\nlinear 1 y -1 x 0 le", UNSAT),
    (f"var x 0 {WIDE}\nvar y 0 {WIDE}\nlinear 2 x 2 y 1 eq", UNSAT),
    (f"var x {MIN} {MAX}\nvar y {MIN} {MAX}\nlinear {MAX} x {MAX} y 3 eq\nlinear 1 x 1 y 0 ge", UNSAT),
    (f"var z 0 3\nvar x 0 {WIDE}\nvar y 0 {WIDE}\nlinear 1 x -1 y 1 z -1 le\neq x y", UNSAT),
    # Equal by equalities yet required to differ: no search over the range.
    (f"var x 2 {MAX}\nvar y {MIN + 1} {WIDE}\neq x y\nalldifferent y x", UNSAT),
    (f"var x 0 {WIDE}\nvar y 0 {WIDE}\nvar z 0 {WIDE}\nlinear 1 x -1 y 3 eq\nlinear 1 z -1 y 3 eq\nneq x z", UNSAT),
    (f"var x 0 {WIDE}\nvar y 0 {WIDE}\nlinear 1 x -1 y 3 eq\nneq x y", sat(x0=3, x1=0)),
    # Products and sums far beyond 64 bits.
    (f"var x 0 {WIDE}\nvar y 0 {WIDE}\nlinear {MAX} x {MAX} y {MIN} x 1 ge", sat(x0=0, x1=1)),
    (f"var x -3 3\nlinear {MIN} x {MIN} x {MIN} x 0 eq", sat(x0=0)),
    (f"var x {MIN} {MAX}\nlinear {MAX} x {MAX} x {MIN} le", sat(x0=MIN)),
]


@pytest.mark.parametrize("text, answer", WIDE_CASES)
def test_wide_domains_and_extreme_numbers(text, answer):
    assert mivex.solve_cp_text(text) == answer


def test_extreme_linear_model_is_exact():
    # (2^63 - 1)(x + y) = 2^63 - 1 with x, y over the whole range: x + y = 1.
    text = f"var x {MIN} {MAX}\nvar y {MIN} {MAX}\nlinear {MAX} x {MAX} y {MAX} eq"
    assert mivex.solve_cp_text(text) == sat(x0=MIN + 2, x1=MAX)


def test_deep_search_uses_no_native_recursion():
    # 30000 unconstrained binary variables: one branching level per variable.
    n = 30000
    text = "\n".join(f"var v{i} 0 1" for i in range(n)) + f"\nlinear 1 v0 1 v{n - 1} 1 eq"
    model = mivex.solve_cp_text(text)["model"]
    assert len(model) == n
    assert model["x0"] == 0 and model[f"x{n - 1}"] == 1
    assert sum(model.values()) == 1


class Alarm(Exception):
    pass


def _raise_alarm(signum, frame):
    raise Alarm()


@pytest.mark.parametrize("text", [
    # Narrowing by about one step per round that no cycle check recognises.
    f"var x 0 {WIDE}\nvar y 0 {WIDE}\nlinear 2 x -3 y -1 le\nlinear 3 y -2 x 0 le",
    # A search over far too many values, each failing at once.
    f"var x -{WIDE} {WIDE}\nvar y -{WIDE} {WIDE}\nvar z -{WIDE} {WIDE}\nlinear 2 x 2 y 2 z 1 eq",
])
def test_long_solves_are_interruptible(text):
    previous = signal.signal(signal.SIGALRM, _raise_alarm)
    signal.setitimer(signal.ITIMER_REAL, 0.3)
    returned = None
    try:
        with pytest.raises(Alarm):
            returned = mivex.solve_cp_text(text)
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    assert returned is None  # ended by the alarm, not finished before it
    assert mivex.solve_cp_text("var x 0 2\nvar y 0 2\nlt x y") == sat(x0=0, x1=1)
