"""Colour a map with solve_sat: the Petersen graph needs three colours.

Each (vertex, colour) pair is a Boolean variable; the CNF says every vertex
gets at least one colour, at most one, and neighbours differ. Two colours
are not enough (UNSAT), three are (SAT), and the model gives the colouring.
"""
import mivex

# The Petersen graph: an outer 5-cycle, an inner pentagram and five spokes.
EDGES = [(i, (i + 1) % 5) for i in range(5)]
EDGES += [(5 + i, 5 + (i + 2) % 5) for i in range(5)]
EDGES += [(i, 5 + i) for i in range(5)]
VERTICES = 10


def colouring_cnf(colours):
    var = lambda v, c: v * colours + c + 1  # DIMACS variables start at 1
    clauses = [[var(v, c) for c in range(colours)] for v in range(VERTICES)]
    for v in range(VERTICES):
        for c in range(colours):
            clauses += [[-var(v, c), -var(v, d)] for d in range(c + 1, colours)]
    for a, b in EDGES:
        clauses += [[-var(a, c), -var(b, c)] for c in range(colours)]
    lines = [f"c Petersen graph, {colours} colours", f"p cnf {VERTICES * colours} {len(clauses)}"]
    lines += [" ".join(map(str, clause)) + " 0" for clause in clauses]
    return "\n".join(lines) + "\n"


for colours in (2, 3):
    result = mivex.solve_sat(colouring_cnf(colours))
    print(f"{colours} colours: {result['status']}")
    if result["status"] == "SAT":
        model = result["model"]  # x0 is DIMACS variable 1, and so on
        colour_of = {v: c for v in range(VERTICES) for c in range(colours) if model[f"x{v * colours + c}"]}
        print("  colouring:", colour_of)
        assert all(colour_of[a] != colour_of[b] for a, b in EDGES)

# Malformed text is a ValueError naming the line.
try:
    mivex.solve_sat("p cnf 2 1\n1 two 0\n")
except ValueError as error:
    print("reader:", error)
