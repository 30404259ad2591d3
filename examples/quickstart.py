"""One small problem for each of the four solvers."""
import mivex

PROBLEMS = [
    (mivex.solve_sat, "p cnf 3 2\n1 -2 0\n2 3 0\n"),
    (mivex.solve_lp_text, "max 3*x0 + 2*x1\nx0 + x1 <= 4\nx0 + 3*x1 <= 6\nx0 <= 3\n"),
    (mivex.solve_milp_text, "max x0 + x1\n2*x0 + 2*x1 <= 3\nint x0\nint x1\n"),
    (mivex.solve_cp_text, "var x 0 2\nvar y 0 2\nlt x y\n"),
]

for solve, text in PROBLEMS:
    print(f"{solve.__name__}: {solve(text)}")
