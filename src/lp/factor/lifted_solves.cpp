#include "lp/factor/lifted_solves.hpp"

#include <atomic>
#include <numeric>

namespace mivex::lp {

namespace {

using u64 = std::uint64_t;
using i128 = __int128;

constexpr linear::ResiduePrime kPrime{0x3fffffffffffffc7};  // 2^62 - 57
// Scaled entries, right-hand sides and row sums of |B| below this: a
// remainder minus B d (|d| < p / 2) then stays inside 128 bits.
constexpr i128 kWordLimit = i128{1} << 62;
// Lifting steps before giving up: answers of up to about 1,200 bits.
constexpr std::size_t kMaxSteps = 40;

std::atomic<std::size_t> solves{0};

// s becomes lcm(s, d); false when it leaves the word limit.
bool lcm_into(std::int64_t& s, std::int64_t d) {
  const i128 l = static_cast<i128>(s / std::gcd(s, d)) * d;
  if (l >= kWordLimit) return false;
  s = static_cast<std::int64_t>(l);
  return true;
}

// v * s (s a multiple of v's denominator), when it fits the word limit.
bool scaled(const Rational& v, std::int64_t s, std::int64_t& out) {
  if (!v.is_small()) return false;
  const i128 x = static_cast<i128>(v.num()) * (s / v.den());
  if (x >= kWordLimit || x <= -kWordLimit) return false;
  out = static_cast<std::int64_t>(x);
  return true;
}

u64 residue(std::int64_t v) {
  std::int64_t r = v % static_cast<std::int64_t>(kPrime.modulus());
  if (r < 0) r += static_cast<std::int64_t>(kPrime.modulus());
  return kPrime.enter(static_cast<u64>(r));
}

// The inverse of p modulo 2^128 (Newton: each step doubles the bits), so
// that a multiple of p divides by a product.
constexpr unsigned __int128 inverse_128(u64 p) {
  unsigned __int128 x = p;
  for (int k = 0; k < 7; ++k) x *= 2 - p * x;
  return x;
}
constexpr unsigned __int128 kPrimeInverse = inverse_128(kPrime.modulus());
static_assert(kPrimeInverse * kPrime.modulus() == 1);

// diff / p into out when p divides diff (and the quotient fits a word).
bool divide_exactly(i128 diff, std::int64_t& out) {
  const i128 q = static_cast<i128>(static_cast<unsigned __int128>(diff) * kPrimeInverse);
  if (q >= kWordLimit || q <= -kWordLimit || q * static_cast<i128>(kPrime.modulus()) != diff) return false;
  out = static_cast<std::int64_t>(q);
  return true;
}

void grow(std::vector<__mpz_struct>& v, std::size_t size) {
  // GMP integers may move bitwise: only the new ones need setting up.
  const std::size_t old = v.size();
  if (size <= old) return;
  v.resize(size);
  for (std::size_t k = old; k < size; ++k) mpz_init(&v[k]);
}

}  // namespace

LiftedSolves::LiftedSolves() : lu_(kPrime) {
  for (mpz_ptr z : {q_, modulus_, bound_, half_, w_, r0_, r1_, t0_, t1_, quotient_, lehmer_[0], lehmer_[1]}) mpz_init(z);
}

LiftedSolves::~LiftedSolves() {
  for (mpz_ptr z : {q_, modulus_, bound_, half_, w_, r0_, r1_, t0_, t1_, quotient_, lehmer_[0], lehmer_[1]}) mpz_clear(z);
  for (__mpz_struct& z : n_) mpz_clear(&z);
  for (__mpz_struct& z : acc_) mpz_clear(&z);
}

std::size_t LiftedSolves::solves_everywhere() { return solves; }

bool LiftedSolves::values(const StandardForm& form, const std::vector<std::uint32_t>& basis, std::size_t col,
                          const std::vector<std::uint32_t>& positions, std::vector<Rational>& x,
                          std::vector<Rational>& alpha) {
  if (!scale(form) || !factor(basis)) return false;
  if (!lift(rhs_, memory_[0])) return false;
  hand_out(positions, x);
  column_.assign(basis.size(), 0);
  for_column(col, [&](std::uint32_t row, std::int64_t v) { column_[row] = v; });
  if (!lift(column_, memory_[1])) return false;
  hand_out(positions, alpha);
  ++solves;
  return true;
}

bool LiftedSolves::scale(const StandardForm& form) {
  if (form_ == &form) return usable_;
  form_ = &form;
  usable_ = factored_ = false;
  const std::size_t m = form.num_rows(), n = form.num_structural();
  const std::vector<Rational>& rhs = form.rhs();
  scale_.assign(m, 1);
  bool ok = true;
  for (std::size_t i = 0; i < m && ok; ++i) {
    ok = rhs[i].is_small() && lcm_into(scale_[i], rhs[i].den());
    form.for_row(i, [&](std::size_t, const Rational& v) { ok = ok && v.is_small() && lcm_into(scale_[i], v.den()); });
  }
  start_.assign(1, 0);
  cells_.clear();
  for (std::size_t j = 0; j < n && ok; ++j) {
    form.for_column(j, [&](std::size_t row, const Rational& v) {
      std::int64_t s = 0;
      ok = ok && scaled(v, scale_[row], s);
      if (s != 0) cells_.push_back({static_cast<std::uint32_t>(row), s});
    });
    start_.push_back(cells_.size());
  }
  rhs_.assign(m, 0);
  for (std::size_t i = 0; i < m && ok; ++i) {
    std::int64_t s = 0;
    ok = scaled(rhs[i], scale_[i], s);
    rhs_[i] = s;
  }
  usable_ = ok;
  return ok;
}

template <class F>
void LiftedSolves::for_column(std::size_t j, F&& f) const {
  if (j < form_->num_structural()) {
    for (std::size_t k = start_[j]; k < start_[j + 1]; ++k) f(cells_[k].row, cells_[k].value);
    return;
  }
  const StandardForm::Aux& a = form_->aux_of(j);
  f(a.row, a.coef() * scale_[a.row]);
}

bool LiftedSolves::factor(const std::vector<std::uint32_t>& basis) {
  if (factored_ && basis == basis_) return true;
  factored_ = false;
  basis_ = basis;
  const std::size_t m = basis.size();
  columns_.resize(m);
  product_.assign(m, 0);  // row sums of |B| here
  for (std::size_t p = 0; p < m; ++p) {
    columns_[p].clear();
    for_column(basis[p], [&](std::uint32_t row, std::int64_t v) {
      const u64 r = residue(v);
      if (r != 0) columns_[p].push_back({row, r});  // v = +-p is 0 here
      product_[row] += v < 0 ? -static_cast<i128>(v) : static_cast<i128>(v);
    });
  }
  for (i128 s : product_) {
    if (s >= kWordLimit) return false;
  }
  factored_ = lu_.factor(m, columns_);
  return factored_;
}

bool LiftedSolves::lift(const std::vector<std::int64_t>& v, Memory& memory) {
  // v = B (sum of d_k p^k, k < steps) + p^steps rest_, always.
  const std::size_t m = basis_.size();
  const u64 p = kPrime.modulus();
  rest_ = v;
  grow(acc_, m);
  for (std::size_t pos = 0; pos < m; ++pos) mpz_set_ui(&acc_[pos], 0);
  mpz_set_ui(modulus_, 1);
  // Attempts start at the steps the last answer needed (neighbouring bases
  // have numbers of about the same size), and at three at the least: the
  // bounds prove an answer only past 2^127.
  const std::size_t first_try = std::max<std::size_t>(3, memory.steps);
  work_.resize(m);
  for (std::size_t step = 1; step <= kMaxSteps; ++step) {
    for (std::size_t i = 0; i < m; ++i) work_[i] = residue(rest_[i]);
    lu_.solve(work_, solved_);
    product_.assign(m, 0);
    for (std::size_t pos = 0; pos < m; ++pos) {
      const u64 z = kPrime.leave(solved_[pos]);
      const std::int64_t d = z > p / 2 ? static_cast<std::int64_t>(z) - static_cast<std::int64_t>(p)
                                       : static_cast<std::int64_t>(z);
      if (d == 0) continue;
      for_column(basis_[pos], [&](std::uint32_t row, std::int64_t b) { product_[row] += static_cast<i128>(b) * d; });
      if (d > 0) {
        mpz_addmul_ui(&acc_[pos], modulus_, static_cast<unsigned long>(d));
      } else {
        mpz_submul_ui(&acc_[pos], modulus_, static_cast<unsigned long>(-d));
      }
    }
    mpz_mul_ui(modulus_, modulus_, p);
    bool zero = true;
    for (std::size_t i = 0; i < m; ++i) {
      // Not a solution modulo p is never expected; a give-up either way.
      if (!divide_exactly(rest_[i] - product_[i], rest_[i])) return false;
      zero = zero && rest_[i] == 0;
    }
    if (zero) return integers();
    if (step >= first_try && reconstruct(memory.hard)) {
      memory.steps = step;
      return true;
    }
  }
  memory.steps = 0;
  return false;
}

bool LiftedSolves::integers() {
  // The remainder is zero: the digits are the solution, exactly.
  const std::size_t m = basis_.size();
  grow(n_, m);
  mpz_set_ui(q_, 1);
  for (std::size_t pos = 0; pos < m; ++pos) mpz_swap(&n_[pos], &acc_[pos]);
  return true;
}

bool LiftedSolves::reconstruct(std::size_t& hard) {
  // A common denominator q grows entry by entry: q x_pos, taken modulo
  // p^steps, is most often an integer already (an entry over q's own
  // denominator); else it is reconstructed as n' / q' and q takes q'.
  const std::size_t m = basis_.size();
  grow(n_, m);
  mpz_fdiv_q_2exp(half_, modulus_, 1);
  mpz_sqrt(bound_, half_);
  mpz_set_ui(q_, 1);
  for (std::size_t k = 0; k < m; ++k) {
    const std::size_t pos = (hard + k) % m;
    mpz_set(w_, &acc_[pos]);
    if (mpz_sgn(w_) != 0 && mpz_cmp_ui(q_, 1) != 0) {
      mpz_mul(w_, w_, q_);
      mpz_fdiv_r(w_, w_, modulus_);
      if (mpz_cmp(w_, half_) > 0) mpz_sub(w_, w_, modulus_);
    }
    if (mpz_cmpabs(w_, bound_) <= 0) {
      mpz_set(&n_[pos], w_);
      continue;
    }
    if (!fraction(w_)) {
      hard = pos;
      return false;
    }
    mpz_mul(q_, q_, t1_);
    if (mpz_cmp(q_, bound_) > 0) {
      hard = pos;
      return false;
    }
    for (std::size_t e = 0; e < k; ++e) {
      mpz_ptr n = &n_[(hard + e) % m];
      mpz_mul(n, n, t1_);
      if (mpz_cmpabs(n, bound_) > 0) return false;
    }
    mpz_set(&n_[pos], r1_);
  }
  // Proven: n = q acc and B acc = v modulo M, so B n - q v is a multiple
  // of M; each of its entries is below rowsum(|B|) N + q |v_i| < 2^63 N in
  // magnitude, and M > 2^63 N once M > 2^127 (three steps and more), so it
  // is zero: B n = q v exactly, and B is not singular (it is not modulo p).
  return true;
}

bool LiftedSolves::fraction(mpz_srcptr u) {
  // The n / q with |n|, q <= bound_ and n = q u modulo p^steps, by the
  // extended Euclidean algorithm stopped halfway: r1_ = n, t1_ = q.
  mpz_fdiv_r(r1_, u, modulus_);
  mpz_set(r0_, modulus_);
  mpz_set_ui(t0_, 0);
  mpz_set_ui(t1_, 1);
  // Far above the bound, quotients come in batches off the leading words.
  const std::size_t batch_bits = mpz_sizeinbase(bound_, 2) + 64;
  while (mpz_cmp(r1_, bound_) > 0) {
    if (mpz_sizeinbase(r1_, 2) > batch_bits && batch()) continue;
    mpz_fdiv_qr(quotient_, r0_, r0_, r1_);
    mpz_swap(r0_, r1_);
    mpz_submul(t0_, quotient_, t1_);
    mpz_swap(t0_, t1_);
  }
  if (mpz_sgn(t1_) == 0 || mpz_cmpabs(t1_, bound_) > 0) return false;
  if (mpz_sgn(t1_) < 0) {
    mpz_neg(t1_, t1_);
    mpz_neg(r1_, r1_);
  }
  return true;
}

namespace {

// out = a x + b y.
void combine(mpz_ptr out, std::int64_t a, mpz_srcptr x, std::int64_t b, mpz_srcptr y) {
  mpz_mul_si(out, x, a);
  if (b >= 0) {
    mpz_addmul_ui(out, y, static_cast<unsigned long>(b));
  } else {
    mpz_submul_ui(out, y, static_cast<unsigned long>(-static_cast<i128>(b)));
  }
}

}  // namespace

bool LiftedSolves::batch() {
  // Lehmer: the Euclidean steps of the leading 62 bits of r0_ and r1_, as
  // long as they are surely the whole numbers' steps (Knuth's test: the
  // same quotient for both ends of the leading words' range), applied at
  // once as a 2 x 2 matrix. Any such matrix keeps r = t u modulo p^steps,
  // which is all the answer's proof rests on; the test only keeps the
  // steps Euclid's. False when no step is sure (one division then).
  const std::size_t shift = mpz_sizeinbase(r0_, 2) - 62;
  mpz_fdiv_q_2exp(w_, r0_, shift);
  i128 x = static_cast<i128>(mpz_get_ui(w_));
  mpz_fdiv_q_2exp(w_, r1_, shift);
  i128 y = static_cast<i128>(mpz_get_ui(w_));
  i128 a = 1, b = 0, c = 0, d = 1;
  while (y + c > 0 && y + d > 0) {
    const i128 q = (x + a) / (y + c);
    if (q != (x + b) / (y + d)) break;
    const i128 na = c, nb = d, nc = a - q * c, nd = b - q * d;
    if (nc >= kWordLimit || nc <= -kWordLimit || nd >= kWordLimit || nd <= -kWordLimit) break;
    a = na, b = nb, c = nc, d = nd;
    const i128 t = x - q * y;
    x = y;
    y = t;
  }
  if (b == 0) return false;
  const auto w = [](i128 v) { return static_cast<std::int64_t>(v); };
  combine(lehmer_[0], w(a), r0_, w(b), r1_);
  combine(lehmer_[1], w(c), r0_, w(d), r1_);
  // Euclid's remainders stay 0 <= r1 < r0; anything else is not taken.
  if (mpz_sgn(lehmer_[1]) < 0 || mpz_cmp(lehmer_[1], lehmer_[0]) >= 0) return false;
  mpz_swap(r0_, lehmer_[0]);
  mpz_swap(r1_, lehmer_[1]);
  combine(lehmer_[0], w(a), t0_, w(b), t1_);
  combine(lehmer_[1], w(c), t0_, w(d), t1_);
  mpz_swap(t0_, lehmer_[0]);
  mpz_swap(t1_, lehmer_[1]);
  return true;
}

void LiftedSolves::hand_out(const std::vector<std::uint32_t>& positions, std::vector<Rational>& out) {
  mpq_t value;
  mpq_init(value);
  out.clear();
  for (std::uint32_t pos : positions) {
    mpz_set(mpq_numref(value), &n_[pos]);
    mpz_set(mpq_denref(value), q_);
    mpq_canonicalize(value);
    out.push_back(Rational::from_mpq(value));
  }
  mpq_clear(value);
}

}  // namespace mivex::lp
