#include "lp/fast_path.hpp"

#include "lp/column_form.hpp"
#include "lp/float_propose.hpp"
#include "lp/solution.hpp"

namespace mivex::lp {

std::optional<FastAnswer> fast_path_solve(const linear::LinearSystem& system, Cancel& cancel) {
  std::optional<ColumnForm> form = column_form(system);
  if (!form) return std::nullopt;
  Proposal proposal = propose(*form, cancel);
  if (proposal.status == Proposal::Status::Failed) return std::nullopt;
  Certifier certifier(*form, cancel);
  if (!certifier.load(proposal.basis)) return std::nullopt;

  switch (proposal.status) {
    case Proposal::Status::Optimal: {
      WeightSearch search = [&cancel](const std::vector<std::vector<double>>& k, const std::vector<bool>& free) {
        return find_weights(k, free, cancel);
      };
      auto c = certifier.unique_optimum(search);
      if (!c) return std::nullopt;
      linear::Rational objective = system.objective ? system.objective->expr.evaluate(c->x) : linear::Rational();
      LpResult result = optimal_result(system, c->x, objective);
      std::vector<linear::Rational> values = c->x;
      return FastAnswer{std::move(result), std::move(values), std::move(objective), std::move(*c)};
    }
    case Proposal::Status::Infeasible: {
      auto c = certifier.infeasible();
      if (!c) return std::nullopt;
      return FastAnswer{LpResult::infeasible(), {}, {}, std::move(*c)};
    }
    case Proposal::Status::Unbounded: {
      auto c = certifier.unbounded();
      if (!c) return std::nullopt;
      return FastAnswer{LpResult::unbounded(), {}, {}, std::move(*c)};
    }
    case Proposal::Status::Failed: break;
  }
  return std::nullopt;
}

}  // namespace mivex::lp
