"""mivex_exact.linprog against scipy's linprog (HiGHS) on generated
programs: bounds of every kind (free, negative lower, upper only, fixed),
inequalities and equalities, infeasible and unbounded programs, and
integrality. Statuses agree, objectives agree to floating-point accuracy,
and every exact answer passes check()."""
import math

import pytest

from hypothesis import HealthCheck, assume, example, given, settings
from hypothesis import strategies as st

mivex_exact = pytest.importorskip("mivex_exact")
scipy_optimize = pytest.importorskip("scipy.optimize")

BOUND_KINDS = [(0, None), (None, None), (-3, None), (None, 4), (-2, 3), (1, 1), (2, 5), (-5, -1)]
SCIPY_STATUS = {0: "OPTIMAL", 2: "INFEASIBLE", 3: "UNBOUNDED"}


@st.composite
def programs(draw, integer):
    n = draw(st.integers(1, 5))
    coefficient = st.integers(-4, 4)
    matrix = lambda m: draw(st.lists(st.lists(coefficient, min_size=n, max_size=n), min_size=m, max_size=m))  # noqa: E731
    m_ub, m_eq = draw(st.integers(0, 4)), draw(st.integers(0, 2))
    kinds = BOUND_KINDS[1:] if integer else BOUND_KINDS
    bounds = draw(st.lists(st.sampled_from(kinds), min_size=n, max_size=n))
    if integer:  # a box, so that a relaxation is never unbounded
        bounds = [(-6 if lo is None else lo, 6 if up is None else up) for lo, up in bounds]
    return dict(
        c=draw(st.lists(coefficient, min_size=n, max_size=n)),
        A_ub=matrix(m_ub) or None,
        b_ub=draw(st.lists(st.integers(-6, 8), min_size=m_ub, max_size=m_ub)) or None,
        A_eq=matrix(m_eq) or None,
        b_eq=draw(st.lists(st.integers(-4, 4), min_size=m_eq, max_size=m_eq)) or None,
        bounds=bounds,
        integrality=draw(st.lists(st.integers(0, 1), min_size=n, max_size=n)) if integer else None,
    )


def scipy_answer(program):
    answer = scipy_optimize.linprog(method="highs", **program)
    if answer.status in (2, 3, 4):
        # HiGHS's presolve may stop at "infeasible or unbounded" (or, rarely,
        # with a solve error); without it the simplex tells which.
        answer = scipy_optimize.linprog(method="highs", options={"presolve": False}, **program)
    return answer


def compare(program, tolerance):
    ours = mivex_exact.linprog(**program)
    ours.check()
    theirs = scipy_answer(program)
    # The peer's own failures (a solve error of HiGHS) leave nothing to compare.
    assume(theirs.status in SCIPY_STATUS)
    assert ours.exact_status == SCIPY_STATUS[theirs.status], (program, ours.message, theirs.message)
    if theirs.status == 0:
        close = lambda fun: math.isclose(float(ours.fun), fun, rel_tol=tolerance, abs_tol=tolerance)  # noqa: E731
        if not close(theirs.fun) and float(ours.fun) < theirs.fun:
            # scipy 1.15's HiGHS (the newest for CPython 3.10) was seen to
            # stop its MIP presolve short of an optimum that ours proves
            # (check() above): min x3 - x4 with x4 integer, 2 x4 - 2 x3 <= x0
            # <= 3, reaches -3/2, not -1. Without presolve it agrees.
            theirs = scipy_optimize.linprog(method="highs", options={"presolve": False}, **program)
        assert close(theirs.fun), (program, ours.fun, theirs.fun)
        assert ours.success and ours.status == 0


@settings(max_examples=1500, deadline=None, suppress_health_check=[HealthCheck.too_slow])
@given(programs(integer=False))
def test_lp_agrees_with_scipy(program):
    compare(program, 1e-9)


@settings(max_examples=600, deadline=None, suppress_health_check=[HealthCheck.too_slow])
@given(programs(integer=True))
@example(program={"c": [0, 0, 0, 1, -1], "A_ub": [[-1, 0, 0, -2, 2]], "b_ub": [0], "A_eq": None, "b_eq": None,
                  "bounds": [(-2, 3), (-6, 6), (-6, 6), (-6, 6), (-6, 6)], "integrality": [0, 0, 0, 0, 1]})
def test_milp_agrees_with_scipy(program):
    # HiGHS accepts points within its feasibility tolerance (1e-6) of a row,
    # so its MILP optima may be that much better than the exact one.
    compare(program, 1e-5)
