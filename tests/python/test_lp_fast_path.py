"""The certified fast path of solve_lp_text: on every program its answer is
the one the exact pivots alone give, and every certificate it returns holds
when re-checked here from the definitions with fractions."""
import random
from fractions import Fraction

import mivex

# Programs are generated as data first, then written as text whose variables
# are created in index order (every variable appears in the first line).


def program_text(sense, cost, rows, n):
    """The text, and the rows as the reader sees them (a first row of zeros
    declares the variables when there is no objective)."""
    lines = []
    if sense:
        lines.append(f"{sense} " + " + ".join(f"{cost[j]}*x{j}" for j in range(n)))
    else:
        rows = [([0] * n, ">=", 0)] + rows
        lines.append(" + ".join(f"0*x{j}" for j in range(n)) + " >= 0")
    for coefs, op, rhs in rows[0 if sense else 1:]:
        terms = " + ".join(f"{c}*x{j}" for j, c in enumerate(coefs) if c != 0) or "0*x0"
        lines.append(f"{terms} {op} {rhs}")
    return "\n".join(lines), rows


def tied(rng):
    """Degenerate and tied: small integers, zero right-hand sides, repeated
    rows, objectives parallel to a row or absent."""
    n, m = rng.randint(1, 5), rng.randint(1, 6)
    rows = []
    for _ in range(m):
        if rows and rng.random() < 0.2:
            rows.append(rng.choice(rows))
            continue
        coefs = [rng.randint(-2, 3) for _ in range(n)]
        rows.append((coefs, rng.choice(("<=", ">=", "=", "<=")), rng.choice((0, rng.randint(-2, 6)))))
    kind = rng.randint(0, 3)
    if kind == 0:
        return None, [0] * n, rows
    if kind == 1:
        return rng.choice(("min", "max")), list(rng.choice(rows)[0]), rows
    return rng.choice(("min", "max")), [rng.randint(-3, 3) for _ in range(n)], rows


def boxed(rng):
    """Generic fractional costs and rows with upper bounds: mostly unique optima."""
    n, m = rng.randint(1, 6), rng.randint(1, 5)
    frac = lambda: Fraction(rng.randint(-30, 30), rng.choice((1, 2, 3, 4, 7)))  # noqa: E731
    rows = [([frac() if rng.random() < 0.6 else 0 for _ in range(n)], rng.choice(("<=", ">=", "=")),
             rng.randint(-5, 20)) for _ in range(m)]
    rows += [([1 if k == j else 0 for k in range(n)], "<=", rng.randint(1, 9)) for j in range(n) if rng.random() < 0.8]
    return rng.choice(("min", "max")), [frac() for _ in range(n)], rows


def only_point(rng):
    """Square equality systems without objective: one feasible point at most."""
    n = rng.randint(1, 5)
    rows = [([rng.randint(3, 6) if i == j else rng.randint(-1, 1) for j in range(n)], "=", rng.randint(0, 9))
            for i in range(n)]
    return None, [0] * n, rows


def generate(rng):
    sense, cost, rows = rng.choice((tied, tied, boxed, boxed, only_point))(rng)
    n = len(cost)
    # The reader takes decimals, not fractions: write k/d as a decimal only
    # when exact; otherwise scale the row to integers.
    scaled = []
    for coefs, op, rhs in rows:
        den = 1
        for c in list(coefs) + [rhs]:
            den = den * Fraction(c).denominator // _gcd(den, Fraction(c).denominator)
        scaled.append(([int(Fraction(c) * den) for c in coefs], op, int(Fraction(rhs) * den)))
    cden = 1
    for c in cost:
        cden = cden * Fraction(c).denominator // _gcd(cden, Fraction(c).denominator)
    icost = [int(Fraction(c) * cden) for c in cost]
    text, read_rows = program_text(sense, icost, scaled, n)
    return text, (sense, icost, read_rows, n)


def _gcd(a, b):
    while b:
        a, b = b, a % b
    return a


def rank(matrix):
    rows = [list(r) for r in matrix]
    rank, cols = 0, len(rows[0]) if rows else 0
    for col in range(cols):
        pivot = next((i for i in range(rank, len(rows)) if rows[i][col] != 0), None)
        if pivot is None:
            continue
        rows[rank], rows[pivot] = rows[pivot], rows[rank]
        for i in range(len(rows)):
            if i != rank and rows[i][col] != 0:
                f = rows[i][col] / rows[rank][col]
                rows[i] = [a - f * b for a, b in zip(rows[i], rows[rank])]
        rank += 1
    return rank


def check_certificate(program, fast):
    """Re-check the certificate from the definitions: x >= 0, rows a_i x on
    their side of b_i, minimise c x (negated for max)."""
    sense, cost, rows, n = program
    m = len(rows)
    c = [-Fraction(v) if sense == "max" else Fraction(v) for v in cost] if sense else [Fraction(0)] * n
    A = [[Fraction(v) for v in coefs] for coefs, _, _ in rows]
    ops = [op for _, op, _ in rows]
    b = [Fraction(rhs) for _, _, rhs in rows]
    F = lambda values: [Fraction(v) for v in values]  # noqa: E731
    act = lambda x: [sum((A[i][j] * x[j] for j in range(n)), Fraction(0)) for i in range(m)]  # noqa: E731
    side = lambda op, r, bound: {"<=": r <= bound, ">=": r >= bound, "=": r == bound}[op]  # noqa: E731

    kind = fast["kind"]
    if kind == "infeasible":
        y = F(fast["y"])
        assert all(not (op == "<=" and v > 0) and not (op == ">=" and v < 0) for op, v in zip(ops, y))
        assert all(sum((A[i][j] * y[i] for i in range(m)), Fraction(0)) <= 0 for j in range(n))
        assert sum((bi * yi for bi, yi in zip(b, y)), Fraction(0)) > 0
        assert fast["result"] == {"status": "INFEASIBLE"}
        return
    x = F(fast["x"])
    r = act(x)
    assert all(v >= 0 for v in x) and all(side(op, ri, bi) for op, ri, bi in zip(ops, r, b))
    if kind == "unbounded":
        ray = F(fast["ray"])
        assert all(v >= 0 for v in ray) and sum((cj * rj for cj, rj in zip(c, ray)), Fraction(0)) < 0
        assert all(side(op, dr, 0) for op, dr in zip(ops, act(ray)))
        assert fast["result"] == {"status": "UNBOUNDED"}
        return

    # A unique optimum: duals y prove optimality; multipliers u and the basis
    # prove that no other point is optimal.
    y, u, basis = F(fast["y"]), F(fast["u"]), fast["basis"]
    d = [c[j] - sum((A[i][j] * y[i] for i in range(m)), Fraction(0)) for j in range(n)]
    g = [sum((A[i][j] * u[i] for i in range(m)), Fraction(0)) for j in range(n)]
    assert all(dj >= 0 for dj in d) and all(dj * xj == 0 for dj, xj in zip(d, x))
    pinned = set()
    for j in range(n):
        if d[j] > 0:
            pinned.add(j)
        elif x[j] > 0:
            assert g[j] == 0
        else:
            assert g[j] >= 0
            if g[j] > 0:
                pinned.add(j)
    for i in range(m):
        assert not (ops[i] == "<=" and y[i] > 0) and not (ops[i] == ">=" and y[i] < 0)
        tight = r[i] == b[i]
        assert y[i] == 0 or tight
        if ops[i] == "=" or y[i] != 0:
            pinned.add(n + i)
        elif not tight:
            assert u[i] == 0
        elif ops[i] == "<=":
            assert u[i] >= 0
            if u[i] > 0:
                pinned.add(n + i)
        else:
            assert u[i] <= 0
            if u[i] < 0:
                pinned.add(n + i)
    assert len(basis) == m and len(set(basis)) == m
    assert set(range(n + m)) - set(basis) <= pinned
    columns = [[A[i][k] for i in range(m)] if k < n else [-Fraction(i == k - n) for i in range(m)] for k in basis]
    assert m == 0 or rank(columns) == m
    # The result dictionary is built from x exactly as the pivots build it.
    result = fast["result"]
    assert result["status"] == "OPTIMAL"
    assert list(result["model"]) == [f"x{j}" for j in range(n)]
    for j in range(n):
        value = result["model"][f"x{j}"]
        if x[j].denominator == 1:
            assert type(value) is int and value == x[j]
        else:
            assert type(value) is float and value == float(x[j])
    objective = sum((Fraction(cost[j]) * x[j] for j in range(n)), Fraction(0)) if sense else Fraction(0)
    assert result["objective"] == float(objective)


def test_fast_path_answers_as_the_pivots_with_valid_certificates(testhook):
    rng = random.Random(2026)
    seen = {"optimum": 0, "weighted": 0, "infeasible": 0, "unbounded": 0}
    total = 1500
    for _ in range(total):
        text, program = generate(rng)
        pivots = testhook.lp_pivots_only(text)
        # repr: 1 and 1.0 are equal in Python, the dictionaries must not differ even so.
        assert repr(mivex.solve_lp_text(text)) == repr(pivots), text
        fast = testhook.lp_fast_path(text)
        if fast is None:
            continue
        assert repr(fast["result"]) == repr(pivots), text
        check_certificate(program, fast)
        seen[fast["kind"]] += 1
        seen["weighted"] += fast["kind"] == "optimum" and any(Fraction(v) != 0 for v in fast["u"])
    answered = seen["optimum"] + seen["infeasible"] + seen["unbounded"]
    print(f"fast path answered {answered} of {total}: {seen}")
    assert all(count > 5 for count in seen.values()), seen
    assert answered > total // 2


def test_several_optima_are_left_to_the_pivots(testhook):
    # Ties the pivot rule breaks its own way: no certificate may claim them.
    for text in ("max x0 + x1\nx0 + x1 <= 1", "x0 + x1 <= 1", "min x0\nx0 - x1 <= 0\nx1 <= 5",
                 "max 2*x0 + 2*x1\nx0 + x1 <= 4\nx0 <= 3"):
        assert testhook.lp_fast_path(text) is None, text
        assert repr(mivex.solve_lp_text(text)) == repr(testhook.lp_pivots_only(text))
