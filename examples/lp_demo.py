#!/usr/bin/env python3
"""A small diet problem solved exactly with mivex.solve_lp_text.

Foods (per serving): cost, protein (g), fat (g), carbohydrate (g)
  x0 oats    0.30   5   3  27
  x1 milk    0.25   8   5  12
  x2 beans   0.45  15   1  40
  x3 eggs    0.60  13  10   1
Meet at least 60 g protein and 250 g carbohydrate, at most 30 g fat, and
eat no more than 4 servings of any one food, at the least cost.
"""
import mivex

FOODS = ["oats", "milk", "beans", "eggs"]

TEXT = """
# daily diet at the least cost
min 0.30*x0 + 0.25*x1 + 0.45*x2 + 0.60*x3
# protein, fat, carbohydrate
5*x0 + 8*x1 + 15*x2 + 13*x3 >= 60
3*x0 + 5*x1 + 1*x2 + 10*x3 <= 30
27*x0 + 12*x1 + 40*x2 + 1*x3 >= 250
# at most 4 servings of each food
x0 <= 4
x1 <= 4
x2 <= 4
x3 <= 4
"""


def main():
    result = mivex.solve_lp_text(TEXT)
    print("status:", result["status"])
    if result["status"] == "OPTIMAL":
        # Integral amounts come back as int, the others as float.
        for key, servings in result["model"].items():
            print(f"  {FOODS[int(key[1:])]:6s} {servings}")
        print(f"  cost   {result['objective']:.4f}")


if __name__ == "__main__":
    main()
