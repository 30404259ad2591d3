#include "exact/primal_repair.hpp"

#include <vector>

#include "lp/factor/basis_factor.hpp"

namespace mivex::exact {

using linear::CmpOp;
using linear::Rational;
using lp::Certificate;
using lp::ColumnForm;

namespace {

// Variables as lp/certify.hpp numbers them: structurals j < n (x_j >= 0),
// then the activity n + i of row i, on its side of b_i. Nonbasic variables
// sit at their bound.
class PrimalRepair {
 public:
  PrimalRepair(const ColumnForm& form, Cancel& cancel) : f_(form), cancel_(cancel) {}
  bool load(const lp::Basis& start);
  std::optional<LpAnswer> run(std::size_t max_pivots);

 private:
  // +1: may only grow from its bound; -1: may only shrink; 0: fixed.
  int side(std::size_t k) const {
    if (k < f_.n) return 1;
    const CmpOp op = f_.ops[k - f_.n];
    return op == CmpOp::Le ? -1 : op == CmpOp::Ge ? 1 : 0;
  }
  Rational bound(std::size_t k) const { return k < f_.n ? Rational() : f_.rhs[k - f_.n]; }
  lp::SparseVector column_of(std::size_t k) const {
    if (k < f_.n) return f_.columns[k];
    return lp::SparseVector{{k - f_.n, Rational(-1)}};
  }
  bool factor();
  bool feasible() const;
  std::vector<Rational> duals() const;
  std::optional<std::size_t> entering(const std::vector<Rational>& y) const;
  // The blocking position for moving `k` in direction `dir` (image alpha),
  // with its step; nothing when no basic variable blocks.
  std::optional<std::size_t> leaving(const std::vector<Rational>& alpha, int dir, Rational& step) const;
  std::optional<LpAnswer> optimum(const std::vector<Rational>& y) const;
  std::optional<LpAnswer> unbounded(std::size_t k, int dir, const std::vector<Rational>& alpha) const;

  const ColumnForm& f_;
  Cancel& cancel_;
  std::vector<std::size_t> basic_;  // by position
  std::vector<bool> is_basic_;      // by variable
  std::vector<Rational> value_;     // by variable
  lp::BasisFactor lu_;
};

bool PrimalRepair::factor() {
  std::vector<lp::BasisFactor::Column> columns(f_.m);
  for (std::size_t p = 0; p < f_.m; ++p) {
    for (auto& [i, a] : column_of(basic_[p])) columns[p].push_back({static_cast<std::uint32_t>(i), std::move(a)});
  }
  return lu_.try_factor(f_.m, columns);
}

bool PrimalRepair::load(const lp::Basis& start) {
  is_basic_.assign(f_.n + f_.m, false);
  for (std::size_t k = 0; k < f_.n + f_.m; ++k) {
    if (k < f_.n ? start.column[k] : start.row[k - f_.n]) {
      basic_.push_back(k);
      is_basic_[k] = true;
    }
  }
  if (basic_.size() != f_.m || !factor()) return false;
  // B x_B = sum of b_i e_i over the nonbasic rows (their activity is -e_i).
  value_.assign(f_.n + f_.m, Rational());
  std::vector<Rational> v(f_.m);
  for (std::size_t i = 0; i < f_.m; ++i) {
    if (!is_basic_[f_.n + i]) v[i] = value_[f_.n + i] = f_.rhs[i];
  }
  lu_.ftran(v);
  for (std::size_t p = 0; p < f_.m; ++p) value_[basic_[p]] = std::move(v[p]);
  return feasible();
}

bool PrimalRepair::feasible() const {
  for (std::size_t k = 0; k < f_.n + f_.m; ++k) {
    const int s = side(k);
    const int c = (value_[k] - bound(k)).sign();
    if (c * s < 0 || (s == 0 && c != 0)) return false;
  }
  return true;
}

std::vector<Rational> PrimalRepair::duals() const {
  std::vector<Rational> y(f_.m);
  for (std::size_t p = 0; p < f_.m; ++p) {
    if (basic_[p] < f_.n) y[p] = f_.cost[basic_[p]];
  }
  lu_.btran(y);
  return y;
}

std::optional<std::size_t> PrimalRepair::entering(const std::vector<Rational>& y) const {
  for (std::size_t k = 0; k < f_.n + f_.m; ++k) {
    const int s = side(k);
    if (is_basic_[k] || s == 0) continue;
    Rational d = k < f_.n ? f_.cost[k] : Rational();
    for (const auto& [i, a] : column_of(k)) d.sub_mul(a, y[i]);
    if (d.sign() * s < 0) return k;  // moving inward lowers the cost
  }
  return std::nullopt;
}

std::optional<std::size_t> PrimalRepair::leaving(const std::vector<Rational>& alpha, int dir, Rational& step) const {
  std::optional<std::size_t> best;
  for (std::size_t p = 0; p < f_.m; ++p) {
    if (alpha[p].is_zero()) continue;
    const std::size_t v = basic_[p];
    const int rate = -dir * alpha[p].sign();  // the sign of v's change
    const int s = side(v);
    if (s != 0 && rate != s * -1) continue;  // it moves away from its bound
    Rational t = s == 0 ? Rational() : (value_[v] - bound(v)) / (alpha[p] * Rational(dir));
    if (t.is_negative()) t = -t;
    if (!best || t < step || (t == step && v < basic_[*best])) {
      best = p;
      step = std::move(t);
    }
  }
  return best;
}

std::optional<LpAnswer> PrimalRepair::optimum(const std::vector<Rational>& y) const {
  Certificate c{Certificate::Kind::UniqueOptimum, {value_.begin(), value_.begin() + static_cast<std::ptrdiff_t>(f_.n)},
                y, {}, {}, {}};
  if (!proves_optimum(f_, c.x, c.y)) return std::nullopt;
  return from_certificate(std::move(c));
}

std::optional<LpAnswer> PrimalRepair::unbounded(std::size_t k, int dir, const std::vector<Rational>& alpha) const {
  Certificate c;
  c.kind = Certificate::Kind::Unbounded;
  c.x.assign(value_.begin(), value_.begin() + static_cast<std::ptrdiff_t>(f_.n));
  c.ray.assign(f_.n, Rational());
  if (k < f_.n) c.ray[k] = Rational(dir);
  for (std::size_t p = 0; p < f_.m; ++p) {
    if (basic_[p] < f_.n) c.ray[basic_[p]] = -alpha[p] * Rational(dir);
  }
  if (!lp::verify(f_, c)) return std::nullopt;
  return from_certificate(std::move(c));
}

std::optional<LpAnswer> PrimalRepair::run(std::size_t max_pivots) {
  for (std::size_t pivots = 0;; ++pivots) {
    cancel_.check();
    std::vector<Rational> y = duals();
    std::optional<std::size_t> k = entering(y);
    if (!k) return optimum(y);
    if (pivots == max_pivots) return std::nullopt;
    std::vector<Rational> alpha(f_.m);
    for (auto& [i, a] : column_of(*k)) alpha[i] = a;
    lu_.ftran(alpha);
    const int dir = side(*k);
    Rational step;
    std::optional<std::size_t> p = leaving(alpha, dir, step);
    if (!p) return unbounded(*k, dir, alpha);
    // Move: the entering variable by dir * step, the basic ones with it.
    value_[*k] = value_[*k] + Rational(dir) * step;
    for (std::size_t q = 0; q < f_.m; ++q) {
      if (!alpha[q].is_zero()) value_[basic_[q]].sub_mul(alpha[q] * Rational(dir), step);
    }
    value_[basic_[*p]] = bound(basic_[*p]);  // exactly at the bound it reached
    is_basic_[basic_[*p]] = false;
    is_basic_[*k] = true;
    basic_[*p] = *k;
    std::vector<std::uint32_t> nz;
    for (std::size_t q = 0; q < f_.m; ++q) {
      if (!alpha[q].is_zero()) nz.push_back(static_cast<std::uint32_t>(q));
    }
    lu_.update(*p, alpha, nz);
    if (lu_.etas_outgrow_factors() && !factor()) return std::nullopt;
  }
}

}  // namespace

std::optional<LpAnswer> continue_primal(const ColumnForm& form, const lp::Basis& start, std::size_t max_pivots,
                                        Cancel& cancel) {
  PrimalRepair repair(form, cancel);
  if (!repair.load(start)) return std::nullopt;
  return repair.run(max_pivots);
}

}  // namespace mivex::exact
