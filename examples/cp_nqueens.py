"""Place n queens on an n x n board so that none attacks another.

q_i is the column of the queen in row i. Columns differ, and so do the two
diagonals, q_i + i and q_i - i, each held in its own variable."""
import sys

import mivex


def nqueens_text(n):
    lines = [f"var q{i} 0 {n - 1}" for i in range(n)]
    for i in range(n):
        lines += [f"var up{i} {i} {n - 1 + i}", f"linear 1 q{i} -1 up{i} {-i} eq"]
        lines += [f"var down{i} {-i} {n - 1 - i}", f"linear 1 q{i} -1 down{i} {i} eq"]
    for name in ("q", "up", "down"):
        lines.append("alldifferent " + " ".join(f"{name}{i}" for i in range(n)))
    return "\n".join(lines)


n = int(sys.argv[1]) if len(sys.argv) > 1 else 8
result = mivex.solve_cp_text(nqueens_text(n))
print(f"{n}-queens: {result['status']}")
if result["status"] == "SAT":
    columns = [result["model"][f"x{i}"] for i in range(n)]  # the q_i are declared first
    for col in columns:
        print(" ".join("Q" if c == col else "." for c in range(n)))
    assert len({c for c in columns}) == n
    assert len({c + i for i, c in enumerate(columns)}) == n
    assert len({c - i for i, c in enumerate(columns)}) == n
