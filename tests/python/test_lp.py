"""solve_lp_text end to end: the documented examples, result types, reader errors."""
import pytest

import mivex


def solve(*lines):
    return mivex.solve_lp_text("\n".join(lines))


@pytest.mark.parametrize(
    "lines, expected",
    [
        (["max x0"], {"status": "UNBOUNDED"}),
        (["min x0 + 2*x1"], {"status": "OPTIMAL", "model": {"x0": 0, "x1": 0}, "objective": 0.0}),
        (["min x0 + x1", "x0 + x1 >= 2"], {"status": "OPTIMAL", "model": {"x0": 2, "x1": 0}, "objective": 2.0}),
        (["min x0", "x0 = 1"], {"status": "OPTIMAL", "model": {"x0": 1}, "objective": 1.0}),
        (["x0 <= 3", "x0 >= 5"], {"status": "INFEASIBLE"}),
        (["x0 + x1 >= 1", "x0 - x1 <= 3"], {"status": "OPTIMAL", "model": {"x0": 1, "x1": 0}, "objective": 0.0}),
        (["max x0", "3*x0 <= 1"], {"status": "OPTIMAL", "model": {"x0": 1 / 3}, "objective": 1 / 3}),
        (["min x0 + 5", "x0 >= 1"], {"status": "OPTIMAL", "model": {"x0": 1}, "objective": 6.0}),
        (["max -x0 + 5", "x0 >= 1"], {"status": "OPTIMAL", "model": {"x0": 1}, "objective": 4.0}),
        ([""], {"status": "OPTIMAL", "model": {}, "objective": 0.0}),
        (["max 3*x0 + 2*x1", "x0 + x1 <= 4", "x0 + 3*x1 <= 6", "x0 <= 3"],
         {"status": "OPTIMAL", "model": {"x0": 3, "x1": 1}, "objective": 11.0}),
        # The road of a request: the relaxation of the MILP example.
        (["max x0 + x1", "2*x0 + 2*x1 <= 3"], {"status": "OPTIMAL", "model": {"x0": 1.5, "x1": 0}, "objective": 1.5}),
    ],
)
def test_documented_examples(lines, expected):
    result = solve(*lines)
    assert result == expected
    assert list(result) == list(expected)  # key order: status, model, objective
    for name, value in expected.get("model", {}).items():
        assert type(result["model"][name]) is type(value)


def test_integral_values_beyond_64_bits_stay_exact():
    result = solve("max x0", "0.5*x0 <= 9223372036854775807")
    # The right-hand side saturates at 2^63 - 1, so x0 = 2^64 - 2 exactly.
    assert result["model"] == {"x0": 18446744073709551614}
    assert type(result["model"]["x0"]) is int
    assert result["objective"] == 1.8446744073709552e19


def test_wide_intermediates_stay_exact():
    # Nine-decimal coefficients: the pivots' products overflow 64 bits. The
    # optimum is checked against every vertex, enumerated in exact fractions.
    from fractions import Fraction as F
    from itertools import combinations

    c = [F("0.999999937"), F("0.999999929")]
    rows = [([F("0.999999893"), F("0.999999883")], F("0.999999877")),
            ([F("0.999999863"), F("0.999999851")], F("0.999999847"))]
    lines = rows + [([F(-1), F(0)], F(0)), ([F(0), F(-1)], F(0))]  # a.x <= b, with x >= 0
    best = None
    for (a1, b1), (a2, b2) in combinations(lines, 2):
        det = a1[0] * a2[1] - a1[1] * a2[0]
        if det == 0:
            continue
        x = [(b1 * a2[1] - a1[1] * b2) / det, (a1[0] * b2 - b1 * a2[0]) / det]
        if all(a[0] * x[0] + a[1] * x[1] <= b for a, b in lines):
            value = c[0] * x[0] + c[1] * x[1]
            if best is None or value > best[0]:
                best = (value, x)
    result = solve(
        "max 0.999999937*x0 + 0.999999929*x1",
        "0.999999893*x0 + 0.999999883*x1 <= 0.999999877",
        "0.999999863*x0 + 0.999999851*x1 <= 0.999999847",
    )
    assert result["status"] == "OPTIMAL"
    assert result["objective"] == float(best[0])
    assert result["model"] == {"x0": float(best[1][0]), "x1": float(best[1][1])}


@pytest.mark.parametrize(
    "text, message",
    [
        ("max x0\nx0 < 4", "line 2: bad syntax: x0 < 4"),
        ("x0 =< 4", "bad number: < 4"),
        ("0 <= x0 <= 5", "bad number: x0 <= 5"),
        ("x0 + 1/y <= 1", "bad den in 1/y"),
        ("x0 - a/2 <= 1", "bad num in a/2"),
        ("max 2x*x0", "bad coeff in 2x*x0"),
        ("x0 + 1.2.3 >= 0", "bad constant in 1.2.3"),
        ("int", "line 1: bad syntax: int"),
        ("x0 <= 0x10", "bad number: 0x10"),
        ("x0 <= 1_0", "bad number: 1_0"),
    ],
)
def test_reader_errors_are_value_errors(text, message):
    with pytest.raises(ValueError) as info:
        mivex.solve_lp_text(text)
    assert str(info.value) == message


def test_lines_after_end_and_comments_are_ignored():
    assert solve("max x0", "cap: x0 <= 1", "x0 <= 2", "end", "this is no LP") == {
        "status": "OPTIMAL", "model": {"x0": 2}, "objective": 2.0}


def test_declared_integers_do_not_change_the_lp():
    assert solve("int x0", "max x0", "2*x0 <= 3")["model"] == {"x0": 1.5}


def test_memory_follows_the_nonzeros_not_rows_times_columns():
    # A name outside the x<k> pattern is a fresh variable at every use: 20000
    # rows over 20000 variables, which a dense tableau could not hold.
    result = mivex.solve_lp_text("\n".join("y <= 1" for _ in range(20000)))
    assert result["status"] == "OPTIMAL" and result["objective"] == 0.0
    assert len(result["model"]) == 20000 and set(result["model"].values()) == {0}


def test_objective_constants_at_the_edge_of_64_bits():
    # A constant that saturates to -2^63 alone in the objective row once made
    # the row's common factor 2^63, which the exact division lost.
    for text, expected in [
        ("min 0*x0 - 9999999999999999999999\n", -9.223372036854776e18),
        ("max 0*x0 + 9999999999999999999999\n", 9.223372036854776e18),
        ("min 0*x0 - 9223372036854775808\nx0 <= 1\n", -9.223372036854776e18),
    ]:
        for solve_text in (mivex.solve_lp_text, mivex.solve_milp_text):
            result = solve_text(text)
            assert result["status"] == "OPTIMAL" and result["objective"] == expected, text


def test_sigint_interrupts_a_long_simplex(sigint_during):
    """A Klee-Minty cube of dimension 22 needs 2^22 - 1 pivots under the
    largest-coefficient rule (seconds of work; every number it reads is exact
    in a double, so the cube is not distorted); Ctrl-C ends it before it
    returns and the module survives. A zero-cost variable with room to move
    makes the optimum non-unique, so the fast path leaves it to the pivots."""
    n = 22
    lines = ["max " + " + ".join(f"{2 ** (n - j)}*x{j - 1}" for j in range(1, n + 1)) + f" + 0*x{n}"]
    for i in range(1, n + 1):
        terms = [f"{2 ** (i - j + 1)}*x{j - 1}" for j in range(1, i)] + [f"x{i - 1}"]
        lines.append(" + ".join(terms) + f" <= {5 ** i}")
    lines.append(f"x{n} <= 1")
    sigint_during(mivex.solve_lp_text, "\n".join(lines))
    assert solve("max x0", "x0 <= 2")["objective"] == 2.0
