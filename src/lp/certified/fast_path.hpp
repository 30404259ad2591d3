// The fast path in front of the exact simplex: a floating-point simplex
// proposes a final basis, exact arithmetic certifies what it claims, and
// only a certified answer is returned. A certified optimum is also proved to
// be the only optimal point, so it is the point the exact pivots reach too;
// infeasibility and unboundedness do not depend on the pivots at all. Hence
// the result equals the exact path's own, and anything uncertain is left to
// the exact path.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "core/solver_result.hpp"
#include "linear/rational.hpp"
#include "linear/system.hpp"
#include "lp/certified/certify.hpp"
#include "lp/certified/column_form.hpp"
#include "lp/certified/float_propose.hpp"

namespace mivex::lp {

struct FastAnswer {
  LpResult result;
  // Optimal: the exact point (by variable) and objective value, as
  // LpSolver::exact_values() and exact_objective() report them.
  std::vector<linear::Rational> values;
  linear::Rational objective;
  Certificate certificate;
};

// A number the optimum (in the minimised form: the objective, negated when
// maximising, without its constant) is proven not to be below, made only
// when asked for (it costs an exact solve); none when no proof is at hand.
// Valid while the cancel of the solve that gave it is.
using FloorSource = std::function<std::optional<linear::Rational>()>;

// A certified result for `system` with the `extra` constraints (if any)
// after its own, or nothing when none was found. Then `floor`, when given,
// is set where the proposal was an optimum that did not certify (one of
// several, most often): its duals, if feasible, bound the optimum.
std::optional<FastAnswer> fast_path_solve(const linear::LinearSystem& system,
                                          const std::vector<linear::LinearConstraint>* extra, Cancel& cancel,
                                          FloorSource* floor = nullptr);
inline std::optional<FastAnswer> fast_path_solve(const linear::LinearSystem& system, Cancel& cancel) {
  return fast_path_solve(system, nullptr, cancel);
}

// Infeasibility proved by minimising the total violation of the rows: the
// Farkas multipliers of `form`, or nothing.
std::optional<Certificate> infeasible_by_violation(const ColumnForm& form, Cancel& cancel);
// The answer for a form with an improving column in no row (the engine does
// not handle one well): unbounded or infeasible, certified; nothing when
// there is no such column or no certificate was found.
std::optional<FastAnswer> empty_improving_column(const ColumnForm& form, Cancel& cancel);

// What the fast path of a node program still proves when its run ends at an
// optimum that does not certify (one of several, most often), made before
// the node's rows come off (see NodeFastPath::solve).
struct NodeMiss {
  // The optimum (in the minimised form, without the constant) is not below
  // `floor`; it is `floor` when `optimum` (the basic point is feasible too).
  std::optional<linear::Rational> floor;
  bool optimum = false;
  // With `optimum`: a column the caller asked about (`fractional`) whose
  // value every optimal point shares, so the pivots' own point has it too.
  std::optional<std::size_t> fixed;
  linear::Rational fixed_value;
};

// The fast path for the node programs of one branch and bound (the system
// followed by each node's bound rows). Building a form and a floating-point
// model per node and solving it from scratch costs more than the run
// itself, so one exact form and one model of the root's rows serve the whole
// search: each node's rows are added for its solve and taken off again, and
// its run starts from an ancestor's final basis, so the dual simplex needs
// only the few pivots that repair the new bounds. The certificates are the
// ones fast_path_solve checks, on the same form, so an answer is the same as
// its answer (and the pivots') would be; only the proposals come faster.
class NodeFastPath {
 public:
  // `system` and `cancel` must outlive this object; `cancel` is the one
  // every solve is given (the engine polls it).
  NodeFastPath(const linear::LinearSystem& system, Cancel& cancel);
  NodeFastPath(const NodeFastPath&) = delete;
  NodeFastPath& operator=(const NodeFastPath&) = delete;

  // A certified result for the system with `extra` (if any) after its own
  // rows, like fast_path_solve. The run starts from `start`, a basis of the
  // system with the first of these rows (new rows start with their slack
  // basic); from scratch when `start` is null and nothing ran before, else
  // from the all-slack basis.
  // With `miss` given, a run that ends at an optimum that does not certify
  // fills it in; `fixed` is sought among the basic columns whose value
  // `fractional` accepts (a few of them at most).
  using ColumnTest = std::function<bool(std::size_t, const linear::Rational&)>;
  std::optional<FastAnswer> solve(const std::vector<linear::LinearConstraint>* extra, const WarmBasis* start,
                                  Cancel& cancel, NodeMiss* miss = nullptr, const ColumnTest& fractional = {});
  // The basis the floating-point runs of the last solve ended on, to start
  // its children from; null when they failed or did not run.
  std::shared_ptr<const WarmBasis> last_basis() const { return last_; }

 private:
  const linear::LinearSystem& system_;
  std::optional<ColumnForm> form_;  // the root's, with the current node's rows during a solve
  std::size_t root_rows_ = 0;
  std::unique_ptr<FloatSimplex> engine_;
  bool ran_ = false;
  std::shared_ptr<const WarmBasis> last_;
};

}  // namespace mivex::lp
