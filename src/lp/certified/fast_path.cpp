#include "lp/certified/fast_path.hpp"

#include <memory>

#include "lp/certified/column_form.hpp"
#include "lp/certified/float_propose.hpp"
#include "lp/factor/solution.hpp"

namespace mivex::lp {

using linear::CmpOp;
using linear::Rational;

namespace {

// How many fractional basic columns a miss tests for a value every optimum
// shares: each test is an exact row of the basis inverse.
constexpr std::size_t kFixedTries = 3;

// `floor`: fast_path_solve's, with `owner` the form's owner, which the
// source keeps alive. `missed`, when given, is set to the certifier of an
// optimum that did not certify.
std::optional<FastAnswer> certified(const linear::LinearSystem& system, const ColumnForm& form,
                                    const Proposal& proposal, Cancel& cancel, FloorSource* floor = nullptr,
                                    const std::shared_ptr<const ColumnForm>& owner = nullptr,
                                    std::shared_ptr<Certifier>* missed = nullptr) {
  if (proposal.status == Proposal::Status::Failed) return std::nullopt;
  auto kept = std::make_shared<Certifier>(form, cancel);
  Certifier& certifier = *kept;
  if (!certifier.load(proposal.basis)) return std::nullopt;
  switch (proposal.status) {
    case Proposal::Status::Optimal: {
      WeightSearch search = [&cancel](const std::vector<std::vector<double>>& k, const std::vector<bool>& free) {
        return find_weights(k, free, cancel);
      };
      auto c = certifier.unique_optimum(search, &proposal.reduced);
      if (!c) {
        if (floor != nullptr && owner != nullptr) *floor = [owner, kept] { return kept->dual_bound(); };
        if (missed != nullptr) *missed = kept;
        return std::nullopt;
      }
      Rational objective = system.objective ? system.objective->expr.evaluate(c->x) : Rational();
      LpResult result = optimal_result(system, c->x, objective);
      std::vector<Rational> values = c->x;
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

}  // namespace

// Infeasibility when no single row of the final basis shows it: minimise the
// total violation (one elastic column per side a row may be broken on); the
// duals of an optimal basis of that program with a positive optimum are
// Farkas multipliers of the original rows.
std::optional<Certificate> infeasible_by_violation(const ColumnForm& form, Cancel& cancel) {
  ColumnForm elastic = form;
  elastic.has_objective = true;
  elastic.maximize = false;
  elastic.cost.assign(form.n, Rational());
  auto add = [&](std::size_t row, int sign) {
    elastic.columns.push_back(SparseVector{{row, Rational(sign)}});
    elastic.cost.emplace_back(1);
    ++elastic.n;
  };
  for (std::size_t i = 0; i < form.m; ++i) {
    if (form.ops[i] != CmpOp::Ge) add(i, -1);  // a x - e <= b
    if (form.ops[i] != CmpOp::Le) add(i, 1);   // a x + e >= b
  }
  FloatSimplex engine(elastic, cancel);
  Proposal p = engine.dual();
  if (p.status != Proposal::Status::Optimal) return std::nullopt;
  Certifier certifier(elastic, cancel);
  if (!certifier.load(p.basis)) return std::nullopt;
  Certificate c;
  c.kind = Certificate::Kind::Infeasible;
  c.y = certifier.duals();
  if (!verify(form, c)) return std::nullopt;
  return c;
}

// A column in no row whose cost improves (an empty column the engine does
// not handle well): the program is unbounded exactly when it is feasible.
// Answers by a feasible point (found without costs) and that column as the
// ray, or by a proof that the rows are infeasible.
std::optional<FastAnswer> empty_improving_column(const ColumnForm& form, Cancel& cancel) {
  std::size_t free = form.n;
  for (std::size_t j = 0; j < form.n && free == form.n; ++j) {
    if (form.columns[j].empty() && form.cost[j].is_negative()) free = j;
  }
  if (free == form.n) return std::nullopt;
  ColumnForm rows_only = form;
  rows_only.cost.assign(form.n, Rational());
  FloatSimplex engine(rows_only, cancel);
  Proposal p = engine.dual();
  Certifier certifier(rows_only, cancel);
  if (p.status == Proposal::Status::Failed || !certifier.load(p.basis)) return std::nullopt;
  if (p.status == Proposal::Status::Infeasible) {
    auto c = certifier.infeasible();
    if (!c) c = infeasible_by_violation(form, cancel);
    if (c) return FastAnswer{LpResult::infeasible(), {}, {}, std::move(*c)};
    return std::nullopt;
  }
  auto x = certifier.feasible_point();
  if (!x) return std::nullopt;
  Certificate c;
  c.kind = Certificate::Kind::Unbounded;
  c.x = std::move(*x);
  c.ray.assign(form.n, Rational());
  c.ray[free] = Rational(1);
  if (!verify(form, c)) return std::nullopt;
  return FastAnswer{LpResult::unbounded(), {}, {}, std::move(c)};
}

namespace {

// The proposals of `engine` (a model of `form`) run on and certified: the
// dual simplex, then what its verdict calls for.
std::optional<FastAnswer> propose_and_certify(const linear::LinearSystem& system, const ColumnForm& form,
                                              FloatSimplex& engine, Cancel& cancel, FloorSource* floor = nullptr,
                                              const std::shared_ptr<const ColumnForm>& owner = nullptr,
                                              std::shared_ptr<Certifier>* missed = nullptr) {
  Proposal proposal = engine.dual();
  if (auto answer = certified(system, form, proposal, cancel, floor, owner, missed)) return answer;
  // A claim of infeasibility or unboundedness that did not certify: the
  // dual simplex's verdict on a dual infeasible start can be either, so the
  // primal simplex goes on from its basis. (An optimum that did not certify
  // is almost always one of several; it is left to the pivots.)
  bool infeasible = proposal.status == Proposal::Status::Infeasible;
  if (proposal.status == Proposal::Status::Infeasible || proposal.status == Proposal::Status::Unbounded) {
    Proposal again = engine.primal();
    if (auto answer = certified(system, form, again, cancel)) return answer;
    infeasible = infeasible || again.status == Proposal::Status::Infeasible;
  }
  if (infeasible || proposal.status == Proposal::Status::Failed) {
    if (auto c = infeasible_by_violation(form, cancel)) return FastAnswer{LpResult::infeasible(), {}, {}, std::move(*c)};
  }
  return std::nullopt;
}

}  // namespace

std::optional<FastAnswer> fast_path_solve(const linear::LinearSystem& system,
                                          const std::vector<linear::LinearConstraint>* extra, Cancel& cancel,
                                          FloorSource* floor) {
  std::optional<ColumnForm> made = column_form(system, extra);
  if (!made) return std::nullopt;
  // Shared: a floor source may outlive this call.
  const auto form = std::make_shared<const ColumnForm>(std::move(*made));
  if (auto answer = empty_improving_column(*form, cancel)) return answer;
  FloatSimplex engine(*form, cancel);
  if (!engine.loaded()) return std::nullopt;
  return propose_and_certify(system, *form, engine, cancel, floor, form);
}

NodeFastPath::NodeFastPath(const linear::LinearSystem& system, Cancel& cancel)
    : system_(system), form_(column_form(system)) {
  if (!form_) return;
  root_rows_ = form_->m;
  engine_ = std::make_unique<FloatSimplex>(*form_, cancel);
}

std::optional<FastAnswer> NodeFastPath::solve(const std::vector<linear::LinearConstraint>* extra,
                                              const WarmBasis* start, Cancel& cancel, NodeMiss* miss,
                                              const ColumnTest& fractional) {
  last_.reset();
  if (!form_ || !engine_->loaded()) return std::nullopt;
  if (extra && !append_rows(*form_, *extra)) return std::nullopt;
  // The root's form and model are restored however the solve ends.
  struct Restore {
    NodeFastPath& self;
    ~Restore() {
      truncate_rows(*self.form_, self.root_rows_);
      self.engine_->remove_rows(self.root_rows_);
    }
  } restore{*this};
  if (auto answer = empty_improving_column(*form_, cancel)) return answer;
  if (!engine_->add_rows(*form_, root_rows_)) return std::nullopt;
  // The first run with no basis given starts as a fresh model would.
  if (start != nullptr || ran_) engine_->start_from(start);
  ran_ = true;
  std::shared_ptr<Certifier> missed;
  std::optional<FastAnswer> answer =
      propose_and_certify(system_, *form_, *engine_, cancel, nullptr, nullptr, miss ? &missed : nullptr);
  // Made here: the node's rows come off the form when the solve ends.
  if (miss && !answer && missed) {
    miss->floor = missed->dual_bound();
    miss->optimum = miss->floor && missed->primal_feasible();
    if (miss->optimum && fractional) miss->fixed = missed->fixed_at_optimum(fractional, kFixedTries);
    if (miss->fixed) miss->fixed_value = missed->basic_value(*miss->fixed);
  }
  WarmBasis end = engine_->warm_basis();
  if (!end.column.empty()) last_ = std::make_shared<const WarmBasis>(std::move(end));
  return answer;
}

}  // namespace mivex::lp
