#include "lp/scaled_tableau.hpp"

#include "core/error.hpp"

namespace mivex::lp {

namespace {

Rational to_rational(const Integer& v) {
  if (v.is_small()) return Rational(v.small());
  mpq_t q;
  mpq_init(q);
  v.load(mpq_numref(q));
  Rational out = Rational::from_mpq(q);
  mpq_clear(q);
  return out;
}

// (u, v) = a / b in lowest terms with v > 0; b != 0.
void reduce(const Integer& a, const Integer& b, Integer& u, Integer& v) {
  Integer g(0);
  a.gcd_into(g);
  b.gcd_into(g);
  u = a;
  v = b;
  if (!g.is_one()) {
    u.divexact_by(g);
    v.divexact_by(g);
  }
  if (v.sign() < 0) {
    u.negate();
    v.negate();
  }
}

}  // namespace

ScaledTableau::ScaledTableau(std::size_t vars, std::size_t rows)
    : num_rows_(rows),
      num_cols_(vars + 1),
      cells_((rows + 1) * (vars + 1)),
      scale_(rows + 1, Rational(1)),
      basis_(rows + 1, kNone) {}

void ScaledTableau::check_row(std::size_t row) const {
  if (row > num_rows_) stop("tableau row index out of range");
}

void ScaledTableau::check_col(std::size_t col) const {
  if (col >= num_cols_) stop("tableau column index out of range");
}

Rational ScaledTableau::at(std::size_t row, std::size_t col) const {
  check_row(row);
  check_col(col);
  const Integer& v = m(row, col);
  if (v.is_zero()) return Rational();
  return scale_[row] * to_rational(v);
}

int ScaledTableau::sign_at(std::size_t row, std::size_t col) const {
  check_row(row);
  check_col(col);
  return m(row, col).sign();
}

std::size_t ScaledTableau::basic(std::size_t row) const {
  check_row(row);
  return basis_[row];
}

void ScaledTableau::set_basic(std::size_t row, std::size_t col) {
  check_row(row);
  check_col(col);
  basis_[row] = col;
}

std::vector<Rational> ScaledTableau::row(std::size_t r) const {
  std::vector<Rational> out(num_cols_);
  for (std::size_t j = 0; j < num_cols_; ++j) out[j] = at(r, j);
  return out;
}

void ScaledTableau::set_row(std::size_t r, const std::vector<Rational>& values) {
  check_row(r);
  if (values.size() != num_cols_) stop("tableau row length mismatch");
  // M = values * L / g with L the common denominator and g the content.
  mpz_t lcm, t;
  mpq_t q;
  mpz_init_set_ui(lcm, 1);
  mpz_init(t);
  mpq_init(q);
  for (const Rational& v : values) {
    if (v.is_zero()) continue;
    v.to_mpq(q);
    mpz_lcm(lcm, lcm, mpq_denref(q));
  }
  Integer content(0);
  for (std::size_t j = 0; j < num_cols_; ++j) {
    if (values[j].is_zero()) {
      m(r, j) = Integer();
      continue;
    }
    values[j].to_mpq(q);
    mpz_divexact(t, lcm, mpq_denref(q));
    mpz_mul(t, t, mpq_numref(q));
    m(r, j).take(t);
    m(r, j).gcd_into(content);
  }
  if (content.is_zero()) {
    scale_[r] = Rational(1);
  } else {
    if (!content.is_one()) {
      for (std::size_t j = 0; j < num_cols_; ++j) {
        if (!m(r, j).is_zero()) m(r, j).divexact_by(content);
      }
    }
    content.load(mpq_numref(q));
    mpz_set(mpq_denref(q), lcm);
    mpq_canonicalize(q);
    scale_[r] = Rational::from_mpq(q);
  }
  mpz_clear(lcm);
  mpz_clear(t);
  mpq_clear(q);
}

void ScaledTableau::combine(std::size_t i, std::size_t r, const Integer& u, const Integer& v) {
  Integer* target = &m(i, 0);
  const Integer* source = &m(r, 0);
  if (v.is_one()) {
    for (std::size_t j : nz_) target[j].set_lincomb(v, target[j], u, source[j]);
  } else {
    for (std::size_t j = 0; j < num_cols_; ++j) {
      if (!source[j].is_zero()) {
        target[j].set_lincomb(v, target[j], u, source[j]);
      } else if (!target[j].is_zero()) {
        target[j].mul_by(v);
      }
    }
  }
  // The content, starting from a word-sized entry if there is one: each
  // further step is then one remainder.
  Integer content(0);
  for (std::size_t j = 0; j < num_cols_; ++j) {
    if (target[j].is_small() && !target[j].is_zero()) {
      target[j].gcd_into(content);
      break;
    }
  }
  for (std::size_t j = 0; j < num_cols_ && !content.is_one(); ++j) target[j].gcd_into(content);
  if (content.is_zero()) {
    scale_[i] = Rational(1);
    return;
  }
  if (!content.is_one()) {
    for (std::size_t j = 0; j < num_cols_; ++j) {
      if (!target[j].is_zero()) target[j].divexact_by(content);
    }
  }
  if (!content.is_one() || !v.is_one()) scale_[i] = scale_[i] * to_rational(content) / to_rational(v);
}

void ScaledTableau::price_out(std::size_t row) {
  check_row(row);
  std::size_t c = basis_[row];
  if (c == kNone) return;
  if (m(0, c).is_zero() || m(row, c).is_zero()) return;
  // Row 0 loses (T0[c] / Tr[c]) * Tr = (M0[c] / Mr[c]) * (q0 / qr) * Tr.
  Integer u, v;
  reduce(m(0, c), m(row, c), u, v);
  nz_.clear();
  for (std::size_t j = 0; j < num_cols_; ++j) {
    if (!m(row, j).is_zero()) nz_.push_back(j);
  }
  combine(0, row, u, v);
}

std::optional<std::size_t> ScaledTableau::find_entering(const std::vector<bool>& pass_over) const {
  // Row 0's scale is positive, so its integers order like its values.
  std::size_t best = kNone;
  for (std::size_t j = 0; j + 1 < num_cols_; ++j) {
    if (j < pass_over.size() && pass_over[j]) continue;
    if (m(0, j).sign() <= 0) continue;
    if (best == kNone || compare(m(0, j), m(0, best)) > 0) best = j;
  }
  if (best == kNone) return std::nullopt;
  return best;
}

std::optional<std::size_t> ScaledTableau::find_entering_bland(const std::vector<bool>& pass_over) const {
  for (std::size_t j = 0; j + 1 < num_cols_; ++j) {
    if (j < pass_over.size() && pass_over[j]) continue;
    if (m(0, j).sign() > 0) return j;
  }
  return std::nullopt;
}

template <class Better>
std::optional<std::pair<std::size_t, std::size_t>> ScaledTableau::ratio_test(std::size_t col,
                                                                               Better better) const {
  check_col(col);
  const std::size_t rhs = rhs_col();
  std::size_t best = kNone;
  for (std::size_t i = 1; i <= num_rows_; ++i) {
    const Integer& a = m(i, col);
    if (a.sign() <= 0) continue;
    if (best == kNone) {
      best = i;
      continue;
    }
    // rhs_i / a_i against rhs_b / a_b; the row scales cancel.
    int order = compare_products(m(i, rhs), m(best, col), m(best, rhs), a);
    if (order < 0 || (order == 0 && better(i, best))) best = i;
  }
  if (best == kNone || basis_[best] == kNone) return std::nullopt;
  return std::make_pair(best, basis_[best]);
}

std::optional<std::pair<std::size_t, std::size_t>> ScaledTableau::find_leaving(std::size_t col) const {
  return ratio_test(col, [](std::size_t, std::size_t) { return false; });
}

std::optional<std::pair<std::size_t, std::size_t>> ScaledTableau::find_leaving_bland(std::size_t col) const {
  return ratio_test(col, [this](std::size_t row, std::size_t best) { return basis_[row] < basis_[best]; });
}

void ScaledTableau::pivot(std::size_t r, std::size_t e) {
  check_row(r);
  check_col(e);
  if (r == 0) stop("tableau row index out of range");
  if (m(r, e).is_zero()) stop("pivot value is zero");
  // Row r / T[r][e] = M_r / M_r[e]: the same integers with scale 1 / |M_r[e]|.
  nz_.clear();
  for (std::size_t j = 0; j < num_cols_; ++j) {
    if (!m(r, j).is_zero()) nz_.push_back(j);
  }
  if (m(r, e).sign() < 0) {
    for (std::size_t j : nz_) m(r, j).negate();
  }
  Integer p = m(r, e);
  scale_[r] = Rational(1) / to_rational(p);
  // Row i loses T[i][e] * (new row r) = (M_i[e] / p) * (q_i / q_r) * row r.
  Integer u, v;
  for (std::size_t i = 0; i <= num_rows_; ++i) {
    if (i == r || m(i, e).is_zero()) continue;
    reduce(m(i, e), p, u, v);
    combine(i, r, u, v);
  }
  basis_[r] = e;
  ++pivots_;
}

Rational ScaledTableau::value_of(std::size_t col) const {
  for (std::size_t i = 1; i <= num_rows_; ++i) {
    if (basis_[i] == col) return at(i, rhs_col());
  }
  return Rational();
}

}  // namespace mivex::lp
