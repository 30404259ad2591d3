#include "support/scaled_tableau.hpp"

#include "core/error.hpp"
#include "linear/word_gcd.hpp"

namespace mivex::lp::reference {

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

// Word-sized numerators over a common denominator for a row of small
// rationals: false when some product would not fit 64 bits.
bool common_denominator(const SparseRow& entries, std::vector<std::int64_t>& nums, std::int64_t& lcm) {
  std::uint64_t l = 1;
  for (const auto& [col, v] : entries) {
    if (!v.is_small()) return false;
    auto d = static_cast<std::uint64_t>(v.den());
    std::uint64_t next;
    if (__builtin_mul_overflow(l / linear::word_gcd(l, d), d, &next)) return false;
    l = next;
  }
  if (l > static_cast<std::uint64_t>(INT64_MAX)) return false;
  lcm = static_cast<std::int64_t>(l);
  nums.clear();
  for (const auto& [col, v] : entries) {
    std::int64_t n;
    if (__builtin_mul_overflow(v.num(), lcm / v.den(), &n)) return false;
    nums.push_back(n);
  }
  return true;
}

std::uint64_t word_magnitude(std::int64_t x) {
  return x < 0 ? 0 - static_cast<std::uint64_t>(x) : static_cast<std::uint64_t>(x);
}

// Exact division by, and divisibility by, a fixed positive word: a power of
// two by shifts, the odd part by multiplication with its inverse modulo 2^64.
class WordDivisor {
 public:
  explicit WordDivisor(std::uint64_t d) : value_(d), shift_(__builtin_ctzll(d)), odd_(d >> shift_) {
    inverse_ = odd_;  // correct to 3 bits; each Newton step doubles that
    for (int i = 0; i < 5; ++i) inverse_ *= 2 - odd_ * inverse_;
    limit_ = UINT64_MAX / odd_;
  }
  std::uint64_t value() const { return value_; }
  bool divides(std::uint64_t magnitude) const {
    if ((magnitude & ((std::uint64_t{1} << shift_) - 1)) != 0) return false;
    return (magnitude >> shift_) * inverse_ <= limit_;
  }
  // x / d for a multiple x of d.
  std::int64_t divide(std::int64_t x) const {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(x >> shift_) * inverse_);
  }

 private:
  std::uint64_t value_;
  unsigned shift_;
  std::uint64_t odd_;
  std::uint64_t inverse_ = 0;
  std::uint64_t limit_ = 0;
};

}  // namespace

ScaledTableau::ScaledTableau(std::size_t vars, std::size_t rows)
    : num_rows_(rows),
      num_cols_(vars + 1),
      cells_((rows + 1) * (vars + 1)),
      nz_((rows + 1) * (vars + 1)),
      nz_len_(rows + 1, 0),
      scale_(rows + 1, Rational(1)),
      basis_(rows + 1, kNone),
      marked_(vars + 1, false) {}

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

SparseRow ScaledTableau::sparse_row(std::size_t r) const {
  check_row(r);
  SparseRow out;
  out.reserve(nz_len_[r]);
  const Col* list = nz(r);
  for (std::size_t k = 0; k < nz_len_[r]; ++k) out.emplace_back(list[k], scale_[r] * to_rational(m(r, list[k])));
  return out;
}

void ScaledTableau::clear_row(std::size_t r) {
  const Col* list = nz(r);
  for (std::size_t k = 0; k < nz_len_[r]; ++k) m(r, list[k]) = Integer();
  nz_len_[r] = 0;
  scale_[r] = Rational(1);
}

void ScaledTableau::set_sparse_row(std::size_t r, const SparseRow& entries) {
  check_row(r);
  for (const auto& [col, v] : entries) check_col(col);
  clear_row(r);
  Col* list = nz(r);
  std::size_t len = 0;
  // M = values * L / g with L the common denominator and g the content.
  std::vector<std::int64_t> nums;
  std::int64_t lcm = 1;
  if (common_denominator(entries, nums, lcm)) {
    // A repeated column takes its last value, as with cell-by-cell writes.
    for (std::size_t k = 0; k < entries.size(); ++k) {
      Integer& cell = m(r, entries[k].first);
      if (cell.is_zero() && nums[k] != 0) list[len++] = static_cast<Col>(entries[k].first);
      cell = Integer(nums[k]);
    }
    nz_len_[r] = static_cast<Col>(len);
    Integer content = make_primitive(r);
    if (!content.is_zero()) scale_[r] = to_rational(content) / Rational(lcm);
    return;
  }
  mpz_t big_lcm, t;
  mpq_t q;
  mpz_init_set_ui(big_lcm, 1);
  mpz_init(t);
  mpq_init(q);
  for (const auto& [col, v] : entries) {
    if (v.is_zero()) continue;
    v.to_mpq(q);
    mpz_lcm(big_lcm, big_lcm, mpq_denref(q));
  }
  for (const auto& [col, v] : entries) {
    Integer& cell = m(r, col);
    if (cell.is_zero() && !v.is_zero()) list[len++] = static_cast<Col>(col);
    v.to_mpq(q);
    mpz_divexact(t, big_lcm, mpq_denref(q));
    mpz_mul(t, t, mpq_numref(q));
    cell.take(t);
  }
  nz_len_[r] = static_cast<Col>(len);
  Integer content = make_primitive(r);
  if (!content.is_zero()) {
    content.load(mpq_numref(q));
    mpz_set(mpq_denref(q), big_lcm);
    mpq_canonicalize(q);
    scale_[r] = Rational::from_mpq(q);
  }
  mpz_clear(big_lcm);
  mpz_clear(t);
  mpq_clear(q);
}

Integer ScaledTableau::make_primitive(std::size_t row) {
  Col* list = nz(row);
  Integer* cells = &m(row, 0);
  // Drop cancelled entries; start the content from the smallest word-sized
  // entry: a unit settles it at once.
  std::size_t len = 0;
  std::size_t seed = kNone;
  std::uint64_t least = UINT64_MAX;
  for (std::size_t k = 0; k < nz_len_[row]; ++k) {
    Col j = list[k];
    if (cells[j].is_zero()) continue;
    if (cells[j].is_small()) {
      std::uint64_t magnitude = word_magnitude(cells[j].small());
      if (magnitude < least) least = magnitude, seed = j;
    }
    list[len++] = j;
  }
  nz_len_[row] = static_cast<Col>(len);
  if (least == 1) return Integer(1);
  Integer content(0);
  if (seed != kNone) cells[seed].gcd_into(content);
  // Most entries are multiples of the content found so far: a multiplication
  // tells, where a gcd step would divide.
  std::optional<WordDivisor> divisor;
  for (std::size_t k = 0; k < len && !content.is_one(); ++k) {
    const Integer& x = cells[list[k]];
    if (content.is_small() && content.small() > 0 && x.is_small()) {
      if (!divisor || divisor->value() != static_cast<std::uint64_t>(content.small())) {
        divisor.emplace(static_cast<std::uint64_t>(content.small()));
      }
      if (divisor->divides(word_magnitude(x.small()))) continue;
    }
    x.gcd_into(content);
  }
  if (content.is_zero() || content.is_one()) return content;
  if (content.is_small()) {
    WordDivisor exact(static_cast<std::uint64_t>(content.small()));
    for (std::size_t k = 0; k < len; ++k) {
      Integer& x = cells[list[k]];
      if (x.is_small()) {
        x = Integer(exact.divide(x.small()));
      } else {
        x.divexact_by(content);
      }
    }
  } else {
    for (std::size_t k = 0; k < len; ++k) cells[list[k]].divexact_by(content);
  }
  return content;
}

void ScaledTableau::mark_row(std::size_t r, bool on) {
  const Col* list = nz(r);
  for (std::size_t k = 0; k < nz_len_[r]; ++k) marked_[list[k]] = on;
}

void ScaledTableau::combine(std::size_t i, std::size_t r, const Integer& u, const Integer& v,
                            std::size_t cleared) {
  Integer* target = &m(i, 0);
  const Integer* source = &m(r, 0);
  Col* list = nz(i);
  std::size_t len = nz_len_[i];
  if (!v.is_one()) {
    for (std::size_t k = 0; k < len; ++k) {
      if (!marked_[list[k]]) target[list[k]].mul_by(v);
    }
  }
  const Col* source_list = nz(r);
  std::size_t cancelled = 0;
  std::uint64_t least = UINT64_MAX;
  for (std::size_t k = 0; k < nz_len_[r]; ++k) {
    Col j = source_list[k];
    if (target[j].is_zero()) list[len++] = j;
    target[j].set_lincomb(v, target[j], u, source[j]);
    if (target[j].is_small()) {
      std::uint64_t magnitude = word_magnitude(target[j].small());
      cancelled += magnitude == 0;
      if (magnitude != 0 && magnitude < least) least = magnitude;
    }
  }
  nz_len_[i] = static_cast<Col>(len);
  // A unit among the new entries makes the content 1. Then only the cleared
  // column needs dropping.
  Integer content;
  if (least == 1 && cancelled == 1 && target[cleared].is_zero()) {
    for (std::size_t k = 0; k < len; ++k) {
      if (list[k] == cleared) {
        list[k] = list[--len];
        break;
      }
    }
    nz_len_[i] = static_cast<Col>(len);
    content = Integer(1);
  } else {
    content = make_primitive(i);
  }
  if (content.is_zero()) {
    scale_[i] = Rational(1);
    return;
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
  mark_row(row, true);
  combine(0, row, u, v, c);
  mark_row(row, false);
}

std::optional<std::size_t> ScaledTableau::find_entering(const std::vector<bool>& pass_over) const {
  // Row 0's scale is positive, so its integers order like its values. The
  // list is unordered: ties go to the lower column explicitly.
  std::size_t best = kNone;
  const Col* list = nz(0);
  const std::size_t rhs = rhs_col();
  for (std::size_t k = 0; k < nz_len_[0]; ++k) {
    std::size_t j = list[k];
    if (j == rhs || (j < pass_over.size() && pass_over[j])) continue;
    if (m(0, j).sign() <= 0) continue;
    if (best == kNone) {
      best = j;
      continue;
    }
    int order = compare(m(0, j), m(0, best));
    if (order > 0 || (order == 0 && j < best)) best = j;
  }
  if (best == kNone) return std::nullopt;
  return best;
}

std::optional<std::size_t> ScaledTableau::find_entering_bland(const std::vector<bool>& pass_over) const {
  std::size_t best = kNone;
  const Col* list = nz(0);
  const std::size_t rhs = rhs_col();
  for (std::size_t k = 0; k < nz_len_[0]; ++k) {
    std::size_t j = list[k];
    if (j == rhs || j >= best || (j < pass_over.size() && pass_over[j])) continue;
    if (m(0, j).sign() > 0) best = j;
  }
  if (best == kNone) return std::nullopt;
  return best;
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
  const Col* list = nz(r);
  if (m(r, e).sign() < 0) {
    for (std::size_t k = 0; k < nz_len_[r]; ++k) m(r, list[k]).negate();
  }
  Integer p = m(r, e);
  scale_[r] = Rational(1) / to_rational(p);
  // Row i loses T[i][e] * (new row r) = (M_i[e] / p) * (q_i / q_r) * row r.
  mark_row(r, true);
  Integer u, v;
  for (std::size_t i = 0; i <= num_rows_; ++i) {
    if (i == r || m(i, e).is_zero()) continue;
    reduce(m(i, e), p, u, v);
    combine(i, r, u, v, e);
  }
  mark_row(r, false);
  basis_[r] = e;
  ++pivots_;
}

Rational ScaledTableau::value_of(std::size_t col) const {
  for (std::size_t i = 1; i <= num_rows_; ++i) {
    if (basis_[i] == col) return at(i, rhs_col());
  }
  return Rational();
}

}  // namespace mivex::lp::reference
