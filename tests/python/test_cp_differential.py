"""solve_cp_text through the module against brute-force enumeration (the
first-solution oracle of the search rules is tests/support/cp_reference,
compared with the whole CP path in tests/cpp/cp_differential_test); corpus
models checked against their text."""
import csv
import itertools
import random

import pytest

import mivex

# --- problems ----------------------------------------------------------------


def holds(c, x):
    kind = c[0]
    if kind == "eq":
        return x[c[1]] == x[c[2]]
    if kind == "neq":
        return x[c[1]] != x[c[2]]
    if kind == "lt":
        return x[c[1]] < x[c[2]]
    if kind == "le":
        return x[c[1]] <= x[c[2]] + c[3]
    if kind == "linear":
        total = sum(a * x[v] for a, v in c[1])
        return {"le": total <= c[2], "eq": total == c[2], "ge": total >= c[2]}[c[3]]
    values = [x[v] for v in c[1]]
    return len(set(values)) == len(values)


def brute_force(domains, constraints):
    ranges = [range(lo, hi + 1) for lo, hi in domains]
    return any(all(holds(c, x) for c in constraints) for x in itertools.product(*ranges))


def random_problem(rng):
    n = rng.randint(1, 5)
    domains = []
    for _ in range(n):
        lo = rng.randint(-3, 3)
        hi = lo + (-1 if rng.random() < 0.03 else rng.choice([0, 1, 2, 3, 3, 3, 4, 5]))
        domains.append((lo, hi))
    var = lambda: rng.randrange(n)
    constraints = []
    for _ in range(rng.randint(0, 6)):
        kind = rng.choice(["eq", "neq", "neq", "lt", "le", "linear", "linear", "alldifferent", "alldifferent"])
        if kind in ("eq", "neq", "lt"):
            constraints.append((kind, var(), var()))
        elif kind == "le":
            constraints.append(("le", var(), var(), rng.randint(-3, 3)))
        elif kind == "linear":
            terms = [(rng.randint(-3, 3), var()) for _ in range(rng.randint(1, 4))]
            constraints.append(("linear", terms, rng.randint(-6, 6), rng.choice(["le", "eq", "ge"])))
        else:
            constraints.append(("alldifferent", [var() for _ in range(rng.randint(2, 4))]))
    return domains, constraints


def to_text(domains, constraints, rng):
    # Names are shuffled letters so that the model's keys must come from
    # declaration order, not from the names.
    names = rng.sample(["p", "q", "r", "s", "t", "u", "w"], len(domains))
    lines = [f"var {names[i]} {lo} {hi}" for i, (lo, hi) in enumerate(domains)]
    for c in constraints:
        kind = c[0]
        if kind in ("eq", "neq", "lt"):
            lines.append(f"{kind} {names[c[1]]} {names[c[2]]}")
        elif kind == "le":
            lines.append(f"le {names[c[1]]} {names[c[2]]} {c[3]}")
        elif kind == "linear":
            pairs = " ".join(f"{a} {names[v]}" for a, v in c[1])
            lines.append(f"linear {pairs} {c[2]} {c[3]}")
        else:
            keyword = rng.choice(["alldifferent", "allDiff"])
            lines.append(keyword + " " + " ".join(names[v] for v in c[1]))
    return "\n".join(lines)


@pytest.mark.parametrize("seed", range(8))
def test_random_problems_match_enumeration(seed):
    rng = random.Random(seed)
    answers = {"SAT": 0, "UNSAT": 0}
    for _ in range(50):
        domains, constraints = random_problem(rng)
        text = to_text(domains, constraints, rng)
        result = mivex.solve_cp_text(text)
        answers[result["status"]] += 1
        assert brute_force(domains, constraints) == (result["status"] == "SAT"), text
        if result["status"] == "UNSAT":
            assert result == {"status": "UNSAT"}, text
        else:
            model = [result["model"][f"x{i}"] for i in range(len(domains))]
            assert list(result["model"]) == [f"x{i}" for i in range(len(domains))]
            assert all(lo <= v <= hi for v, (lo, hi) in zip(model, domains))
            assert all(holds(c, model) for c in constraints), text
    assert min(answers.values()) >= 5, answers


def read_text(text):
    """CP text (well-formed) to domains and constraints in the form above."""
    index, domains, constraints = {}, [], []
    for line in text.splitlines():
        t = line.split()
        if not t or t[0].startswith(("#", "//")):
            continue
        if t[0] == "var":
            index[t[1]] = len(domains)
            domains.append((int(t[2]), int(t[3])))
        elif t[0] in ("eq", "neq", "lt", "le"):
            constraints.append((t[0], index[t[1]], index[t[2]], *map(int, t[3:4])))
        elif t[0] == "linear":
            k = (len(t) - 3) // 2
            terms = [(int(t[1 + 2 * i]), index[t[2 + 2 * i]]) for i in range(k)]
            constraints.append(("linear", terms, int(t[1 + 2 * k]), t[2 + 2 * k]))
        else:
            constraints.append(("alldifferent", [index[name] for name in t[1:]]))
    return domains, constraints


def test_corpus_statuses_and_models(corpus):
    rows = [r for r in csv.DictReader(open(corpus / "index.csv")) if r["family"] == "cp"]
    assert rows
    for row in rows:
        text = (corpus / "cp" / row["file"]).read_text()
        result = mivex.solve_cp_text(text)
        assert result["status"] == row["expected_status"], row["file"]
        if result["status"] == "SAT":
            domains, constraints = read_text(text)
            model = [result["model"][f"x{i}"] for i in range(len(domains))]
            assert all(lo <= v <= hi for v, (lo, hi) in zip(model, domains)), row["file"]
            assert all(holds(c, model) for c in constraints), row["file"]
