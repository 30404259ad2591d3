"""solve_sat end to end: stated models, frozen golden models, agreement with
independent solvers on generated and corpus instances, refusal and interrupt."""
import csv
import os

import pytest

import mivex


# ---------------------------------------------------------------- generators
class Rng:
    """xorshift64*: the instances must not depend on the Python version."""

    def __init__(self, seed):
        self.state = (seed * 0x9E3779B97F4A7C15 + 1) & (2**64 - 1) or 1

    def below(self, n):
        x = self.state
        x ^= (x >> 12)
        x ^= (x << 25) & (2**64 - 1)
        x ^= (x >> 27)
        self.state = x
        return ((x * 0x2545F4914F6CDD1D) & (2**64 - 1)) % n


def random_3sat(n, m, seed):
    rng = Rng(seed)
    clauses = []
    for _ in range(m):
        chosen = []
        while len(chosen) < 3:
            v = rng.below(n) + 1
            if v not in chosen:
                chosen.append(v)
        clauses.append([v if rng.below(2) else -v for v in chosen])
    return clauses


def pigeonhole(pigeons, holes):
    var = lambda p, h: p * holes + h + 1
    clauses = [[var(p, h) for h in range(holes)] for p in range(pigeons)]
    for h in range(holes):
        for p in range(pigeons):
            for q in range(p + 1, pigeons):
                clauses.append([-var(p, h), -var(q, h)])
    return clauses


def colouring(nodes, edge_count, colours, seed):
    rng = Rng(seed)
    edges = set()
    while len(edges) < edge_count:
        a, b = rng.below(nodes), rng.below(nodes)
        if a != b:
            edges.add((min(a, b), max(a, b)))
    var = lambda node, c: node * colours + c + 1
    clauses = [[var(v, c) for c in range(colours)] for v in range(nodes)]
    for v in range(nodes):
        for c in range(colours):
            for d in range(c + 1, colours):
                clauses.append([-var(v, c), -var(v, d)])
    for a, b in sorted(edges):
        clauses.extend([-var(a, c), -var(b, c)] for c in range(colours))
    return clauses


def dimacs(clauses):
    n = max((abs(l) for c in clauses for l in c), default=0)
    lines = [f"p cnf {n} {len(clauses)}"] + [" ".join(map(str, c)) + " 0" for c in clauses]
    return "\n".join(lines) + "\n"


def read_cnf(text):
    """Clauses of a well-formed DIMACS text (for the peers)."""
    clauses, current = [], []
    for line in text.splitlines():
        line = line.strip()
        if not line or line[0] in "cp%":
            continue
        for token in line.split():
            lit = int(token)
            if lit == 0:
                clauses.append(current)
                current = []
            else:
                current.append(lit)
    if current:
        clauses.append(current)
    return clauses


def check_model(clauses, result):
    """A SAT model names x0..x(n-1) in order and satisfies every clause."""
    model = result["model"]
    n = max((abs(l) for c in clauses for l in c), default=0)
    assert list(model) == [f"x{i}" for i in range(n)]
    assert all(type(v) is bool for v in model.values())
    for clause in clauses:
        assert any(model[f"x{abs(l) - 1}"] == (l > 0) for l in clause), clause


def peer_status(clauses):
    from pysat.solvers import Minisat22

    with Minisat22(bootstrap_with=clauses) as peer:
        return "SAT" if peer.solve() else "UNSAT"


def model_hex(result):
    """The model as hex digits, variable 0 in the lowest bit."""
    if result["status"] != "SAT":
        return result["status"]
    bits = sum(1 << i for i, v in enumerate(result["model"].values()) if v)
    return f"{len(result['model'])}:{bits:x}"


# ---------------------------------------------------------------- golden set
def golden_instances():
    """Generated instances whose models are frozen below."""
    cases = {}
    for n in (20, 30, 50, 75, 100):
        for seed in range(6):
            cases[f"r3_{n}_{seed}"] = random_3sat(n, round(n * 4.26), 1000 * n + seed)
    # Longer searches, up to just under the point where the activity increment overflows.
    for n, ratio, seed in ((150, 4.1, 1), (175, 4.26, 2), (200, 4.0, 0), (200, 4.0, 3)):
        cases[f"r3_{n}_{ratio}_{seed}"] = random_3sat(n, round(n * ratio), 7000 * n + seed)
    cases["ph_5_5"] = pigeonhole(5, 5)
    cases["ph_6_7"] = pigeonhole(6, 7)
    cases["ph_6_5"] = pigeonhole(6, 5)
    cases["col_20_40_3"] = colouring(20, 40, 3, 1)
    cases["col_30_60_4"] = colouring(30, 60, 4, 2)
    cases["col_25_70_3"] = colouring(25, 70, 3, 3)
    return cases


CORPUS_GOLDEN_FILES = [f"uf20-0{i}.cnf" for i in (1, 3, 4, 5)] + [
    f"uf50-0{i}.cnf" for i in (2, 3, 4, 6, 7, 8)
]

# Frozen from the step-by-step reference search before the fast one existed.
GOLDEN = {
    "r3_20_0": "20:fbd7f", "r3_20_1": "20:501fe", "r3_20_2": "UNSAT", "r3_20_3": "UNSAT",
    "r3_20_4": "UNSAT", "r3_20_5": "UNSAT",
    "r3_30_0": "30:260c796e", "r3_30_1": "30:27ff3f14", "r3_30_2": "UNSAT", "r3_30_3": "UNSAT",
    "r3_30_4": "30:236517f5", "r3_30_5": "30:ee3c759",
    "r3_50_0": "UNSAT", "r3_50_1": "50:256aa3628e507", "r3_50_2": "50:2c57afd6c7a6b",
    "r3_50_3": "UNSAT", "r3_50_4": "UNSAT", "r3_50_5": "UNSAT",
    "r3_75_0": "75:7fec3b76b5dd3bd0f35", "r3_75_1": "UNSAT", "r3_75_2": "UNSAT",
    "r3_75_3": "75:7ecfc5e8a7d17ded664", "r3_75_4": "UNSAT", "r3_75_5": "75:1847e195fbbe386dcae",
    "r3_100_0": "100:3ca28df26da5cb1173a297fbb", "r3_100_1": "100:3ffe86e66b337480bdb5552d6",
    "r3_100_2": "100:db6c18bc9c4b024b3acc5b98c", "r3_100_3": "UNSAT", "r3_100_4": "UNSAT",
    "r3_100_5": "UNSAT",
    "r3_150_4.1_1": "150:d676c26cdbc8d54c3e76c862e35fdcd3386e9",
    "r3_175_4.26_2": "175:6457f2aa676bbe9397481377abe5479e73bb27eb3f5e",
    "r3_200_4.0_0": "200:f55ea2dc926f944e92d876469aa47ba3caab5df01f9135372c",
    "r3_200_4.0_3": "200:cc42cf7dae57fafd4bea0fe1adad3da3d75b47fe90182fc91e",
    "ph_5_5": "25:1041041", "ph_6_7": "42:30101008201", "ph_6_5": "UNSAT",
    "col_20_40_3": "60:892864911261509", "col_30_60_4": "120:888844884884844842228221211821",
    "col_25_70_3": "UNSAT",
    "uf20-01.cnf": "20:f678e", "uf20-03.cnf": "20:b97ef", "uf20-04.cnf": "20:1964d",
    "uf20-05.cnf": "20:ada50", "uf50-02.cnf": "50:2de3a5276f726", "uf50-03.cnf": "50:3a77be9ef7c9b",
    "uf50-04.cnf": "50:1a92445d11b9b", "uf50-06.cnf": "50:aff67161f06b",
    "uf50-07.cnf": "50:349f7fc9c29bc", "uf50-08.cnf": "50:38381eb269fa1",
}


# ---------------------------------------------------------------- tests
def solve(clauses, header="p cnf 0 0"):
    return mivex.solve_sat(header + "\n" + "".join(" ".join(map(str, c)) + " 0\n" for c in clauses))


def test_stated_models():
    T, F = True, False
    cases = [
        ([], {}),
        ([[1, 2]], {"x0": T, "x1": T}),
        ([[1], [-1, 2], [-2, -3]], {"x0": T, "x1": T, "x2": F}),  # level 0 alone decides
        ([[1, 3]], {"x0": T, "x1": T, "x2": T}),  # x1 occurs nowhere, is still decided true
        ([[1], [1]], {"x0": T}),
        # Decisions take the highest index first: x3 true forces x0 false, then x1.
        ([[1, 2], [3, 4], [-4, -1]], {"x0": F, "x1": T, "x2": T, "x3": T}),
    ]
    for clauses, model in cases:
        assert solve(clauses) == {"status": "SAT", "model": model}, clauses
    unsat = [[[]], [[1], [-1]], [[1, 2], [1, -2], [-1, 2], [-1, -2]], [[2, 2], [-2]], [[1, -1], []]]
    for clauses in unsat:
        assert solve(clauses) == {"status": "UNSAT"}, clauses
    # The declared counts play no part; literals beyond them are variables.
    assert solve([[1, 5]], "p cnf 2 9") == {"status": "SAT", "model": {f"x{i}": T for i in range(5)}}


@pytest.mark.parametrize("name", list(golden_instances()))
def test_golden_generated(name):
    assert model_hex(mivex.solve_sat(dimacs(golden_instances()[name]))) == GOLDEN[name]


def test_golden_corpus(corpus):
    for name in CORPUS_GOLDEN_FILES:
        text = (corpus / "sat" / name).read_text()
        assert model_hex(mivex.solve_sat(text)) == GOLDEN[name], name


def test_random_3sat_agrees_with_minisat():
    """Near the threshold both answers occur; every model is checked clause by clause."""
    seen = {"SAT": 0, "UNSAT": 0}
    for i in range(300):
        n = 20 + (i % 9) * 10  # 20 .. 100
        clauses = random_3sat(n, round(n * 4.26), 500_000 + i)
        result = mivex.solve_sat(dimacs(clauses))
        assert result["status"] == peer_status(clauses), i
        if result["status"] == "SAT":
            check_model(clauses, result)
        seen[result["status"]] += 1
    assert min(seen.values()) > 50


def test_structured_agrees_with_peers():
    import pycosat

    instances = [pigeonhole(p, h) for p in range(3, 7) for h in range(3, 7)]
    instances += [colouring(n, e, k, s) for n, e, k in ((15, 30, 3), (25, 60, 3), (30, 80, 4)) for s in range(4)]
    for clauses in instances:
        result = mivex.solve_sat(dimacs(clauses))
        expected = "UNSAT" if pycosat.solve(clauses) == "UNSAT" else "SAT"
        assert result["status"] == expected == peer_status(clauses)
        if expected == "SAT":
            check_model(clauses, result)


def small_corpus_files(corpus):
    """uf/uuf up to 100 variables, flat, aim and the small pigeonholes."""
    with open(corpus / "index.csv") as f:
        rows = [r for r in csv.DictReader(f) if r["family"] == "sat"]
    keep = []
    for r in rows:
        name = r["file"]
        stem = name.split("-")[0]
        if stem in ("uf20", "uf50", "uf75", "uf100", "uuf50", "uuf75", "uuf100"):
            keep.append(r)
        elif name.startswith(("flat", "aim-")) or name in ("hole6.cnf", "hole7.cnf"):
            keep.append(r)
    return keep


def test_corpus_statuses(corpus):
    rows = small_corpus_files(corpus)
    assert len(rows) > 40
    for row in rows:
        text = (corpus / "sat" / row["file"]).read_text()
        result = mivex.solve_sat(text)
        assert result["status"] == row["expected_status"], row["file"]
        if result["status"] == "SAT":
            check_model(read_cnf(text), result)


def test_huge_literal_is_refused_cleanly():
    for lit in ("-2147483648", "2147483647"):
        with pytest.raises(MemoryError) as caught:
            mivex.solve_sat(f"p cnf 1 1\n{lit} 0\n")
        assert "variables needs about" in str(caught.value)
    # Past the size where the check starts, a problem that fits still solves.
    n = (1 << 20) + 1
    result = mivex.solve_sat(f"p cnf {n} 1\n-{n} 0\n")
    assert len(result["model"]) == n and result["model"][f"x{n - 1}"] is False


def test_sigint_interrupts_a_long_search(sigint_during):
    sigint_during(mivex.solve_sat, dimacs(pigeonhole(12, 11)), delay=0.3)
    assert solve([[1]])["status"] == "SAT"


if __name__ == "__main__":
    # Print the golden table from the current build: python test_sat_solver.py [corpus]
    import sys

    table = {name: model_hex(mivex.solve_sat(dimacs(c))) for name, c in golden_instances().items()}
    if len(sys.argv) > 1:
        for name in CORPUS_GOLDEN_FILES:
            with open(os.path.join(sys.argv[1], "sat", name)) as f:
                table[name] = model_hex(mivex.solve_sat(f.read()))
    print("GOLDEN = {")
    for name, value in table.items():
        print(f"    {name!r}: {value!r},")
    print("}")
