// The textbook two-phase primal simplex on an exact dense tableau, kept as
// the reference the revised simplex must pivot exactly alike with. Every
// variable is non-negative; constraints are expr (<= | >= | =) 0.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "core/solver_result.hpp"
#include "linear/system.hpp"
#include "support/tableau_phase.hpp"

namespace mivex::lp::reference {

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
};

class TableauLpSolver {
 public:
  // Two stores for the same tableau and the same pivots: rows of scaled
  // integers (fast) or one rational per cell (the plain form, kept as a
  // reference for tests and benchmarks).
  enum class Engine : std::uint8_t { Scaled, Dense };

  TableauLpSolver() = default;
  explicit TableauLpSolver(LinearSystem system) : system_(std::move(system)) {}
  void set_engine(Engine engine) { engine_ = engine; }
  // Record every pivot (entering column, leaving column) into `trace`.
  void record_trace(Trace* trace) { trace_ = trace; }

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
  std::vector<Column> columns_;
  std::vector<Rational> values_;
  Rational objective_;
  SolveStats stats_;
  Trace* trace_ = nullptr;
};

}  // namespace mivex::lp::reference
