// The sparse solves through residues (see residue_solves.hpp).
// They walk every step and eta, as the dense solves do: a step costs a few
// multiplies here, so skipping the ones a vector does not reach saves less
// than the bookkeeping would cost. The integers are rebuilt from their two
// residues by the Chinese remainder theorem and then checked exactly
// (B (D x) = D v, or (D y)^T B = D e_p^T), in three-word arithmetic wide
// enough for every product and sum the limits below allow.
#include <atomic>

#include "linear/rational_wide.hpp"
#include "linear/residue.hpp"
#include "linear/word_div.hpp"
#include "lp/factor/residue_solves.hpp"

#include "lp/factor/basis_factor.hpp"

namespace mivex::lp {

namespace {

using linear::ResiduePrime;
using u64 = std::uint64_t;
using u128 = unsigned __int128;

constexpr ResiduePrime kFirst{0x3fffffffffffffc7};   // 2^62 - 57
constexpr ResiduePrime kSecond{0x3fffffffffffffa9};  // 2^62 - 87
constexpr u128 kProduct = static_cast<u128>(kFirst.modulus()) * kSecond.modulus();
// The first prime's inverse modulo the second, in Montgomery form, so that
// kSecond.mul(plain, it) is plain times the inverse.
constexpr u64 kFirstInverse = kSecond.inverse(kSecond.enter(kFirst.modulus() % kSecond.modulus()));

// Entries of the basis columns and right-hand sides stay below 2^31 and D
// below 2^100, so that a rebuilt integer (below kProduct / 2 < 2^123) times
// an entry, summed over any number of rows that fits 32 bits, stays inside
// three words.
constexpr std::int64_t kEntryLimit = std::int64_t{1} << 31;
constexpr int kDetBits = 100;
// Residues pay where rationals are slow: where the solves' results are
// mostly wider than a word (a share of them, followed over recent solves)
// and D is large. Small entries take the rationals' word path, which is
// fast, and the rational sparse solves skip what a vector does not reach,
// which matters more as bases grow.
constexpr double kMinBigShare = 0.1;
constexpr int kMinDetBits = 32;
constexpr std::size_t kMaxRows = 4000;

bool small_integer(const Rational& v, std::int64_t& out) {
  if (!v.is_small() || v.den() != 1 || v.num() <= -kEntryLimit || v.num() >= kEntryLimit) return false;
  out = v.num();
  return true;
}

using Pair = ResiduePair;

Pair times(Pair x, Pair y) { return {kFirst.mul(x.a, y.a), kSecond.mul(x.b, y.b)}; }
// target -= x * y
void sub_times(Pair& target, Pair x, Pair y) {
  target.a = kFirst.sub_mul(target.a, x.a, y.a);
  target.b = kSecond.sub_mul(target.b, x.b, y.b);
}

// An integer's residues, in Montgomery form.
Pair integer_residues(const Rational& v) {
  u64 a, b, den;
  v.residues(kFirst.modulus(), a, den);
  v.residues(kSecond.modulus(), b, den);
  return {kFirst.enter(a), kSecond.enter(b)};
}

Pair plain_residues(u128 v) { return {linear::mod_word(v, kFirst.modulus()), linear::mod_word(v, kSecond.modulus())}; }

// The integer with these (plain) residues nearest zero.
SignedWide combine(Pair residues) {
  const u64 a = residues.a, b = residues.b;
  const u64 a_mod_second = a >= kSecond.modulus() ? a - kSecond.modulus() : a;
  const u64 k = kSecond.mul(kSecond.sub(b, a_mod_second), kFirstInverse);
  const u128 x = a + static_cast<u128>(kFirst.modulus()) * k;
  if (x > kProduct / 2) return {true, kProduct - x};
  return {false, x};
}

// acc += value * small, in three-word two's complement.
void accumulate(u64* acc, const SignedWide& value, std::int64_t small) {
  const bool negative = value.negative != (small < 0);
  const u64 s = small < 0 ? u64{0} - static_cast<u64>(small) : static_cast<u64>(small);
  const u128 low = static_cast<u128>(static_cast<u64>(value.magnitude)) * s;
  const u128 high = static_cast<u128>(static_cast<u64>(value.magnitude >> 64)) * s + (low >> 64);
  u64 p[3] = {static_cast<u64>(low), static_cast<u64>(high), static_cast<u64>(high >> 64)};
  if (negative) {
    // -p = ~p + 1
    u128 carry = 1;
    for (u64& w : p) {
      const u128 t = static_cast<u128>(~w) + carry;
      w = static_cast<u64>(t);
      carry = t >> 64;
    }
  }
  u128 carry = 0;
  for (int i = 0; i < 3; ++i) {
    const u128 t = static_cast<u128>(acc[i]) + p[i] + carry;
    acc[i] = static_cast<u64>(t);
    carry = t >> 64;
  }
}

// Whether acc is zero; it is left zero.
bool take_zero(u64* acc) {
  const bool zero = (acc[0] | acc[1] | acc[2]) == 0;
  acc[0] = acc[1] = acc[2] = 0;
  return zero;
}

// out[k] = num[k] / den[k] modulo the prime, Montgomery form in and out,
// with one inversion for all (each den[k] must be nonzero).
void divide_all(const ResiduePrime& p, const std::vector<u64>& num, const std::vector<u64>& den,
                std::vector<u64>& prefix, std::vector<u64>& out) {
  const std::size_t n = num.size();
  out.resize(n);
  prefix.resize(n);
  if (n == 0) return;
  u64 run = p.one();
  for (std::size_t k = 0; k < n; ++k) {
    prefix[k] = run;  // the product of den[0..k)
    run = p.mul(run, den[k]);
  }
  u64 inv = p.inverse(run);  // 1 / den[0..n)
  for (std::size_t k = n; k-- > 0;) {
    out[k] = p.mul(num[k], p.mul(inv, prefix[k]));
    inv = p.mul(inv, den[k]);
  }
}

std::atomic<ResidueMode> mode_for_new{ResidueMode::WhenFaster};
std::atomic<std::size_t> solves_by_all{0};

}  // namespace

void ResidueSolves::set_default_mode(ResidueMode mode) { mode_for_new.store(mode); }
ResidueMode ResidueSolves::default_mode() { return mode_for_new.load(); }
std::size_t ResidueSolves::solves_everywhere() { return solves_by_all.load(); }

void ResidueSolves::note_result(std::size_t m, const std::vector<Rational>& x, const std::vector<std::uint32_t>& nz) {
  // Only bases that residues may serve follow the share.
  if (nz.empty() || mode_ == ResidueMode::Never || m > kMaxRows) return;
  std::size_t big = 0;
  for (std::uint32_t p : nz) big += x[p].is_small() ? 0 : 1;
  big_share_ = 0.9 * big_share_ + 0.1 * static_cast<double>(big) / static_cast<double>(nz.size());
}

void ResidueSolves::hand_out(std::size_t m, const SignedWide* found, std::vector<Rational>& out,
                             std::vector<std::uint32_t>& nz) {
  nz.clear();
  for (std::size_t i = 0; i < m; ++i) {
    if (found[i].magnitude == 0) continue;
    out[i] = linear::wide_fraction(found[i].negative, found[i].magnitude, det_);
    nz.push_back(static_cast<std::uint32_t>(i));
  }
  ++solves_;
  solves_by_all.fetch_add(1, std::memory_order_relaxed);
}

bool ResidueSolves::column_fits(std::uint32_t column) const {
  bool fits = true;
  std::int64_t v;
  form_->for_any_column(column, [&](std::size_t, const Rational& value) { fits = fits && small_integer(value, v); });
  return fits;
}

void ResidueSolves::factor(const BasisFactor& lu, const StandardForm& form, const std::vector<std::uint32_t>& basis) {
  const bool always = mode_ == ResidueMode::Always;
  if (mode_ == ResidueMode::Never || lu.m_ > kMaxRows || lu.m_ == 0) return;
  if (!always && big_share_ < kMinBigShare) return;
  // Integer columns first: that test fails fast on decimal data, where the
  // determinant below would cost the most.
  form_ = &form;
  for (std::uint32_t column : basis) {
    if (!column_fits(column)) return;
  }
  // D = |det B|, the product of the pivots up to sign. Each partial product
  // is a minor of B, an integer as large as D's limit allows or not much
  // larger: past a few words the basis is given up on.
  Rational det(1);
  for (const BasisFactor::Step& s : lu.steps_) {
    if (s.unit != 0) continue;
    det = det * s.pivot;
    if (det.extra_words() > 8) return;
  }
  mpq_t q;
  mpq_init(q);
  det.to_mpq(q);
  mpz_abs(mpq_numref(q), mpq_numref(q));
  const bool fits = mpz_cmp_ui(mpq_denref(q), 1) == 0 && mpz_sizeinbase(mpq_numref(q), 2) <= kDetBits;
  if (fits) {
    det_ = 0;
    for (std::size_t k = mpz_size(mpq_numref(q)); k-- > 0;) det_ = det_ << 64 | mpz_getlimbn(mpq_numref(q), k);
  }
  mpq_clear(q);
  if (!fits) return;
  if (!always && (det_ >> kMinDetBits) == 0) return;
  basis_ = basis;

  // Images of every pivot's inverse and every entry of L and U: each a
  // quotient of residues, all divided at once.
  const std::size_t count = lu.steps_.size() + lu.l_.size() + lu.u_.size();
  std::vector<u64> num[2], den[2], prefix, out[2];
  for (int k = 0; k < 2; ++k) {
    num[k].resize(count);
    den[k].resize(count);
  }
  std::size_t at = 0;
  auto put = [&](const Rational& v, bool inverted) {
    for (int k = 0; k < 2; ++k) {
      const ResiduePrime& p = k == 0 ? kFirst : kSecond;
      u64 n, d;
      v.residues(p.modulus(), n, d);
      num[k][at] = p.enter(inverted ? d : n);
      den[k][at] = p.enter(inverted ? n : d);
    }
    ++at;
  };
  for (const BasisFactor::Step& s : lu.steps_) put(s.pivot, true);
  for (const Entry& e : lu.l_) put(e.value, false);
  for (const Entry& e : lu.u_) put(e.value, false);
  for (int k = 0; k < 2; ++k) {
    for (u64 d : den[k]) {
      if (d == 0) return;  // a denominator (or pivot) the prime divides
    }
    divide_all(k == 0 ? kFirst : kSecond, num[k], den[k], prefix, out[k]);
  }
  auto pair_at = [&](std::size_t i) { return ResiduePair{out[0][i], out[1][i]}; };
  pivot_inverse_.resize(lu.steps_.size());
  l_images_.resize(lu.l_.size());
  u_images_.resize(lu.u_.size());
  at = 0;
  for (auto& v : pivot_inverse_) v = pair_at(at++);
  for (auto& v : l_images_) v = pair_at(at++);
  for (auto& v : u_images_) v = pair_at(at++);
  etas_.clear();
  eta_index_.clear();
  eta_value_.clear();
  det_residue_ = plain_residues(det_);
  work_.assign(lu.m_, ResiduePair{});
  image_.assign(lu.m_, ResiduePair{});
  out_.assign(lu.m_, ResiduePair{});
  found_.assign(lu.m_, SignedWide{});
  check_.assign(3 * lu.m_, 0);
  on_ = true;
}

void ResidueSolves::update(std::size_t m, std::size_t position, std::uint32_t column) {
  on_ = false;
  if (!image_fresh_ || column == BasisFactor::kNoColumn || !column_fits(column)) return;
  image_fresh_ = false;
  // The new basis's D is |D alpha_p|, the rebuilt integer at the pivot.
  const u128 det = found_[position].magnitude;
  if (det == 0 || (det >> kDetBits) != 0) return;
  const ResiduePair pivot = image_[position];
  if (pivot.a == 0 || pivot.b == 0) return;
  Eta eta{static_cast<std::uint32_t>(position), {kFirst.inverse(pivot.a), kSecond.inverse(pivot.b)},
                 eta_index_.size(), 0};
  for (std::size_t i = 0; i < m; ++i) {
    if (i != position && !image_[i].zero()) {
      eta_index_.push_back(static_cast<std::uint32_t>(i));
      eta_value_.push_back(image_[i]);
    }
  }
  eta.end = eta_index_.size();
  etas_.push_back(eta);
  det_ = det;
  det_residue_ = plain_residues(det);
  basis_[position] = column;
  on_ = true;
}

bool ResidueSolves::ftran(const BasisFactor& lu, std::vector<Rational>& vec, std::vector<std::uint32_t>& nz) {
  const std::size_t m = lu.m_;
  ResiduePair* w = work_.data();  // by row
  for (std::uint32_t i : nz) {
    std::int64_t v;
    if (!small_integer(vec[i], v)) {
      for (std::uint32_t j : nz) w[j] = ResiduePair{};
      return false;
    }
    w[i] = integer_residues(vec[i]);
  }
  // L, then U backwards into x (by position), then the etas.
  for (std::uint32_t k : lu.l_steps_) {
    const BasisFactor::Step& s = lu.steps_[k];
    const ResiduePair vp = w[s.row];
    if (vp.zero()) continue;
    for (std::size_t t = s.l_begin; t < s.l_end; ++t) {
      sub_times(w[lu.l_[t].index], l_images_[t], vp);
    }
  }
  ResiduePair* x = image_.data();
  for (std::size_t k = lu.steps_.size(); k-- > 0;) {
    const BasisFactor::Step& s = lu.steps_[k];
    ResiduePair t = w[s.row];
    w[s.row] = ResiduePair{};
    if (!t.zero()) {
      t = times(t, pivot_inverse_[k]);
      for (std::uint32_t q = lu.index_.u_col_start[s.col]; q < lu.index_.u_col_start[s.col + 1]; ++q) {
        sub_times(w[lu.index_.u_by_col[q].row], u_images_[lu.index_.u_by_col[q].index], t);
      }
    }
    x[s.col] = t;
  }
  for (const Eta& eta : etas_) {
    ResiduePair& xr = x[eta.position];
    if (xr.zero()) continue;
    xr = times(xr, eta.pivot_inverse);
    for (std::size_t q = eta.begin; q < eta.end; ++q) {
      sub_times(x[eta_index_[q]], eta_value_[q], xr);
    }
  }

  // The integers D x, and the check B (D x) = D v.
  SignedWide* found = found_.data();
  u64* check = check_.data();
  for (std::size_t p = 0; p < m; ++p) {
    if (x[p].zero()) {
      found[p] = SignedWide{};
      continue;
    }
    found[p] = combine(times(x[p], det_residue_));
    form_->for_any_column(basis_[p], [&](std::size_t row, const Rational& a) {
      accumulate(check + 3 * row, found[p], a.num());
    });
  }
  const SignedWide det{true, det_};  // -D
  for (std::uint32_t i : nz) accumulate(check + 3 * i, det, vec[i].num());
  bool exact = true;
  for (std::size_t i = 0; i < m; ++i) exact = take_zero(check + 3 * i) && exact;
  if (!exact) {
    on_ = false;
    return false;
  }

  for (std::uint32_t i : nz) vec[i] = Rational();
  hand_out(m, found, vec, nz);
  image_fresh_ = true;
  note_result(m, vec, nz);
  return true;
}

template <class Rhs>
bool ResidueSolves::solve_transposed(const BasisFactor& lu, Rhs rhs) {
  const std::size_t m = lu.m_;
  ResiduePair* w = work_.data();  // by position
  // The etas transposed, last first; then U transposed into z (by row),
  // then L transposed.
  for (std::size_t k = etas_.size(); k-- > 0;) {
    const Eta& eta = etas_[k];
    ResiduePair t = w[eta.position];
    for (std::size_t q = eta.begin; q < eta.end; ++q) {
      const ResiduePair& wi = w[eta_index_[q]];
      if (wi.zero()) continue;
      sub_times(t, eta_value_[q], wi);
    }
    w[eta.position] = times(t, eta.pivot_inverse);
  }
  ResiduePair* z = out_.data();
  for (std::size_t k = 0; k < lu.steps_.size(); ++k) {
    const BasisFactor::Step& s = lu.steps_[k];
    ResiduePair t = w[s.col];
    w[s.col] = ResiduePair{};
    if (!t.zero()) {
      t = times(t, pivot_inverse_[k]);
      for (std::size_t q = s.u_begin; q < s.u_end; ++q) {
        sub_times(w[lu.u_[q].index], u_images_[q], t);
      }
    }
    z[s.row] = t;
  }
  for (std::size_t k = lu.l_steps_.size(); k-- > 0;) {
    const BasisFactor::Step& s = lu.steps_[lu.l_steps_[k]];
    ResiduePair& t = z[s.row];
    for (std::size_t q = s.l_begin; q < s.l_end; ++q) {
      const ResiduePair& zr = z[lu.l_[q].index];
      if (zr.zero()) continue;
      sub_times(t, l_images_[q], zr);
    }
  }

  // The integers D y, and the check (D y)^T B = D w^T, a column at a time.
  std::vector<SignedWide>& rows = row_found_;
  rows.resize(m);
  for (std::size_t i = 0; i < m; ++i) {
    rows[i] = z[i].zero() ? SignedWide{} : combine(times(z[i], det_residue_));
    z[i] = ResiduePair{};
  }
  u64 acc[3] = {0, 0, 0};
  const SignedWide det{true, det_};  // -D
  for (std::size_t p = 0; p < m; ++p) {
    form_->for_any_column(basis_[p], [&](std::size_t row, const Rational& a) {
      if (rows[row].magnitude != 0) accumulate(acc, rows[row], a.num());
    });
    if (const std::int64_t v = rhs(p); v != 0) accumulate(acc, det, v);
    if (!take_zero(acc)) {
      on_ = false;
      return false;
    }
  }
  return true;
}

bool ResidueSolves::inverse_row(const BasisFactor& lu, std::size_t position, std::vector<Rational>& out,
                                std::vector<std::uint32_t>& nz) {
  work_[position] = {kFirst.one(), kSecond.one()};
  if (!solve_transposed(lu, [position](std::size_t p) { return std::int64_t{p == position}; })) return false;
  hand_out(lu.m_, row_found_.data(), out, nz);
  return true;
}

bool ResidueSolves::btran(const BasisFactor& lu, std::vector<Rational>& w) {
  const std::size_t m = lu.m_;
  std::vector<std::int64_t>& ints = rhs_;
  ints.assign(m, 0);
  for (std::size_t p = 0; p < m; ++p) {
    if (w[p].is_zero()) continue;
    if (!small_integer(w[p], ints[p])) {
      for (std::size_t q = 0; q < p; ++q) work_[q] = ResiduePair{};
      return false;
    }
    work_[p] = integer_residues(w[p]);
  }
  if (!solve_transposed(lu, [&ints](std::size_t p) { return ints[p]; })) return false;
  for (Rational& v : w) v = Rational();
  std::vector<std::uint32_t> nz;  // hand_out lists them; a dense solve has no use for it
  hand_out(m, row_found_.data(), w, nz);
  return true;
}

}  // namespace mivex::lp
