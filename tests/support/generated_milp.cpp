#include "support/generated_milp.hpp"

#include <string>
#include <vector>

namespace mivex::support {

// Small MILPs of the kinds that trouble a warm start: fractional optima that
// branch deep, ties (an objective parallel to a row, all-equal costs: nodes
// with several optima, which the fast path must leave to the pivots),
// degenerate rows (zero right-hand sides), equalities that no integer point
// meets (infeasible nodes), decimal data, and a few unbounded relaxations.
std::string generated_milp(MilpGen& g) {
  const int kind = g.pick(0, 4);
  const int n = g.pick(2, 8), m = g.pick(1, 6);
  auto coef = [&] {
    if (kind == 3) return std::to_string(g.pick(-9, 9)) + "." + std::to_string(g.pick(100, 999));
    return std::to_string(g.pick(-4, 6));
  };
  std::vector<std::string> rows;
  for (int i = 0; i < m; ++i) {
    std::string line;
    for (int j = 0; j < n; ++j) {
      if (g.pick(0, 2) == 0) continue;
      line += (line.empty() ? "" : " + ") + coef() + "*x" + std::to_string(j);
    }
    if (line.empty()) line = "x" + std::to_string(g.pick(0, n - 1));
    if (kind == 2 && i == 0) {
      // 2 x_a + 2 x_b = odd: no integer point, but the relaxation is fine.
      line = "2*x0 + 2*x1";
      rows.push_back(line + (g.pick(0, 1) ? " = 3" : " <= 5"));
      continue;
    }
    const char* ops[] = {" <= ", " <= ", " >= ", " = "};
    const std::string op = ops[g.pick(0, kind == 1 ? 2 : 3)];
    const std::string rhs = kind == 1 && g.pick(0, 1) ? "0" : std::to_string(g.pick(0, 12)) + ".5";
    rows.push_back(line + op + rhs);
  }
  std::string text = g.pick(0, 1) ? "max " : "min ";
  if (kind == 1 && g.pick(0, 1)) {
    text += rows[0].substr(0, rows[0].find_first_of("<>="));  // parallel to a row
  } else if (kind == 4) {
    for (int j = 0; j < n; ++j) text += std::string(j ? " + " : "") + "x" + std::to_string(j);  // all alike
  } else {
    for (int j = 0; j < n; ++j) text += std::string(j ? " + " : "") + coef() + "*x" + std::to_string(j);
  }
  text += "\n0*x0";
  for (int j = 1; j < n; ++j) text += " + 0*x" + std::to_string(j);
  text += " >= 0";
  for (const auto& r : rows) text += "\n" + r;
  for (int j = 0; j < n; ++j) {
    // Mostly boxed; now and then a free upward direction.
    if (g.pick(0, 9) != 0) text += "\nx" + std::to_string(j) + " <= " + std::to_string(g.pick(1, 6));
    if (g.pick(0, 4) != 0) text += "\nint x" + std::to_string(j);
  }
  return text;
}

std::string covering_milp(MilpGen& g) {
  const int n = g.pick(4, 12), m = g.pick(3, 9);
  // Half-integral right-hand sides (fractional optima), or whole ones with
  // unit entries (optimal faces that hold integral points as well).
  const bool whole = g.pick(0, 1) == 1;
  std::string text = "min";
  for (int j = 0; j < n; ++j) text += std::string(j ? " + " : " ") + std::to_string(g.pick(1, 2)) + "*x" + std::to_string(j);
  for (int i = 0; i < m; ++i) {
    std::string row;
    for (int j = 0; j < n; ++j) {
      if (g.pick(0, 2) == 0) row += (row.empty() ? "" : " + ") + std::to_string(whole ? 1 : g.pick(1, 3)) + "*x" + std::to_string(j);
    }
    if (!row.empty()) text += "\n" + row + " >= " + (whole ? std::to_string(g.pick(1, 2)) : std::to_string(g.pick(1, 6)) + ".5");
  }
  for (int j = 0; j < n; ++j) text += "\nx" + std::to_string(j) + " <= 3\nint x" + std::to_string(j);
  return text;
}

}  // namespace mivex::support
