#include "lp/certified/certify.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include <gmp.h>

#include "linear/product_sum.hpp"

namespace mivex::lp {

using linear::CmpOp;
using linear::ProductSum;
using linear::Rational;

namespace {

// Rows and candidates tried before giving up on a certificate; a proposal
// that needs more is left to the exact pivots.
constexpr std::size_t kTries = 8;
// Largest matrix handed to the weight search (entries).
constexpr std::size_t kMaxWeightCells = std::size_t{1} << 20;

Rational exact(double v) { return Rational::exact_f64(v); }

// x with B x = v, and y with B^T y = w.
std::vector<Rational> solve(const BasisFactor& lu, std::vector<Rational> v) {
  lu.ftran(v);
  return v;
}
std::vector<Rational> solve_transposed(const BasisFactor& lu, std::vector<Rational> w) {
  lu.btran(w);
  return w;
}

Rational dot(const SparseVector& column, const std::vector<Rational>& by_row) {
  ProductSum s(ProductSum::Words::Apart);
  for (const auto& [i, a] : column) s.add(a, by_row[i]);
  return s.value();
}

// Whether activity `r` of a row lies on its side of `b`.
bool row_holds(CmpOp op, const Rational& r, const Rational& b) {
  switch (op) {
    case CmpOp::Eq: return r == b;
    case CmpOp::Le: return r <= b;
    case CmpOp::Ge: return r >= b;
  }
  return false;
}

std::vector<Rational> activities(const ColumnForm& f, const std::vector<Rational>& x) {
  std::vector<ProductSum> sums(f.m, ProductSum(ProductSum::Words::Apart));
  for (std::size_t j = 0; j < f.n; ++j) {
    if (x[j].is_zero()) continue;
    for (const auto& [i, a] : f.columns[j]) sums[i].add(a, x[j]);
  }
  std::vector<Rational> r(f.m);
  for (std::size_t i = 0; i < f.m; ++i) r[i] = sums[i].value();
  return r;
}

bool feasible(const ColumnForm& f, const std::vector<Rational>& x, std::vector<Rational>& r) {
  if (x.size() != f.n) return false;
  for (const auto& v : x) {
    if (v.is_negative()) return false;
  }
  r = activities(f, x);
  for (std::size_t i = 0; i < f.m; ++i) {
    if (!row_holds(f.ops[i], r[i], f.rhs[i])) return false;
  }
  return true;
}

bool verify_infeasible(const ColumnForm& f, const Certificate& c) {
  const auto& y = c.y;
  if (y.size() != f.m) return false;
  ProductSum by(ProductSum::Words::Apart);
  for (std::size_t i = 0; i < f.m; ++i) {
    if (f.ops[i] == CmpOp::Le && y[i].is_positive()) return false;
    if (f.ops[i] == CmpOp::Ge && y[i].is_negative()) return false;
    by.add(f.rhs[i], y[i]);
  }
  if (!by.value().is_positive()) return false;
  for (std::size_t j = 0; j < f.n; ++j) {
    if (dot(f.columns[j], y).is_positive()) return false;
  }
  return true;
}

bool verify_unbounded(const ColumnForm& f, const Certificate& c) {
  std::vector<Rational> r;
  if (!f.has_objective || !feasible(f, c.x, r) || c.ray.size() != f.n) return false;
  ProductSum gain(ProductSum::Words::Apart);
  for (std::size_t j = 0; j < f.n; ++j) {
    if (c.ray[j].is_negative()) return false;
    gain.add(f.cost[j], c.ray[j]);
  }
  if (!gain.value().is_negative()) return false;
  std::vector<Rational> dr = activities(f, c.ray);
  for (std::size_t i = 0; i < f.m; ++i) {
    if (!row_holds(f.ops[i], dr[i], Rational())) return false;
  }
  return true;
}

bool verify_unique_optimum(const ColumnForm& f, const Certificate& c) {
  std::vector<Rational> r;
  if (!feasible(f, c.x, r) || c.y.size() != f.m || c.u.size() != f.m) return false;
  // Nonbasic variables must all end up pinned (below).
  if (c.basis.size() != f.m) return false;
  std::vector<bool> basic(f.n + f.m, false);
  for (std::size_t k : c.basis) {
    if (k >= f.n + f.m || basic[k]) return false;
    basic[k] = true;
  }
  // Duals: d = c - A^T y >= 0, signs by row side, complementary slackness.
  // Then no feasible point does better than x.
  // Uniqueness: every optimal point x' gives d = x' - x with d_j = 0 where
  // the reduced cost is positive, equal activity on rows with a nonzero dual
  // or an equality, and d moving only inward at bounds x meets. Then
  // u^T A d is both <= 0 (row by row, by the signs of u) and >= 0 (column by
  // column, by the signs of A^T u), so every term vanishes: the variables
  // "pinned" below do not move, and with all nonbasic ones pinned the basic
  // ones cannot move either (the basis matrix is nonsingular).
  for (std::size_t i = 0; i < f.m; ++i) {
    const Rational& y = c.y[i];
    const Rational& u = c.u[i];
    if (f.ops[i] == CmpOp::Le && y.is_positive()) return false;
    if (f.ops[i] == CmpOp::Ge && y.is_negative()) return false;
    const bool tight = r[i] == f.rhs[i];
    if (!y.is_zero() && !tight) return false;
    bool pinned;
    if (f.ops[i] == CmpOp::Eq || !y.is_zero()) {
      pinned = true;
    } else if (!tight) {
      if (!u.is_zero()) return false;
      pinned = false;
    } else if (f.ops[i] == CmpOp::Le) {
      if (u.is_negative()) return false;
      pinned = u.is_positive();
    } else {
      if (u.is_positive()) return false;
      pinned = u.is_negative();
    }
    if (!pinned && !basic[f.n + i]) return false;
  }
  for (std::size_t j = 0; j < f.n; ++j) {
    Rational d = f.cost[j] - dot(f.columns[j], c.y);
    if (d.is_negative()) return false;
    bool pinned;
    if (d.is_positive()) {
      if (!c.x[j].is_zero()) return false;
      pinned = true;
    } else {
      Rational g = dot(f.columns[j], c.u);
      if (c.x[j].is_positive()) {
        if (!g.is_zero()) return false;
        pinned = false;
      } else {
        if (g.is_negative()) return false;
        pinned = g.is_positive();
      }
    }
    if (!pinned && !basic[j]) return false;
  }
  return true;
}

}  // namespace

bool verify(const ColumnForm& f, const Certificate& c) {
  switch (c.kind) {
    case Certificate::Kind::Infeasible: return verify_infeasible(f, c);
    case Certificate::Kind::Unbounded: return verify_unbounded(f, c);
    case Certificate::Kind::UniqueOptimum: return verify_unique_optimum(f, c);
  }
  return false;
}

SparseVector Certifier::column_of(std::size_t k) const {
  if (k < f_.n) return f_.columns[k];
  return SparseVector{{k - f_.n, Rational(-1)}};
}

int Certifier::side(std::size_t k) const {
  if (k < f_.n) return 1;
  switch (f_.ops[k - f_.n]) {
    case CmpOp::Le: return -1;
    case CmpOp::Ge: return 1;
    case CmpOp::Eq: return 0;
  }
  return 0;
}

bool Certifier::load(const Basis& basis) {
  duals_ = false;
  basic_.clear();
  is_basic_.assign(f_.n + f_.m, false);
  if (basis.column.size() != f_.n || basis.row.size() != f_.m) return false;
  for (std::size_t k = 0; k < f_.n + f_.m; ++k) {
    if (k < f_.n ? basis.column[k] : basis.row[k - f_.n]) {
      basic_.push_back(k);
      is_basic_[k] = true;
    }
  }
  if (basic_.size() != f_.m) return false;
  std::vector<BasisFactor::Column> columns(f_.m);
  for (std::size_t p = 0; p < f_.m; ++p) {
    for (auto& [i, a] : column_of(basic_[p])) columns[p].push_back({static_cast<std::uint32_t>(i), std::move(a)});
  }
  cancel_.check();
  if (!lu_.try_factor(f_.m, columns)) return false;

  // Nonbasic structurals sit at 0 and nonbasic rows at b_i, so the basic
  // values solve B x_B = sum of b_i e_i over the nonbasic rows.
  value_.assign(f_.n + f_.m, Rational());
  std::vector<Rational> v(f_.m);
  for (std::size_t i = 0; i < f_.m; ++i) {
    if (!is_basic_[f_.n + i]) v[i] = value_[f_.n + i] = f_.rhs[i];
  }
  std::vector<Rational> xb = solve(lu_, std::move(v));
  for (std::size_t p = 0; p < f_.m; ++p) value_[basic_[p]] = std::move(xb[p]);
  return true;
}

bool Certifier::primal_feasible() const {
  for (std::size_t j = 0; j < f_.n; ++j) {
    if (value_[j].is_negative()) return false;
  }
  for (std::size_t i = 0; i < f_.m; ++i) {
    if (!row_holds(f_.ops[i], value_[f_.n + i], f_.rhs[i])) return false;
  }
  return true;
}

void Certifier::compute_duals() {
  if (duals_) return;
  std::vector<Rational> cb(f_.m);
  for (std::size_t p = 0; p < f_.m; ++p) {
    if (basic_[p] < f_.n) cb[p] = f_.cost[basic_[p]];
  }
  y_ = solve_transposed(lu_, std::move(cb));
  d_.assign(f_.n + f_.m, Rational());
  for (std::size_t k = 0; k < f_.n + f_.m; ++k) {
    if (is_basic_[k]) continue;
    d_[k] = k < f_.n ? f_.cost[k] - dot(f_.columns[k], y_) : y_[k - f_.n];
  }
  duals_ = true;
}

std::optional<Rational> Certifier::dual_bound() {
  // c x = (c - A^T y) x + sum_i y_i a_i x >= sum_i y_i b_i, term by term.
  compute_duals();
  for (std::size_t j = 0; j < f_.n; ++j) {
    if (d_[j].is_negative()) return std::nullopt;
  }
  ProductSum bound(ProductSum::Words::Apart);
  for (std::size_t i = 0; i < f_.m; ++i) {
    if (f_.ops[i] == CmpOp::Le && y_[i].is_positive()) return std::nullopt;
    if (f_.ops[i] == CmpOp::Ge && y_[i].is_negative()) return std::nullopt;
    bound.add(f_.rhs[i], y_[i]);
  }
  return bound.value();
}

std::optional<std::size_t> Certifier::fixed_at_optimum(const std::function<bool(std::size_t, const Rational&)>& wanted,
                                                       std::size_t tries) {
  compute_duals();
  std::vector<std::size_t> moves;  // nonbasic variables an optimum may move
  for (std::size_t k = 0; k < f_.n + f_.m; ++k) {
    if (!is_basic_[k] && d_[k].is_zero() && side(k) != 0) moves.push_back(k);
  }
  for (std::size_t p = 0; p < f_.m && tries > 0; ++p) {
    const std::size_t v = basic_[p];
    if (v >= f_.n || !wanted(v, value_[v])) continue;
    --tries;
    cancel_.check();
    std::vector<Rational> e(f_.m);
    e[p] = Rational(1);
    const std::vector<Rational> rho = solve_transposed(lu_, std::move(e));
    bool fixed = true;
    for (std::size_t k : moves) {
      const bool zero = k < f_.n ? dot(f_.columns[k], rho).is_zero() : rho[k - f_.n].is_zero();
      if (!zero) {
        fixed = false;
        break;
      }
    }
    if (fixed) return v;
  }
  return std::nullopt;
}

std::optional<std::vector<Rational>> Certifier::feasible_point() const {
  if (!primal_feasible()) return std::nullopt;
  return std::vector<Rational>(value_.begin(), value_.begin() + static_cast<std::ptrdiff_t>(f_.n));
}

const std::vector<Rational>& Certifier::duals() {
  compute_duals();
  return y_;
}

void Certifier::tight_positions(std::vector<std::size_t>& tight, std::vector<int>& sides) const {
  tight.clear();
  sides.clear();
  for (std::size_t p = 0; p < f_.m; ++p) {
    const std::size_t k = basic_[p];
    const int s = side(k);
    if (s == 0 || (k < f_.n ? value_[k].is_zero() : value_[k] == f_.rhs[k - f_.n])) {
      tight.push_back(p);
      sides.push_back(s);
    }
  }
}

bool Certifier::blocks(const Rational& g, int tight_side, std::size_t v) const {
  if (tight_side == 0) return !g.is_zero();
  return g.sign() * tight_side * side(v) > 0;
}

bool Certifier::hopeless(const std::vector<double>& reduced) {
  if (!primal_feasible()) return true;
  if (reduced.size() != f_.n + f_.m) return false;
  // Candidates: movable nonbasic variables whose rounded reduced cost is
  // about zero, the nearest first. A tolerance too loose or too tight only
  // wastes or skips a solve; each verdict below is exact.
  constexpr double kAboutZero = 1e-9;
  std::vector<std::pair<double, std::size_t>> near_zero;
  for (std::size_t k = 0; k < f_.n + f_.m; ++k) {
    if (is_basic_[k] || side(k) == 0) continue;
    const double d = std::fabs(reduced[k]);
    if (d <= kAboutZero) near_zero.emplace_back(d, k);
  }
  if (near_zero.empty()) return false;
  if (near_zero.size() > kTries) {
    std::nth_element(near_zero.begin(), near_zero.begin() + kTries, near_zero.end());
    near_zero.resize(kTries);
  }
  std::sort(near_zero.begin(), near_zero.end());
  std::vector<std::size_t> tight;
  std::vector<int> tight_side;
  tight_positions(tight, tight_side);
  std::vector<Rational> cb(f_.m);
  for (std::size_t p = 0; p < f_.m; ++p) {
    if (basic_[p] < f_.n) cb[p] = f_.cost[basic_[p]];
  }
  for (const auto& [rounded, v] : near_zero) {
    cancel_.check();
    // Moving v by t * side(v) moves basic p by -t * side(v) * alpha_p and
    // the objective by t * side(v) * d, d = c_v - c_B . alpha (no duals
    // needed for one column).
    std::vector<Rational> col(f_.m);
    for (auto& [i, a] : column_of(v)) col[i] = std::move(a);
    std::vector<Rational> alpha = solve(lu_, std::move(col));
    ProductSum cb_alpha(ProductSum::Words::Apart);
    for (std::size_t p = 0; p < f_.m; ++p) cb_alpha.add(cb[p], alpha[p]);
    const Rational d = (v < f_.n ? f_.cost[v] : Rational()) - cb_alpha.value();
    const int s = d.sign() * side(v);
    if (s < 0) return true;  // the duals are infeasible
    if (s > 0) continue;
    bool blocked = false;
    for (std::size_t q = 0; q < tight.size() && !blocked; ++q) blocked = blocks(alpha[tight[q]], tight_side[q], v);
    if (!blocked) return true;  // a move along optimal points
  }
  return false;
}

std::optional<Certificate> Certifier::unique_optimum(const WeightSearch& search, const std::vector<double>* reduced) {
  if (!primal_feasible()) return std::nullopt;
  if (reduced != nullptr && hopeless(*reduced)) return std::nullopt;
  compute_duals();
  // Dual feasibility: no nonbasic move off its bound lowers the objective.
  std::vector<std::size_t> free_moves;  // nonbasic, movable, zero reduced cost
  for (std::size_t k = 0; k < f_.n + f_.m; ++k) {
    if (is_basic_[k] || side(k) == 0) continue;
    int s = d_[k].sign() * side(k);
    if (s < 0) return std::nullopt;
    if (s == 0) free_moves.push_back(k);
  }
  Certificate c;
  c.kind = Certificate::Kind::UniqueOptimum;
  c.x.assign(value_.begin(), value_.begin() + static_cast<std::ptrdiff_t>(f_.n));
  c.y = y_;
  c.basis = basic_;
  c.u.assign(f_.m, Rational());
  if (!free_moves.empty()) {
    // A move of a zero-cost nonbasic variable keeps the objective; it must be
    // blocked by basic variables already at a bound. Their rows p of the
    // tableau get multipliers w >= 0 (any sign for a basic equality row)
    // such that every such move breaks the combined row (see verify()).
    std::vector<std::size_t> tight;
    std::vector<int> tight_side;
    tight_positions(tight, tight_side);
    if (tight.empty()) return std::nullopt;  // a zero-cost move is free: several optima
    auto blocked = [&](std::vector<Rational> h) {
      c.u = solve_transposed(lu_, std::move(h));
      for (std::size_t k : free_moves) {
        Rational g = k < f_.n ? dot(f_.columns[k], c.u) : -c.u[k - f_.n];
        if (g.sign() * side(k) <= 0) return false;
      }
      return true;
    };
    std::vector<Rational> h(f_.m);
    for (std::size_t q = 0; q < tight.size(); ++q) h[tight[q]] = Rational(tight_side[q]);
    if (!blocked(std::move(h))) {
      if (!search || tight.size() * free_moves.size() > kMaxWeightCells) return std::nullopt;
      std::vector<std::vector<double>> k(tight.size(), std::vector<double>(free_moves.size()));
      std::vector<bool> free(tight.size());
      for (std::size_t q = 0; q < tight.size(); ++q) free[q] = tight_side[q] == 0;
      // K[q][z] is the tableau entry of tight row q in free column z, signed
      // so that a positive entry blocks the move. Either a row of the
      // tableau per tight row (B^T rho = e) or a column per free move
      // (B alpha = a_v), whichever needs fewer exact solves; the numbers are
      // the same.
      if (tight.size() <= free_moves.size()) {
        for (std::size_t q = 0; q < tight.size(); ++q) {
          cancel_.check();
          std::vector<Rational> e(f_.m);
          e[tight[q]] = Rational(1);
          std::vector<Rational> rho = solve_transposed(lu_, std::move(e));
          const int s = tight_side[q] == 0 ? 1 : tight_side[q];
          for (std::size_t z = 0; z < free_moves.size(); ++z) {
            std::size_t v = free_moves[z];
            Rational g = v < f_.n ? dot(f_.columns[v], rho) : -rho[v - f_.n];
            k[q][z] = g.to_f64() * s * side(v);
          }
        }
      } else {
        for (std::size_t z = 0; z < free_moves.size(); ++z) {
          cancel_.check();
          const std::size_t v = free_moves[z];
          std::vector<Rational> col(f_.m);
          for (auto& [i, a] : column_of(v)) col[i] = std::move(a);
          std::vector<Rational> alpha = solve(lu_, std::move(col));
          // A move that no tight row blocks (entries <= 0, none on a basic
          // equality) keeps the point feasible for a while at the same
          // cost: another optimal point exists, and no weights can exist.
          bool blockable = false;
          for (std::size_t q = 0; q < tight.size(); ++q) {
            const Rational& g = alpha[tight[q]];
            const int s = tight_side[q] == 0 ? 1 : tight_side[q];
            k[q][z] = g.to_f64() * s * side(v);
            blockable = blockable || blocks(g, tight_side[q], v);
          }
          if (!blockable) return std::nullopt;
        }
      }
      auto w = search(k, free);
      if (!w || w->size() != tight.size()) return std::nullopt;
      std::vector<Rational> hw(f_.m);
      for (std::size_t q = 0; q < tight.size(); ++q) {
        if (!std::isfinite((*w)[q])) return std::nullopt;
        const int s = tight_side[q] == 0 ? 1 : tight_side[q];
        hw[tight[q]] = exact((*w)[q]) * Rational(s);
      }
      if (!blocked(std::move(hw))) return std::nullopt;
    }
  }
  if (!verify(f_, c)) return std::nullopt;
  return c;
}

std::optional<Certificate> Certifier::infeasible() {
  // Basic values off their bounds, worst first.
  std::vector<std::pair<double, std::size_t>> broken;
  for (std::size_t p = 0; p < f_.m; ++p) {
    std::size_t k = basic_[p];
    const Rational& v = value_[k];
    if (k < f_.n) {
      if (v.is_negative()) broken.emplace_back(v.to_f64(), p);
    } else if (!row_holds(f_.ops[k - f_.n], v, f_.rhs[k - f_.n])) {
      broken.emplace_back(-std::fabs((v - f_.rhs[k - f_.n]).to_f64()), p);
    }
  }
  std::sort(broken.begin(), broken.end());
  if (broken.size() > kTries) broken.resize(kTries);
  for (const auto& [violation, p] : broken) {
    cancel_.check();
    std::vector<Rational> e(f_.m);
    e[p] = Rational(1);
    Certificate c;
    c.kind = Certificate::Kind::Infeasible;
    c.y = solve_transposed(lu_, std::move(e));
    if (verify(f_, c)) return c;
    for (auto& v : c.y) v = -v;
    if (verify(f_, c)) return c;
  }
  return std::nullopt;
}

std::optional<Certificate> Certifier::unbounded() {
  if (!f_.has_objective || !primal_feasible()) return std::nullopt;
  compute_duals();
  // Nonbasic moves that lower the objective, steepest first.
  std::vector<std::pair<double, std::size_t>> improving;
  for (std::size_t k = 0; k < f_.n + f_.m; ++k) {
    if (is_basic_[k] || side(k) == 0) continue;
    if (d_[k].sign() * side(k) < 0) improving.emplace_back(-std::fabs(d_[k].to_f64()), k);
  }
  std::sort(improving.begin(), improving.end());
  if (improving.size() > kTries) improving.resize(kTries);
  for (const auto& [rate, k] : improving) {
    cancel_.check();
    std::vector<Rational> col(f_.m);
    for (const auto& [i, a] : column_of(k)) col[i] = a;
    std::vector<Rational> alpha = solve(lu_, std::move(col));
    // Moving k by t * side(k) moves basic p by -t * side(k) * alpha_p.
    Certificate c;
    c.kind = Certificate::Kind::Unbounded;
    c.x.assign(value_.begin(), value_.begin() + static_cast<std::ptrdiff_t>(f_.n));
    c.ray.assign(f_.n, Rational());
    if (k < f_.n) c.ray[k] = Rational(1);
    for (std::size_t p = 0; p < f_.m; ++p) {
      if (basic_[p] < f_.n && !alpha[p].is_zero()) c.ray[basic_[p]] = side(k) > 0 ? -alpha[p] : alpha[p];
    }
    if (verify(f_, c)) return c;
  }
  return std::nullopt;
}

}  // namespace mivex::lp
