"""MPS (fixed or free, netlib style) to mivex LP text, so that models outside
the corpus can be timed the way a user would run them.

    python bench/mps_text.py MODEL.mps OUT.lp

The text keeps the model's optimum: bounds become rows, a finite nonzero
lower bound shifts its column (the objective keeps the constant), a column
without a lower bound is split into two, RANGES give two rows. A right-hand
side on the objective row is ignored, as netlib's optima and esolver do
(glpsol and HiGHS read it as a constant, with opposite signs). Numbers must
fit nine decimals (the LP text's limit); a longer one is rounded and counted.
Column k of the COLUMNS section is x_k; split parts follow them all.
Sections beyond those of an LP or MILP (QUADOBJ, SOS, ...) are skipped and
listed in `other`."""
import sys
from dataclasses import dataclass, field
from decimal import Decimal, ROUND_HALF_EVEN

NINE = Decimal("1e-9")
INFINITE = Decimal("1e30")
HOLDS = {"<=": lambda a, b: a <= b, ">=": lambda a, b: a >= b, "=": lambda a, b: a == b}
KNOWN = {"NAME", "OBJSENSE", "ROWS", "COLUMNS", "RHS", "RANGES", "BOUNDS"}


@dataclass
class Mps:
    name: str = ""
    sense: str = "min"
    objective: str = None
    row_type: dict = field(default_factory=dict)  # name -> L, G or E
    rows: list = field(default_factory=list)
    columns: dict = field(default_factory=dict)   # name -> {row: value}
    integer: set = field(default_factory=set)
    rhs: dict = field(default_factory=dict)
    ranges: dict = field(default_factory=dict)
    bounds: dict = field(default_factory=dict)    # name -> [lower or None, upper or None]
    other: set = field(default_factory=set)       # sections this reader skips (QUADOBJ, SOS, ...)


def read_mps(text):
    m = Mps()
    section, marked = None, False
    lowered = set()  # columns given a lower bound

    def pairs(fields):
        # An optional set name first: fields come in (name, value) pairs after it.
        return zip(fields[len(fields) % 2::2], fields[len(fields) % 2 + 1::2])

    for line in text.splitlines():
        if not line.strip() or line.startswith("*"):
            continue
        fields = line.split()
        if not line[0].isspace():
            section = fields[0].upper()
            if section == "ENDATA":
                break
            if section not in KNOWN:
                m.other.add(section)
            if section == "NAME" and len(fields) > 1:
                m.name = fields[1]
            if section == "OBJSENSE" and len(fields) > 1:
                m.sense = "max" if fields[1].upper().startswith("MAX") else "min"
            continue
        if section == "OBJSENSE":
            m.sense = "max" if fields[0].upper().startswith("MAX") else "min"
        elif section == "ROWS":
            kind, name = fields[0].upper(), fields[1]
            if kind == "N":
                m.objective = m.objective or name
            else:
                m.row_type[name] = kind
                m.rows.append(name)
        elif section == "COLUMNS":
            if len(fields) >= 3 and fields[1] == "'MARKER'":
                marked = fields[2] == "'INTORG'"
                continue
            column = m.columns.setdefault(fields[0], {})
            if marked:
                m.integer.add(fields[0])
            for row, value in pairs(fields[1:]):
                column[row] = Decimal(value)
        elif section in ("RHS", "RANGES"):
            target = m.rhs if section == "RHS" else m.ranges
            for row, value in pairs(fields):
                target[row] = Decimal(value)
        elif section == "BOUNDS":
            kind, name = fields[0].upper(), fields[2] if len(fields) > 2 else fields[-1]
            value = Decimal(fields[3]) if len(fields) > 3 else None
            # 1e30 and beyond stand for no bound.
            if kind == "UP" and value >= INFINITE:
                kind = "PL"
            elif kind == "LO" and value <= -INFINITE:
                kind = "MI"
            lower, upper = m.bounds.setdefault(name, [Decimal(0), None])
            if kind == "UP":
                upper = value
                if value < 0 and name not in lowered:
                    lower = None  # old writers' way of saying "unbounded below"
            elif kind == "LO":
                lower = value
                lowered.add(name)
            elif kind == "FX":
                lower = upper = value
            elif kind == "FR":
                lower = upper = None
            elif kind == "MI":
                lower = None
            elif kind == "PL":
                upper = None
            elif kind == "BV":
                lower, upper = Decimal(0), Decimal(1)
                m.integer.add(name)
            elif kind in ("LI", "UI"):
                m.integer.add(name)
                if kind == "LI":
                    lower = value
                else:
                    upper = value
            m.bounds[name] = [lower, upper]
    return m


class Writer:
    def __init__(self):
        self.rounded = 0

    def number(self, v):
        q = v.quantize(NINE, rounding=ROUND_HALF_EVEN)
        self.rounded += q != v
        text = format(q, "f")
        if "." in text:
            text = text.rstrip("0").rstrip(".")
        return "0" if text in ("", "-0") else text

    def terms(self, terms):
        out = " + ".join(f"{self.number(v)}*x{k}" for k, v in terms if v != 0)
        return out.replace("+ -", "- ")


def to_text(m):
    """(text, numbers rounded to nine decimals)."""
    names = list(m.columns)
    index = {c: k for k, c in enumerate(names)}
    minus, shift = {}, {}
    for c in names:
        lower, _ = m.bounds.get(c, [Decimal(0), None])
        if lower is None:
            minus[c] = len(names) + len(minus)
        elif lower != 0:
            shift[c] = lower
    n = len(names) + len(minus)
    cost = [Decimal(0)] * n
    constant = Decimal(0)  # a right-hand side on the objective row is ignored, as netlib's optima do
    rows = {r: [] for r in m.rows}
    moved = {r: Decimal(0) for r in m.rows}
    for c in names:
        for r, v in m.columns[c].items():
            if r == m.objective:
                cost[index[c]] = v
                if c in minus:
                    cost[minus[c]] = -v
                constant += v * shift.get(c, 0)
            elif r in rows:
                rows[r].append((index[c], v))
                if c in minus:
                    rows[r].append((minus[c], -v))
                moved[r] += v * shift.get(c, 0)
    w = Writer()
    # Every column in the objective, zero costs too, so x0..x(n-1) exist in order.
    listed = " + ".join(f"{w.number(cost[k])}*x{k}" for k in range(n)).replace("+ -", "- ")
    if constant != 0:
        listed += f" + {w.number(constant)}".replace("+ -", "- ")
    lines = [f"{m.sense} {listed}"]
    symbol = {"L": "<=", "G": ">=", "E": "="}
    for r in m.rows:
        b = m.rhs.get(r, Decimal(0)) - moved[r]
        if r in m.ranges:
            width, kind = abs(m.ranges[r]), m.row_type[r]
            low, high = (b - width, b) if kind == "L" or (kind == "E" and m.ranges[r] < 0) else (b, b + width)
            sides = [(">=", low), ("<=", high)]
        else:
            sides = [(symbol[m.row_type[r]], b)]
        body = w.terms(rows[r])
        if not body:
            # An empty row holds or not by its bounds alone: only a broken one stays.
            sides = [(op, v) for op, v in sides if not HOLDS[op](Decimal(0), v)]
            body = "0*x0"
        lines += [f"{body} {op} {w.number(v)}" for op, v in sides]
    for c in names:
        lower, upper = m.bounds.get(c, [Decimal(0), None])
        if upper is None:
            continue
        parts = [(index[c], Decimal(1))] + ([(minus[c], Decimal(-1))] if c in minus else [])
        lines.append(f"{w.terms(parts)} <= {w.number(upper - (lower or 0))}")
    lines += [f"int x{index[c]}" for c in names if c in m.integer]
    return "\n".join(lines) + "\n", w.rounded


def main(source, target):
    with open(source) as f:
        text, rounded = to_text(read_mps(f.read()))
    with open(target, "w") as f:
        f.write(text)
    if rounded:
        print(f"{source}: {rounded} numbers rounded to nine decimals", file=sys.stderr)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
