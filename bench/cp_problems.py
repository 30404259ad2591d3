"""CP benchmark problems as CP text: n-queens, sudoku and random problems."""
import random


def nqueens(n):
    """q_i is the column of row i; q_i + i and q_i - i all different."""
    lines = [f"# {n}-queens"]
    lines += [f"var q{i} 0 {n - 1}" for i in range(n)]
    lines += [f"var u{i} {i} {n - 1 + i}" for i in range(n)]
    lines += [f"var d{i} {-i} {n - 1 - i}" for i in range(n)]
    for i in range(n):
        lines.append(f"linear 1 q{i} -1 u{i} {-i} eq")
        lines.append(f"linear 1 q{i} -1 d{i} {i} eq")
    for prefix in "qud":
        lines.append("alldifferent " + " ".join(f"{prefix}{i}" for i in range(n)))
    return "\n".join(lines) + "\n"


def sudoku(grid):
    """grid: 81 characters, digits for givens and anything else for blanks."""
    lines = []
    for r in range(9):
        for c in range(9):
            ch = grid[9 * r + c]
            lo, hi = (int(ch), int(ch)) if ch in "123456789" else (1, 9)
            lines.append(f"var c{r}{c} {lo} {hi}")
    units = [[(r, c) for c in range(9)] for r in range(9)]
    units += [[(r, c) for r in range(9)] for c in range(9)]
    units += [[(3 * br + i, 3 * bc + j) for i in range(3) for j in range(3)] for br in range(3) for bc in range(3)]
    for unit in units:
        lines.append("alldifferent " + " ".join(f"c{r}{c}" for r, c in unit))
    return "\n".join(lines) + "\n"


def random_sudoku(seed, givens):
    """A valid grid (a shuffled pattern solution) with all but `givens` cells blanked."""
    rng = random.Random(seed)
    rows = [g * 3 + r for g in rng.sample(range(3), 3) for r in rng.sample(range(3), 3)]
    cols = [g * 3 + c for g in rng.sample(range(3), 3) for c in rng.sample(range(3), 3)]
    digits = rng.sample(range(1, 10), 9)
    solved = [digits[(3 * (r % 3) + r // 3 + c) % 9] for r in rows for c in cols]
    keep = set(rng.sample(range(81), givens))
    return "".join(str(solved[i]) if i in keep else "." for i in range(81))


def random_problem(seed, n=40, size=4, edges=3.0, sums=0.15):
    """A random colouring-like problem: not-equal edges, a few all-different
    triples and small linear sums, near the boundary between SAT and UNSAT."""
    rng = random.Random(seed)
    lines = [f"var x{i} 0 {size - 1}" for i in range(n)]
    for _ in range(int(edges * n)):
        a, b = rng.sample(range(n), 2)
        lines.append(f"neq x{a} x{b}")
    for _ in range(int(sums * n)):
        a, b, c = rng.sample(range(n), 3)
        if rng.random() < 0.5:
            lines.append(f"alldifferent x{a} x{b} x{c}")
        else:
            lines.append(f"linear 1 x{a} 1 x{b} 1 x{c} {rng.randint(size - 1, 2 * size - 2)} le")
    return "\n".join(lines) + "\n"
