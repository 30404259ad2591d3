"""A small knapsack solved exactly by branch and bound."""
import mivex

values = [10, 13, 7, 8, 12]
weights = [5, 7, 3, 4, 6]
capacity = 14

text = "max " + " + ".join(f"{v}*x{i}" for i, v in enumerate(values)) + "\n"
text += " + ".join(f"{w}*x{i}" for i, w in enumerate(weights)) + f" <= {capacity}\n"
for i in range(len(values)):
    text += f"x{i} <= 1\nint x{i}\n"

result = mivex.solve_milp_text(text)
print(result["status"], "value", result["objective"])
chosen = [i for i in range(len(values)) if result["model"][f"x{i}"] == 1]
print("take items", chosen, "weight", sum(weights[i] for i in chosen), "of", capacity)
