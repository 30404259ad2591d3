// Two-phase primal simplex on the exact dense tableau. Every variable is
// non-negative; constraints are expr (<= | >= | =) 0.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "core/solver_result.hpp"
#include "linear/system.hpp"

namespace mivex::lp {

using linear::LinearSystem;
using linear::Rational;

// What a tableau column stands for.
struct Column {
  enum class Kind : std::uint8_t { Structural, Slack, Surplus, Artificial };
  Kind kind;
  std::uint64_t var;  // the variable of a structural column; 0 otherwise
};

// How the last solve went (for tests and benchmarks).
struct SolveStats {
  std::size_t pivots = 0;     // all pivots, both phases and any restart
  bool bland = false;         // a repeated basis switched a phase to Bland's rule
  bool restarted = false;     // phase 2 ran again after driving out artificials
  bool fast_path = false;     // the certified fast path answered (no pivots made)
};

class LpSolver {
 public:
  // Two stores for the same tableau and the same pivots: rows of scaled
  // integers (fast) or one rational per cell (the plain form, kept as a
  // reference for tests and benchmarks).
  enum class Engine : std::uint8_t { Scaled, Dense };

  LpSolver() = default;
  explicit LpSolver(LinearSystem system) : system_(std::move(system)) {}
  void set_engine(Engine engine) { engine_ = engine; }
  // When solve() first tries the certified fast path (lp/fast_path.hpp):
  // Auto on tableaus large enough to repay it, Always, or Off (the pivots
  // alone; tests compare the paths). The answer is the same either way.
  enum class FastPath : std::uint8_t { Auto, Always, Off };
  void set_fast_path(FastPath mode) { fast_path_ = mode; }

  void set_system(LinearSystem system) { system_ = std::move(system); }
  const std::optional<LinearSystem>& system() const { return system_; }

  // Solve the stored system (left unchanged). Optimal, Infeasible, Unbounded,
  // or Unknown ("no system loaded") when no system is stored.
  LpResult solve(Cancel& cancel = Cancel::none());

  // The columns of the last solve's tableau.
  const std::vector<Column>& columns() const { return columns_; }
  // After an Optimal solve: the exact value of every variable (by index) and
  // of the objective (zero without one).
  const std::vector<Rational>& exact_values() const { return values_; }
  const Rational& exact_objective() const { return objective_; }
  const SolveStats& stats() const { return stats_; }

 private:
  template <class T>
  LpResult solve_on(Cancel& cancel);

  std::optional<LinearSystem> system_;
  Engine engine_ = Engine::Scaled;
  FastPath fast_path_ = FastPath::Auto;
  std::vector<Column> columns_;
  std::vector<Rational> values_;
  Rational objective_;
  SolveStats stats_;
};

}  // namespace mivex::lp
