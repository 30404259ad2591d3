// Pivots decided from bounds. A pivot takes two decisions, the entering
// column and the leaving position; both are the exact tableau's, but most
// can be read off proven intervals around the numbers they compare:
//
//   - the basic values x, the entering column's image alpha and a row of
//     the basis inverse come from BoundFactor, in doubles with radii;
//   - the multipliers move inside PriceBounds by bounds alone;
//   - exact zeros of x are tracked, not computed: a step of zero length
//     changes no value, and a step of positive length makes zero exactly
//     the rows that tied at the least ratio (decided exactly) and lifts
//     every zero row with alpha < 0.
//
// Where the bounds cannot tell (a sign or a least ratio inside the
// roundings), the exact factor, values and image are brought up to date and
// the choice is made exactly, as the logged phases always do.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <utility>

#include "core/error.hpp"
#include "lp/simplex/revised_simplex.hpp"

namespace mivex::lp {

namespace {

// Auto: image entries looked at before each choice of bounds or exact pivots.
constexpr std::size_t kSample = 256;
// Exact rows of the basis inverse one ratio test may make before it makes
// the whole choice exactly instead.
constexpr std::size_t kMaxRows = 16;
// Ties go to lifting after a tie whose exact rows took this many words an
// entry beyond the two inline ones, or whose lifting took this many steps
// (about 500 bits).
constexpr std::size_t kLiftWords = 6;
constexpr std::size_t kLiftSteps = 8;

std::atomic<RevisedSimplex::Bounds> bounds_on{RevisedSimplex::Bounds::Auto};
std::atomic<std::size_t> exact_choices{0};
std::atomic<RevisedSimplex::RefreshFactor> refresh_mode{RevisedSimplex::RefreshFactor::Auto};
std::atomic<RevisedSimplex::Lifting> lifting_mode{RevisedSimplex::Lifting::Auto};

// Whether x / a, for any a in (0, high(a)], is surely past `top`.
bool passes_top(const Bound& x, const Bound& a, double top) {
  const double x_low = x.low(), a_high = a.high();
  if (!(x_low > 0.0) || !(a_high > 0.0) || !(a_high < HUGE_VAL)) return false;
  const double q = x_low / a_high;
  // Below its rounding (far from underflow, where a quotient keeps 52 bits).
  return q >= 0x1p-1000 && q - q * 0x1p-51 > top;
}

}  // namespace

void RevisedSimplex::set_bounds_default(Bounds mode) { bounds_on = mode; }
RevisedSimplex::Bounds RevisedSimplex::bounds_default() { return bounds_on; }
void RevisedSimplex::set_refresh_default(RefreshFactor mode) { refresh_mode = mode; }
void RevisedSimplex::set_lifting_default(Lifting mode) { lifting_mode = mode; }
RevisedSimplex::Lifting RevisedSimplex::lifting_default() { return lifting_mode; }
std::size_t RevisedSimplex::lifted_ties_everywhere() { return LiftedSolves::solves_everywhere(); }

bool RevisedSimplex::bounds_pay() {
  // Exact pivots cost little while their numbers stay small rationals; once
  // a fair share of the entering images' entries are big, bounds pay.
  for (std::uint32_t p : alpha_nz_) big_entries_ += alpha_[p].is_small() ? 0 : 1;
  entries_ += alpha_nz_.size();
  if (entries_ < kSample) return false;
  const bool pay = big_entries_ * 8 > entries_;
  // Well past that mark, the numbers of the phases to come (on the same
  // program) are big too: they start from bounds. Near it they may not be.
  if (big_entries_ * 6 > entries_) bounds_paid_ = true;
  big_entries_ = entries_ = 0;
  return pay;
}
std::size_t RevisedSimplex::exact_choices_everywhere() { return exact_choices; }

void RevisedSimplex::start_bounds() {
  // Every exact value is current here (a phase starts from them), and the
  // factor is of the basis: the bounds take its image once it has no etas.
  if (factor_.updates() > 0) refactor();
  bound_factor_.take(factor_);
  factor_current_ = x_current_ = y_current_ = true;
  alpha_current_ = false;
  xb_.resize(m_);
  for (std::size_t p = 0; p < m_; ++p) xb_[p] = Bound::of(x_[p]);
  alpha_b_.assign(m_, Bound{});
  alpha_b_nz_.clear();
  for (std::uint32_t p : cached_rows_) exact_rows_[p].valid = false;
  cached_rows_.clear();
  exact_rows_.resize(m_);
  rho_b_.assign(m_, Bound{});
  rho_b_nz_.clear();
  if (rhs_b_.empty()) {
    for (const Rational& b : form_->rhs()) rhs_b_.push_back(Bound::of(b));
  }
  bounded_ = true;
  fresh_ = true;
}

void RevisedSimplex::finish_bounds(const PhaseEnd& end) {
  // Exact pivots solve through factor_ as it stands, and x_ and y_ may be
  // current while it is behind the basis (a step of zero length from
  // bounds changes the basis and no value).
  ensure_factor();
  ensure_values();
  ensure_multipliers();
  if (!end.optimal && !alpha_current_) load_column(end.entering);
  alpha_current_ = true;
  bounded_ = false;
}

void RevisedSimplex::ensure_factor() {
  exact_used_ = true;
  if (factor_current_) return;
  refactor();
  bound_factor_.take(factor_);
  factor_current_ = true;
}

void RevisedSimplex::ensure_values() {
  if (x_current_) return;
  ensure_factor();
  compute_values(x_);
  for (std::size_t p = 0; p < m_; ++p) xb_[p] = Bound::of(x_[p]);
  x_current_ = true;
}

void RevisedSimplex::ensure_multipliers() {
  if (y_current_) return;
  ensure_factor();
  compute_multipliers(y_);
  reset_bounds();
  y_current_ = true;
}

void RevisedSimplex::load_bounds(std::size_t col) {
  // alpha_b_ is zero outside alpha_b_nz_ between pivots.
  for (std::uint32_t p : alpha_b_nz_) alpha_b_[p] = Bound{};
  alpha_b_nz_.clear();
  form_->for_any_column(col, [&](std::size_t row, const Rational& v) {
    alpha_b_[row] = Bound::of(v);
    alpha_b_nz_.push_back(static_cast<std::uint32_t>(row));
  });
  bound_factor_.ftran(alpha_b_, alpha_b_nz_);
}

std::optional<std::size_t> RevisedSimplex::step_bounds(std::size_t col, bool bland, bool& moves,
                                                       std::size_t& left) {
  load_bounds(col);
  alpha_current_ = false;
  std::size_t leaving = m_;
  theta_known_ = false;
  Verdict verdict = find_leaving_bounds(bland, col, leaving);
  if (verdict == Verdict::Unknown && !fresh_) verdict = decide_again(bland, col, leaving);
  if (rows_made_ > 0 || verdict == Verdict::Unknown) ++exact_choices;
  switch (verdict) {
    case Verdict::Unbounded:
      return std::nullopt;
    case Verdict::Found:
      moves = !xb_[leaving].zero();
      left = basis_[leaving];
      pivot_bounds(leaving, col);
      log_step(leaving, col, left, moves);
      return leaving;
    case Verdict::Unknown:
      break;
  }
  // x_ stays current through steps of zero length from bounds, which
  // leave the exact factor behind the basis: the image wants it current.
  ensure_factor();
  ensure_values();
  load_column(col);
  alpha_current_ = true;
  auto exact = find_leaving(bland);
  ties_.clear();
  theta_known_ = false;
  if (!exact) return std::nullopt;
  moves = !x_[*exact].is_zero();
  left = basis_[*exact];
  pivot_bounds(*exact, col);
  log_step(*exact, col, left, moves);
  return exact;
}

RevisedSimplex::Verdict RevisedSimplex::decide_again(bool bland, std::size_t col, std::size_t& leaving) {
  // Carried bounds widen pivot by pivot: fresh ones may decide. Likely
  // ties went to exact rows already, so a factor in doubles may serve.
  // Where a refresh would factor exactly anyway, that factor alone
  // serves: the entering image through it sheds the etas' roundings (most
  // undecided signs are exact zeros those hid), and exact rows are then
  // at hand for what it leaves open.
  if (refresh_factors_exactly()) {
    ensure_factor();
  } else {
    refresh_bounds();
  }
  load_bounds(col);
  return find_leaving_bounds(bland, col, leaving);
}

const RevisedSimplex::ExactRow& RevisedSimplex::exact_row(std::size_t position) {
  ExactRow& row = exact_rows_[position];
  if (!row.valid) {
    ensure_factor();
    compute_inverse_row(position);
    // The values move out of rho_, which is left all zero.
    row.index = rho_nz_;
    row.value.clear();
    for (std::uint32_t i : rho_nz_) row.value.push_back(std::move(rho_[i]));
    rho_nz_.clear();
    row.valid = true;
    cached_rows_.push_back(static_cast<std::uint32_t>(position));
    ++rows_made_;
  }
  return row;
}

Rational RevisedSimplex::exact_alpha(std::size_t position, std::size_t col) {
  const ExactRow& row = exact_row(position);
  sum_.clear();
  form_->for_any_column(col, [&](std::size_t i, const Rational& v) {
    auto it = std::lower_bound(row.index.begin(), row.index.end(), static_cast<std::uint32_t>(i));
    if (it != row.index.end() && *it == i) sum_.add(row.value[static_cast<std::size_t>(it - row.index.begin())], v);
  });
  Rational alpha = sum_.value();
  alpha_b_[position] = Bound::of(alpha);
  return alpha;
}

Rational RevisedSimplex::exact_value(std::size_t position) {
  const ExactRow& row = exact_row(position);
  const std::vector<Rational>& b = form_->rhs();
  sum_.clear();
  for (std::size_t k = 0; k < row.index.size(); ++k) sum_.add(row.value[k], b[row.index[k]]);
  return sum_.value();
}

RevisedSimplex::Verdict RevisedSimplex::find_leaving_bounds(bool bland, std::size_t col, std::size_t& best) {
  auto before = [&](std::size_t p, std::size_t q) { return leaves_before(p, q, bland); };
  rows_made_ = 0;
  ties_.clear();
  // A zero row with alpha_p > 0 makes a step of zero length, and is always
  // among the least ratios. Signs the bounds leave open are made exact
  // where they could matter.
  best = m_;
  unsure_.clear();
  for (std::uint32_t p : alpha_b_nz_) {
    if (!xb_[p].zero()) continue;
    const Bound& a = alpha_b_[p];
    if (a.positive()) {
      if (best == m_ || before(p, best)) best = p;
    } else if (!a.negative()) {
      unsure_.push_back(p);
    }
  }
  for (std::uint32_t p : unsure_) {
    if (best != m_ && !before(p, best)) continue;
    if (rows_made_ >= kMaxRows || !resolvable(p)) return Verdict::Unknown;
    if (exact_alpha(p, col).is_positive()) best = p;
  }
  if (best != m_) return Verdict::Found;
  // Rows with x_p > 0 (exactly: they are not zero rows): the least ratio.
  ratios_.clear();
  unsure_.clear();
  double top = HUGE_VAL;
  auto add_ratio = [&](std::uint32_t p) {
    const Bound r = quotient(xb_[p], alpha_b_[p]);
    const double low = r.known() ? std::fmax(r.low(), 0.0) : 0.0, high = r.high();
    if (high < top) top = high;
    ratios_.push_back({p, low, high});
  };
  for (std::uint32_t p : alpha_b_nz_) {
    if (xb_[p].zero()) continue;
    if (alpha_b_[p].positive()) {
      add_ratio(p);
    } else if (!alpha_b_[p].negative()) {
      unsure_.push_back(p);
    }
  }
  // A sign the bounds leave open (most often an exact zero that roundings
  // hid) matters only if the row's ratio could be the least: with
  // 0 < alpha_p <= high, that ratio is at least low(x_p) / high.
  for (std::uint32_t p : unsure_) {
    if (passes_top(xb_[p], alpha_b_[p], top)) continue;
    if (rows_made_ >= kMaxRows || !resolvable(p)) return Verdict::Unknown;
    if (exact_alpha(p, col).is_positive()) add_ratio(p);
  }
  std::size_t kept = 0;
  for (const Ratio& r : ratios_) {
    if (!(r.low > top)) ratios_[kept++] = r;
  }
  ratios_.resize(kept);
  if (ratios_.empty()) return Verdict::Unbounded;
  best = ratios_[0].position;
  if (ratios_.size() == 1) return Verdict::Found;
  if (exact_double_ratios(bland, best)) return Verdict::Found;
  if (!fresh_ && !likely_tie()) return Verdict::Unknown;
  return exact_ratios(bland, col, best);
}

namespace {

// a * b when the double product is exact, else NaN.
double exact_product(double a, double b) {
  const double p = a * b;
  if (!std::isfinite(p) || (p != 0.0 && std::fabs(p) < 0x1p-960) || std::fma(a, b, -p) != 0.0) return NAN;
  return p;
}

}  // namespace

template <class Compare>
bool RevisedSimplex::least_ratio(bool bland, Compare&& compare, std::size_t& k_best) {
  // One pass over the contenders: the least ratio so far (the one to leave
  // first among equals) and the rows tied with it. compare(k, l, order)
  // sets order to the sign of ratio k - ratio l, or returns false when it
  // cannot tell.
  k_best = 0;
  ties_.clear();
  for (std::size_t k = 1; k < ratios_.size(); ++k) {
    int order = 0;
    if (!compare(k, k_best, order)) {
      ties_.clear();
      return false;
    }
    if (order > 0) continue;
    if (order < 0) {
      ties_.clear();
      k_best = k;
    } else if (leaves_before(ratios_[k].position, ratios_[k_best].position, bland)) {
      ties_.push_back(ratios_[k_best].position);
      k_best = k;
    } else {
      ties_.push_back(ratios_[k].position);
    }
  }
  return true;
}

bool RevisedSimplex::exact_double_ratios(bool bland, std::size_t& best) {
  // Where x_p and alpha_p are exact doubles for every contender (integer
  // programs keep them so), x_p / alpha_p compares as x_p alpha_q against
  // x_q alpha_p, products that doubles hold exactly or tell they cannot.
  for (const Ratio& r : ratios_) {
    if (!xb_[r.position].exact() || !alpha_b_[r.position].exact()) return false;
  }
  auto compare = [&](std::size_t k, std::size_t l, int& order) {
    const std::size_t p = ratios_[k].position, q = ratios_[l].position;
    const double left = exact_product(xb_[p].mid, alpha_b_[q].mid);
    const double right = exact_product(xb_[q].mid, alpha_b_[p].mid);
    if (std::isnan(left) || std::isnan(right)) return false;
    order = (left > right) - (left < right);
    return true;
  };
  std::size_t k_best = 0;
  if (!least_ratio(bland, compare, k_best)) return false;
  best = ratios_[k_best].position;
  return true;
}

bool RevisedSimplex::likely_tie() const {
  // Contenders whose ratios agree to about the roundings of their mids most
  // often tie exactly: fresh bounds would not part them, and the exact rows
  // that settle the tie want the exact factor, not fresh bounds.
  const auto mid = [&](const Ratio& r) { return xb_[r.position].mid / alpha_b_[r.position].mid; };
  const double first = mid(ratios_[0]);
  for (const Ratio& r : ratios_) {
    if (!(std::fabs(mid(r) - first) <= 0x1p-40 * std::fabs(first))) return false;
  }
  return true;
}

RevisedSimplex::Verdict RevisedSimplex::exact_ratios(bool bland, std::size_t col, std::size_t& best) {
  // Several ratios within the roundings of the least: compare them exactly
  // (x_p and alpha_p by lifting where the numbers are big, else from exact
  // rows of the basis inverse) and keep the rows that tie with the least,
  // which the step takes to exactly zero.
  if (!lifted_ratios(col)) {
    if (rows_made_ + ratios_.size() > kMaxRows) return Verdict::Unknown;
    exact_x_.clear();
    exact_a_.clear();
    for (const Ratio& r : ratios_) {
      exact_x_.push_back(exact_value(r.position));
      exact_a_.push_back(exact_alpha(r.position, col));
    }
    size_rows();
  }
  auto compare = [&](std::size_t k, std::size_t l, int& order) {
    const auto sign = exact_x_[k] * exact_a_[l] <=> exact_x_[l] * exact_a_[k];
    order = sign < 0 ? -1 : (sign > 0 ? 1 : 0);
    return true;
  };
  std::size_t k_best = 0;
  least_ratio(bland, compare, k_best);
  best = ratios_[k_best].position;
  theta_ = Bound::of(exact_x_[k_best] / exact_a_[k_best]);
  theta_known_ = true;
  return Verdict::Found;
}

bool RevisedSimplex::lifted_ratios(std::size_t col) {
  // Lifting pays where the numbers are big: its steps grow with their
  // bits, while exact rows (after an exact factorization, unless that is
  // current) pay a gcd per operation, which grows faster. The size seen at
  // the last tie decides, as each way measures it: the lifting's steps, or
  // the words of the exact rows' entries.
  const Lifting mode = lifting_mode_;
  if (mode == Lifting::Never || (mode == Lifting::Auto && (factor_current_ || !lift_ties_))) return false;
  contenders_.clear();
  for (const Ratio& r : ratios_) contenders_.push_back(r.position);
  if (!lifted_.values(*form_, basis_, col, contenders_, exact_x_, exact_a_)) {
    lift_ties_ = false;
    return false;
  }
  lift_ties_ = lifted_.steps() >= kLiftSteps;
  for (std::size_t k = 0; k < contenders_.size(); ++k) alpha_b_[contenders_[k]] = Bound::of(exact_a_[k]);
  return true;
}

void RevisedSimplex::size_rows() {
  std::size_t words = 0, entries = 0;
  for (const Ratio& r : ratios_) {
    const ExactRow& row = exact_rows_[r.position];
    for (const Rational& v : row.value) words += v.extra_words();
    entries += row.index.size();
  }
  lift_ties_ = words >= kLiftWords * entries;
}

void RevisedSimplex::pivot_bounds(std::size_t position, std::size_t col) {
  if (trace_ != nullptr) trace_->emplace_back(col, basis_[position]);
  const Bound a = alpha_b_[position];
  if (a.zero()) stop("pivot value is zero");

  // Basic values: exactly where the exact values and image are current (an
  // exact choice), else x -= theta * alpha in bounds. A step of positive
  // length meets only zero rows with alpha_p <= 0 (the ratio test proved
  // it), so the rows that end at zero are the leaving one and the ties the
  // ratio test found exactly.
  const bool exact = x_current_ && alpha_current_;
  if (exact) {
    if (!x_[position].is_zero()) {
      Rational theta = x_[position] / alpha_[position];
      for (std::uint32_t p : alpha_nz_) {
        if (p != position) {
          x_[p].sub_mul(theta, alpha_[p]);
          xb_[p] = Bound::of(x_[p]);
        }
      }
      x_[position] = std::move(theta);
      xb_[position] = Bound::of(x_[position]);
      if (log_ != nullptr) log_values(position, col);
    }
  } else if (!xb_[position].zero()) {
    const Bound theta = theta_known_ ? theta_ : quotient(xb_[position], a);
    for (std::uint32_t p : alpha_b_nz_) {
      if (p == position) continue;
      sub_mul(xb_[p], theta, alpha_b_[p]);
    }
    for (std::uint32_t p : ties_) xb_[p] = Bound{};
    xb_[position] = theta;
    x_current_ = false;
    if (log_ != nullptr) log_bounds(position, col);
  }
  keep_exact_rows(position, col);

  // Multipliers: y moves by (d_e / alpha_r) rho, rho the basis inverse's
  // row at this position.
  {
    const Bound d = entering_bound(col);
    if (!d.zero()) {
      for (std::uint32_t i : rho_b_nz_) rho_b_[i] = Bound{};
      bound_factor_.inverse_row(position, rho_b_, rho_b_nz_);
      const Bound f = quotient(d, a);
      for (std::uint32_t i : rho_b_nz_) bounds_.move_multiplier_by(i, product(f, rho_b_[i]));
      y_current_ = false;
    }
  }

  const std::size_t leaving = basis_[position];
  place(leaving, -1);
  place(col, static_cast<std::int32_t>(position));
  basis_[position] = static_cast<std::uint32_t>(col);

  lattice_on_ = false;
  if (factor_current_ && alpha_current_) {
    factor_.update(position, alpha_, alpha_nz_, static_cast<std::uint32_t>(col));
  } else {
    factor_current_ = false;
  }
  bound_factor_.update(position, alpha_b_, alpha_b_nz_);
  alpha_current_ = false;

  fresh_ = false;
  if (bound_factor_.updates() >= update_limit() || bound_factor_.etas_outgrow_factors()) refresh_bounds();
}

void RevisedSimplex::log_step(std::size_t position, std::size_t col, std::size_t left, bool moves) {
  if (log_ == nullptr) return;
  log_->steps.push_back({static_cast<std::uint32_t>(position), static_cast<std::uint32_t>(col),
                         static_cast<std::uint32_t>(left), moves});
}

void RevisedSimplex::log_bounds(std::size_t position, std::size_t col) {
  // As log_values, from bounds: the rows whose alpha_p may be negative.
  const std::size_t n = form_->num_structural();
  const std::size_t t = log_->steps.size();
  auto note = [&](std::size_t c, const Bound& x) { log_->note_value(t, c, x.mid, x.rad, x.high()); };
  for (std::uint32_t p : alpha_b_nz_) {
    if (p != position && basis_[p] < n && !alpha_b_[p].positive()) note(basis_[p], xb_[p]);
  }
  if (col < n) note(col, xb_[position]);
}

void RevisedSimplex::keep_exact_rows(std::size_t position, std::size_t col) {
  // A cached row of the basis inverse stays exact while its alpha_p is 0;
  // where the bounds leave that open, the row itself tells (a product with
  // the entering column's few entries).
  std::size_t kept = 0;
  for (std::uint32_t p : cached_rows_) {
    const Bound& a = alpha_b_[p];
    const bool zero = p != position && (a.zero() || (!a.positive() && !a.negative() && exact_alpha(p, col).is_zero()));
    if (zero) {
      cached_rows_[kept++] = p;
    } else {
      exact_rows_[p].valid = false;
    }
  }
  cached_rows_.resize(kept);
}

void RevisedSimplex::refresh_bounds() {
  fresh_ = true;
  // A fresh factor, and from it fresh bounds on x and y: those that the
  // updates carried widen with every pivot, while these hold the
  // roundings of one solve. Each value keeps the narrower of the two.
  factor_current_ = false;
  if (!factor_in_doubles() || !bound_factor_.factor(*form_, basis_)) ensure_factor();
  exact_used_ = false;
  std::vector<Bound>& v = solve_;
  std::vector<std::uint32_t>& nz = solve_nz_;
  v.assign(m_, Bound{});
  nz.clear();
  for (std::size_t i = 0; i < m_; ++i) {
    if (rhs_b_[i].zero()) continue;
    v[i] = rhs_b_[i];
    nz.push_back(static_cast<std::uint32_t>(i));
  }
  bound_factor_.ftran(v, nz);
  for (std::size_t p = 0; p < m_; ++p) {
    if (!xb_[p].zero() && v[p].known() && !(v[p].rad >= xb_[p].rad)) xb_[p] = v[p];
  }
  std::vector<Bound>& w = solve_;
  w.assign(m_, Bound{});
  nz.clear();
  for (std::size_t p = 0; p < m_; ++p) {
    const Rational c = cost_of(basis_[p]);
    if (c.is_zero()) continue;
    w[p] = Bound::of(c);
    nz.push_back(static_cast<std::uint32_t>(p));
  }
  bound_factor_.btran(w, nz);
  if (!y_current_) {
    for (std::size_t i = 0; i < m_; ++i) bounds_.set_multiplier(i, w[i]);
  }
  bounds_.reset();
  if (verify_ != 0) verify_bounds();
}

bool RevisedSimplex::factor_in_doubles() {
  // A factor in doubles costs a part of an exact one where the rationals
  // are big, and about as much where they are small, so it pays only if
  // the refresh's bounds are all the next pivots need. That is likely
  // where most recent refreshes needed no exact factor before the next.
  exact_share_ = 0.875 * exact_share_ + (exact_used_ ? 0.125 : 0.0);
  return !refresh_factors_exactly();
}

bool RevisedSimplex::refresh_factors_exactly() const {
  switch (refresh_mode) {
    case RefreshFactor::Exact:
      return true;
    case RefreshFactor::Doubles:
      return false;
    case RefreshFactor::Auto:
      break;
  }
  return exact_share_ >= 0.5;
}

void RevisedSimplex::verify_bounds() {
  // From a factor of its own: the simplex's exact one may be behind.
  BasisFactor exact;
  exact.factor(*form_, basis_);
  std::vector<Rational> x, y;
  compute_values(x, exact);
  for (std::size_t p = 0; p < m_; ++p) {
    if (!holds(xb_[p], x[p])) stop("a basic value left its bound");
    if (xb_[p].zero() != x[p].is_zero()) stop("an exact zero was lost or made");
  }
  if (x_current_ && x != x_) stop("updated basic values differ from recomputed ones");
  compute_multipliers(y, exact);
  for (std::size_t j = 0; j < cols_; ++j) {
    Rational d = cost_of(j);
    form_->for_any_column(j, [&](std::size_t row, const Rational& a) { d.sub_mul(y[row], a); });
    if (!holds(bounds_.cost_bound(j), d)) stop("a reduced cost left its bound");
  }
}

}  // namespace mivex::lp
