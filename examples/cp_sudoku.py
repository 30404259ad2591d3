"""Solve a sudoku: every row, column and 3x3 box holds 1..9 once."""
import mivex

PUZZLE = """
    .1. 9.. ...
    ..5 ..7 ...
    ... ... ...
    ... 4.9 7..
    4.. 1.. ...
    .78 ..3 5.4
    7.. ..1 ..5
    63. 59. 84.
    592 7.. ...
"""

cells = [ch for ch in PUZZLE if ch in ".123456789"]
lines = []
for i, ch in enumerate(cells):
    lo, hi = (int(ch), int(ch)) if ch != "." else (1, 9)
    lines.append(f"var r{i // 9}c{i % 9} {lo} {hi}")
units = [[(r, c) for c in range(9)] for r in range(9)]
units += [[(r, c) for r in range(9)] for c in range(9)]
units += [[(br + i, bc + j) for i in range(3) for j in range(3)] for br in (0, 3, 6) for bc in (0, 3, 6)]
lines += ["alldifferent " + " ".join(f"r{r}c{c}" for r, c in unit) for unit in units]

result = mivex.solve_cp_text("\n".join(lines))
print(result["status"])
grid = [[result["model"][f"x{9 * r + c}"] for c in range(9)] for r in range(9)]
for r, row in enumerate(grid):
    print(" ".join("".join(map(str, row[b:b + 3])) for b in (0, 3, 6)))
    if r in (2, 5):
        print()
assert all(sorted(grid[r][c] for r, c in unit) == list(range(1, 10)) for unit in units)
assert all(ch == "." or int(ch) == grid[i // 9][i % 9] for i, ch in enumerate(cells))
