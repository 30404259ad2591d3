#include "exact/lp_exact.hpp"

#include <optional>

#include "exact/primal_repair.hpp"
#include "linear/product_sum.hpp"
#include "lp/certified/certify.hpp"
#include "lp/certified/column_form.hpp"
#include "lp/certified/fast_path.hpp"
#include "lp/certified/float_propose.hpp"
#include "lp/solver.hpp"

namespace mivex::exact {

using linear::CmpOp;
using linear::Rational;
using lp::Certificate;
using lp::Certifier;
using lp::ColumnForm;
using lp::Proposal;

namespace {

Rational dot(const lp::SparseVector& column, const std::vector<Rational>& y) {
  linear::ProductSum sum(linear::ProductSum::Words::Apart);
  for (const auto& [i, a] : column) sum.add(a, y[i]);
  return sum.value();
}

std::optional<LpAnswer> certified(const ColumnForm& form, const Proposal& proposal, Cancel& cancel) {
  if (proposal.status == Proposal::Status::Failed) return std::nullopt;
  Certifier certifier(form, cancel);
  if (!certifier.load(proposal.basis)) return std::nullopt;
  std::optional<Certificate> c;
  if (proposal.status == Proposal::Status::Optimal) {
    auto x = certifier.feasible_point();
    if (!x) return std::nullopt;
    const std::vector<Rational>& y = certifier.duals();
    if (!proves_optimum(form, *x, y)) return std::nullopt;
    c = Certificate{Certificate::Kind::UniqueOptimum, std::move(*x), y, {}, {}, {}};
  } else if (proposal.status == Proposal::Status::Infeasible) {
    c = certifier.infeasible();
  } else {
    c = certifier.unbounded();
  }
  if (!c) return std::nullopt;
  return from_certificate(std::move(*c));
}

// An optimal basis that did not certify, continued exactly when its point
// is feasible (a few pivots, as a rule; a long repair is left to others).
std::optional<LpAnswer> repaired(const ColumnForm& form, const Proposal& proposal, Cancel& cancel) {
  constexpr std::size_t kMaxPivots = 1000;
  if (proposal.status != Proposal::Status::Optimal) return std::nullopt;
  return continue_primal(form, proposal.basis, kMaxPivots, cancel);
}

// A program with an improving column in no row is answered directly; others
// go to the floating-point engine.
std::optional<LpAnswer> propose(const ColumnForm& form, Cancel& cancel) {
  if (auto fast = lp::empty_improving_column(form, cancel)) return from_certificate(std::move(fast->certificate));
  lp::FloatSimplex engine(form, cancel);
  if (!engine.loaded()) return std::nullopt;
  return propose_and_certify(form, engine, origin_feasible(form), cancel);
}

// The exact pivots, which always decide but give no certificate.
LpAnswer pivots(const linear::LinearSystem& system, Cancel& cancel) {
  lp::LpSolver solver(system.clone());
  solver.set_fast_path(lp::LpSolver::FastPath::Off);
  LpResult result = solver.solve(cancel);
  LpAnswer a;
  switch (result.kind()) {
    case LpResult::Kind::Optimal:
      a.status = LpAnswer::Status::Optimal;
      a.x = solver.exact_values();
      break;
    case LpResult::Kind::Unbounded: a.status = LpAnswer::Status::Unbounded; break;
    case LpResult::Kind::Infeasible: a.status = LpAnswer::Status::Infeasible; break;
    default: stop("the exact pivots gave no answer");
  }
  return a;
}

// Without rows the program is its costs: x = 0 is optimal unless a column
// improves, which then is a ray (the engine needs rows to run).
LpAnswer without_rows(const ColumnForm& f) {
  LpAnswer a;
  a.certified = true;
  a.x.assign(f.n, Rational());
  for (std::size_t j = 0; j < f.n; ++j) {
    if (!f.cost[j].is_negative()) continue;
    a.status = LpAnswer::Status::Unbounded;
    a.ray.assign(f.n, Rational());
    a.ray[j] = Rational(1);
    return a;
  }
  a.status = LpAnswer::Status::Optimal;
  return a;
}

}  // namespace

LpAnswer from_certificate(Certificate c) {
  LpAnswer a;
  a.certified = true;
  switch (c.kind) {
    case Certificate::Kind::UniqueOptimum: a.status = LpAnswer::Status::Optimal; break;
    case Certificate::Kind::Infeasible: a.status = LpAnswer::Status::Infeasible; break;
    case Certificate::Kind::Unbounded: a.status = LpAnswer::Status::Unbounded; break;
  }
  a.x = std::move(c.x);
  a.y = std::move(c.y);
  a.ray = std::move(c.ray);
  return a;
}

// Duals y prove x optimal: signs by row side, c - A^T y >= 0, and
// c.x = b.y (so no feasible point does better).
bool proves_optimum(const ColumnForm& f, const std::vector<Rational>& x, const std::vector<Rational>& y) {
  linear::ProductSum by(linear::ProductSum::Words::Apart);
  for (std::size_t i = 0; i < f.m; ++i) {
    if (f.ops[i] == CmpOp::Le && y[i].is_positive()) return false;
    if (f.ops[i] == CmpOp::Ge && y[i].is_negative()) return false;
    by.add(f.rhs[i], y[i]);
  }
  linear::ProductSum cx(linear::ProductSum::Words::Apart);
  for (std::size_t j = 0; j < f.n; ++j) {
    if ((f.cost[j] - dot(f.columns[j], y)).is_negative()) return false;
    cx.add(f.cost[j], x[j]);
  }
  return cx.value() == by.value();
}

bool origin_feasible(const ColumnForm& f) {
  for (std::size_t i = 0; i < f.m; ++i) {
    const int s = f.rhs[i].sign();
    if ((f.ops[i] == CmpOp::Le && s < 0) || (f.ops[i] == CmpOp::Ge && s > 0) || (f.ops[i] == CmpOp::Eq && s != 0)) {
      return false;
    }
  }
  return true;
}

std::optional<LpAnswer> propose_and_certify(const ColumnForm& form, lp::FloatSimplex& engine, bool primal_first,
                                            Cancel& cancel) {
  Proposal first = primal_first ? engine.crash_primal() : engine.dual();
  if (auto a = certified(form, first, cancel)) return a;
  if (auto a = repaired(form, first, cancel)) return a;
  Proposal second = primal_first ? engine.dual() : engine.primal();
  if (auto a = certified(form, second, cancel)) return a;
  if (auto a = repaired(form, second, cancel)) return a;
  const bool infeasible = first.status == Proposal::Status::Infeasible ||
                          second.status == Proposal::Status::Infeasible ||
                          second.status == Proposal::Status::Failed;
  if (infeasible) {
    if (auto c = lp::infeasible_by_violation(form, cancel)) return from_certificate(std::move(*c));
  }
  return std::nullopt;
}

LpAnswer solve_exact_lp(const linear::LinearSystem& system, Cancel& cancel) {
  std::optional<ColumnForm> form = lp::column_form(system);
  if (!form) stop("a lowered row names an unknown variable");
  if (form->m == 0) return without_rows(*form);
  if (auto a = propose(*form, cancel)) return std::move(*a);
  return pivots(system, cancel);
}

}  // namespace mivex::exact
