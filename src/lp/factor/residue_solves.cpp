// The sparse solves through residues (see Residues in basis_factor.hpp).
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

using Pair = BasisFactor::ResiduePair;

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
BasisFactor::SignedWide combine(Pair residues) {
  const u64 a = residues.a, b = residues.b;
  const u64 a_mod_second = a >= kSecond.modulus() ? a - kSecond.modulus() : a;
  const u64 k = kSecond.mul(kSecond.sub(b, a_mod_second), kFirstInverse);
  const u128 x = a + static_cast<u128>(kFirst.modulus()) * k;
  if (x > kProduct / 2) return {true, kProduct - x};
  return {false, x};
}

// acc += value * small, in three-word two's complement.
void accumulate(u64* acc, const BasisFactor::SignedWide& value, std::int64_t small) {
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

std::atomic<BasisFactor::ResidueMode> default_mode{BasisFactor::ResidueMode::WhenFaster};
std::atomic<std::size_t> solves_everywhere{0};

}  // namespace

void BasisFactor::set_default_residue_mode(ResidueMode mode) { default_mode.store(mode); }
BasisFactor::ResidueMode BasisFactor::default_residue_mode() { return default_mode.load(); }
std::size_t BasisFactor::residue_solves_everywhere() { return solves_everywhere.load(); }

void BasisFactor::note_result(const std::vector<Rational>& x, const std::vector<std::uint32_t>& nz) const {
  // Only bases that residues may serve follow the share.
  if (nz.empty() || res_.mode == ResidueMode::Never || m_ > kMaxRows) return;
  std::size_t big = 0;
  for (std::uint32_t p : nz) big += x[p].is_small() ? 0 : 1;
  res_.big_share = 0.9 * res_.big_share + 0.1 * static_cast<double>(big) / static_cast<double>(nz.size());
}

void BasisFactor::hand_out(const SignedWide* found, std::vector<Rational>& out, std::vector<std::uint32_t>& nz) const {
  nz.clear();
  for (std::size_t i = 0; i < m_; ++i) {
    if (found[i].magnitude == 0) continue;
    out[i] = linear::wide_fraction(found[i].negative, found[i].magnitude, res_.det);
    nz.push_back(static_cast<std::uint32_t>(i));
  }
  ++res_.solves;
  solves_everywhere.fetch_add(1, std::memory_order_relaxed);
}

bool BasisFactor::column_fits(std::uint32_t column) const {
  bool fits = true;
  std::int64_t v;
  res_.form->for_any_column(column, [&](std::size_t, const Rational& value) { fits = fits && small_integer(value, v); });
  return fits;
}

void BasisFactor::residues_factor(const StandardForm& form, const std::vector<std::uint32_t>& basis) {
  Residues& r = res_;
  const bool always = r.mode == ResidueMode::Always;
  if (r.mode == ResidueMode::Never || m_ > kMaxRows || m_ == 0) return;
  if (!always && r.big_share < kMinBigShare) return;
  // Integer columns first: that test fails fast on decimal data, where the
  // determinant below would cost the most.
  r.form = &form;
  for (std::uint32_t column : basis) {
    if (!column_fits(column)) return;
  }
  // D = |det B|, the product of the pivots up to sign. Each partial product
  // is a minor of B, an integer as large as D's limit allows or not much
  // larger: past a few words the basis is given up on.
  Rational det(1);
  for (const Step& s : steps_) {
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
    r.det = 0;
    for (std::size_t k = mpz_size(mpq_numref(q)); k-- > 0;) r.det = r.det << 64 | mpz_getlimbn(mpq_numref(q), k);
  }
  mpq_clear(q);
  if (!fits) return;
  if (!always && (r.det >> kMinDetBits) == 0) return;
  r.basis = basis;

  // Images of every pivot's inverse and every entry of L and U: each a
  // quotient of residues, all divided at once.
  const std::size_t count = steps_.size() + l_.size() + u_.size();
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
  for (const Step& s : steps_) put(s.pivot, true);
  for (const Entry& e : l_) put(e.value, false);
  for (const Entry& e : u_) put(e.value, false);
  for (int k = 0; k < 2; ++k) {
    for (u64 d : den[k]) {
      if (d == 0) return;  // a denominator (or pivot) the prime divides
    }
    divide_all(k == 0 ? kFirst : kSecond, num[k], den[k], prefix, out[k]);
  }
  auto pair_at = [&](std::size_t i) { return ResiduePair{out[0][i], out[1][i]}; };
  r.pivot_inverse.resize(steps_.size());
  r.l.resize(l_.size());
  r.u.resize(u_.size());
  at = 0;
  for (auto& v : r.pivot_inverse) v = pair_at(at++);
  for (auto& v : r.l) v = pair_at(at++);
  for (auto& v : r.u) v = pair_at(at++);
  r.etas.clear();
  r.eta_index.clear();
  r.eta_value.clear();
  r.det_residue = plain_residues(r.det);
  r.work.assign(m_, ResiduePair{});
  r.image.assign(m_, ResiduePair{});
  r.out.assign(m_, ResiduePair{});
  r.found.assign(m_, SignedWide{});
  r.check.assign(3 * m_, 0);
  r.on = true;
}

void BasisFactor::residues_update(std::size_t position, std::uint32_t column) {
  Residues& r = res_;
  r.on = false;
  if (!r.image_fresh || column == kNoColumn || !column_fits(column)) return;
  r.image_fresh = false;
  // The new basis's D is |D alpha_p|, the rebuilt integer at the pivot.
  const u128 det = r.found[position].magnitude;
  if (det == 0 || (det >> kDetBits) != 0) return;
  const ResiduePair pivot = r.image[position];
  if (pivot.a == 0 || pivot.b == 0) return;
  ResidueEta eta{static_cast<std::uint32_t>(position), {kFirst.inverse(pivot.a), kSecond.inverse(pivot.b)},
                 r.eta_index.size(), 0};
  for (std::size_t i = 0; i < m_; ++i) {
    if (i != position && !r.image[i].zero()) {
      r.eta_index.push_back(static_cast<std::uint32_t>(i));
      r.eta_value.push_back(r.image[i]);
    }
  }
  eta.end = r.eta_index.size();
  r.etas.push_back(eta);
  r.det = det;
  r.det_residue = plain_residues(det);
  r.basis[position] = column;
  r.on = true;
}

bool BasisFactor::residue_ftran(std::vector<Rational>& vec, std::vector<std::uint32_t>& nz) const {
  Residues& r = res_;
  const std::size_t m = m_;
  ResiduePair* w = r.work.data();  // by row
  for (std::uint32_t i : nz) {
    std::int64_t v;
    if (!small_integer(vec[i], v)) {
      for (std::uint32_t j : nz) w[j] = ResiduePair{};
      return false;
    }
    w[i] = integer_residues(vec[i]);
  }
  // L, then U backwards into x (by position), then the etas.
  for (std::uint32_t k : l_steps_) {
    const Step& s = steps_[k];
    const ResiduePair vp = w[s.row];
    if (vp.zero()) continue;
    for (std::size_t t = s.l_begin; t < s.l_end; ++t) {
      sub_times(w[l_[t].index], r.l[t], vp);
    }
  }
  ResiduePair* x = r.image.data();
  for (std::size_t k = steps_.size(); k-- > 0;) {
    const Step& s = steps_[k];
    ResiduePair t = w[s.row];
    w[s.row] = ResiduePair{};
    if (!t.zero()) {
      t = times(t, r.pivot_inverse[k]);
      for (std::uint32_t q = u_col_start_[s.col]; q < u_col_start_[s.col + 1]; ++q) {
        sub_times(w[u_by_col_[q].row], r.u[u_by_col_[q].index], t);
      }
    }
    x[s.col] = t;
  }
  for (const ResidueEta& eta : r.etas) {
    ResiduePair& xr = x[eta.position];
    if (xr.zero()) continue;
    xr = times(xr, eta.pivot_inverse);
    for (std::size_t q = eta.begin; q < eta.end; ++q) {
      sub_times(x[r.eta_index[q]], r.eta_value[q], xr);
    }
  }

  // The integers D x, and the check B (D x) = D v.
  SignedWide* found = r.found.data();
  u64* check = r.check.data();
  for (std::size_t p = 0; p < m; ++p) {
    if (x[p].zero()) {
      found[p] = SignedWide{};
      continue;
    }
    found[p] = combine(times(x[p], r.det_residue));
    r.form->for_any_column(r.basis[p], [&](std::size_t row, const Rational& a) {
      accumulate(check + 3 * row, found[p], a.num());
    });
  }
  const SignedWide det{true, r.det};  // -D
  for (std::uint32_t i : nz) accumulate(check + 3 * i, det, vec[i].num());
  bool exact = true;
  for (std::size_t i = 0; i < m; ++i) exact = take_zero(check + 3 * i) && exact;
  if (!exact) {
    r.on = false;
    return false;
  }

  for (std::uint32_t i : nz) vec[i] = Rational();
  hand_out(found, vec, nz);
  r.image_fresh = true;
  note_result(vec, nz);
  return true;
}

bool BasisFactor::residue_inverse_row(std::size_t position, std::vector<Rational>& out,
                                      std::vector<std::uint32_t>& nz) const {
  Residues& r = res_;
  const std::size_t m = m_;
  ResiduePair* w = r.work.data();  // by position
  w[position] = {kFirst.one(), kSecond.one()};
  // The etas transposed, last first; then U transposed into z (by row),
  // then L transposed.
  for (std::size_t k = r.etas.size(); k-- > 0;) {
    const ResidueEta& eta = r.etas[k];
    ResiduePair t = w[eta.position];
    for (std::size_t q = eta.begin; q < eta.end; ++q) {
      const ResiduePair& wi = w[r.eta_index[q]];
      if (wi.zero()) continue;
      sub_times(t, r.eta_value[q], wi);
    }
    w[eta.position] = times(t, eta.pivot_inverse);
  }
  ResiduePair* z = r.out.data();
  for (std::size_t k = 0; k < steps_.size(); ++k) {
    const Step& s = steps_[k];
    ResiduePair t = w[s.col];
    w[s.col] = ResiduePair{};
    if (!t.zero()) {
      t = times(t, r.pivot_inverse[k]);
      for (std::size_t q = s.u_begin; q < s.u_end; ++q) {
        sub_times(w[u_[q].index], r.u[q], t);
      }
    }
    z[s.row] = t;
  }
  for (std::size_t k = l_steps_.size(); k-- > 0;) {
    const Step& s = steps_[l_steps_[k]];
    ResiduePair& t = z[s.row];
    for (std::size_t q = s.l_begin; q < s.l_end; ++q) {
      const ResiduePair& zr = z[l_[q].index];
      if (zr.zero()) continue;
      sub_times(t, r.l[q], zr);
    }
  }

  // The integers D y, and the check (D y)^T B = D e_position^T, a column at a time.
  std::vector<SignedWide>& rows = r.row_found;
  rows.resize(m);
  for (std::size_t i = 0; i < m; ++i) {
    rows[i] = z[i].zero() ? SignedWide{} : combine(times(z[i], r.det_residue));
    z[i] = ResiduePair{};
  }
  u64 acc[3] = {0, 0, 0};
  bool exact = true;
  for (std::size_t p = 0; p < m && exact; ++p) {
    r.form->for_any_column(r.basis[p], [&](std::size_t row, const Rational& a) {
      if (rows[row].magnitude != 0) accumulate(acc, rows[row], a.num());
    });
    if (p == position) accumulate(acc, SignedWide{true, r.det}, 1);
    exact = take_zero(acc);
  }
  if (!exact) {
    r.on = false;
    return false;
  }
  hand_out(rows.data(), out, nz);
  return true;
}

}  // namespace mivex::lp
