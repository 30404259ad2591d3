"""SEND + MORE = MONEY: distinct digits, no leading zero."""
import mivex

LETTERS = "SENDMORY"
TEXT = "\n".join(
    [f"var {c} {1 if c in 'SM' else 0} 9" for c in LETTERS]
    + ["alldifferent " + " ".join(LETTERS)]
    # 1000 S + 100 E + 10 N + D + 1000 M + 100 O + 10 R + E
    #   = 10000 M + 1000 O + 100 N + 10 E + Y
    + ["linear 1000 S 91 E -90 N 1 D -9000 M -900 O 10 R -1 Y 0 eq"]
)

result = mivex.solve_cp_text(TEXT)
print(result["status"])
digit = {c: result["model"][f"x{i}"] for i, c in enumerate(LETTERS)}
word = lambda w: int("".join(str(digit[c]) for c in w))
print(f"  {word('SEND')}\n+ {word('MORE')}\n= {word('MONEY')}")
assert word("SEND") + word("MORE") == word("MONEY")
