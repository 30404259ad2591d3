// The entering column's exact image from doubles, on integer bases.
//
// For an integer basis matrix B with D = |det B| and an integer column a,
// D B^-1 a is an integer vector. So an estimate of B^-1 a in doubles,
// scaled by D and rounded, names a candidate n, and B n = D a, checked
// exactly in words, proves n / D is the image (B is nonsingular). The check
// costs one pass over the basis columns at n's nonzeros; the exact solve it
// replaces reduces a rational at every step. Where the candidate is wrong
// or a word overflows, the exact solve answers.
//
// That pays where the exact numbers are fractions with sizeable
// denominators (D of 2^24 and more); below, exact pivots on small integers
// and halves are cheap already. D follows the basis changes: the new basis
// is B E, E the identity with the image in the leaving column, so its
// determinant is det B times the pivot entry.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/error.hpp"
#include "lp/simplex/revised_simplex.hpp"

namespace mivex::lp {

namespace {

// D stays below kMaxDet, and every |D x| below kMaxScaled, so the scaled
// estimates still hold whole numbers apart and the candidates fit words.
constexpr std::int64_t kMinDet = std::int64_t{1} << 24;
constexpr std::int64_t kMaxDet = std::int64_t{1} << 40;
constexpr double kMaxScaled = 0x1p52;
// Column entries beyond this are left to the exact solves.
constexpr std::int64_t kMaxEntry = std::int64_t{1} << 50;

std::atomic<RevisedSimplex::Lattice> lattice_mode{RevisedSimplex::Lattice::Auto};
std::atomic<std::size_t> lattice_answers{0}, lattice_refusals{0};

// x rounded to a whole number, ties to even (as nearbyint in the default
// rounding mode, without the library call): below 2^51 in size, adding and
// taking away 1.5 * 2^52 leaves no fraction bits.
double nearest_whole(double x) {
  constexpr double kShift = 0x1.8p52;
  return std::fabs(x) < 0x1p51 ? (x + kShift) - kShift : std::nearbyint(x);
}

// |det| as a word below kMaxDet, or 0.
std::int64_t det_in_range(const Rational& det) {
  if (!det.is_small() || det.den() != 1 || det.is_zero()) return 0;
  const std::int64_t d = det.num();  // no negation: it may be the least word
  return d > -kMaxDet && d < kMaxDet ? (d < 0 ? -d : d) : 0;
}

}  // namespace

void RevisedSimplex::set_lattice_default(Lattice mode) { lattice_mode = mode; }
std::size_t RevisedSimplex::lattice_answers_everywhere() { return lattice_answers; }
std::size_t RevisedSimplex::lattice_refusals_everywhere() { return lattice_refusals; }

bool RevisedSimplex::column_integral(std::size_t col) {
  if (word_start_.size() != cols_) {
    word_start_.assign(cols_, kUnseen);
    word_entries_.clear();
  }
  std::uint32_t& start = word_start_[col];
  if (start == kUnseen) {
    // The entries as words, kept for the checks.
    const std::size_t at = word_entries_.size();
    bool whole = true;
    form_->for_any_column(col, [&](std::size_t row, const Rational& v) {
      whole = whole && v.is_small() && v.den() == 1 && v.num() > -kMaxEntry && v.num() < kMaxEntry;
      if (whole) word_entries_.push_back({static_cast<std::uint32_t>(row), v.num()});
    });
    if (whole) {
      start = static_cast<std::uint32_t>(at);
      word_entries_.push_back({kNoRow, 0});  // ends the column
    } else {
      start = kNotWords;
      word_entries_.resize(at);
    }
  }
  return start != kNotWords;
}

void RevisedSimplex::start_lattice() {
  lattice_on_ = false;
  const Lattice mode = lattice_mode;
  // Residue solves answer bases with larger determinants already.
  if (mode == Lattice::Never || factor_.residues_on()) return;
  for (std::uint32_t col : basis_) {
    if (!column_integral(col)) return;
  }
  lattice_det_ = factor_.determinant_below(kMaxDet);
  if (lattice_det_ == 0 || (mode == Lattice::Auto && lattice_det_ < kMinDet)) return;
  lattice_.take(factor_);
  if (lattice_v_.size() != m_) {
    lattice_v_.assign(m_, Bound{});
    lattice_sum_.assign(m_, 0);
    lattice_mark_.assign(m_, 0);
  }
  lattice_on_ = true;
}

void RevisedSimplex::update_lattice(std::size_t position) {
  if (!lattice_on_) return;
  // The entering column (now at `position`) must be integer too: the
  // solves rest on an integer basis, and the check reads its words.
  lattice_det_ = column_integral(basis_[position]) ? det_in_range(Rational(lattice_det_) * alpha_[position]) : 0;
  if (lattice_det_ == 0) {
    lattice_on_ = false;
    return;
  }
  // lattice_ only estimates: its etas need no radii.
  for (std::uint32_t p : alpha_nz_) lattice_v_[p] = Bound{alpha_[p].to_f64(), 0.0};
  lattice_.update(position, lattice_v_, alpha_nz_);
  for (std::uint32_t p : alpha_nz_) lattice_v_[p] = Bound{};
}

bool RevisedSimplex::lattice_ftran(std::size_t col) {
  if (!column_integral(col)) return false;
  if (!lattice_candidate() || !lattice_check()) {
    ++lattice_refusals;
    return false;
  }
  ++lattice_answers;
  for (std::uint32_t row : alpha_nz_) alpha_[row] = Rational();
  alpha_nz_.clear();
  for (const auto& [p, n] : lattice_found_) {
    alpha_[p] = Rational(n, lattice_det_);
    alpha_nz_.push_back(p);
  }
  return true;
}

bool RevisedSimplex::lattice_candidate() {
  // alpha_ holds the column by row, nonzero at alpha_nz_.
  for (std::uint32_t row : alpha_nz_) lattice_v_[row] = Bound{static_cast<double>(alpha_[row].num()), 0.0};
  lattice_nz_ = alpha_nz_;
  lattice_.ftran_estimate(lattice_v_, lattice_nz_);
  const double det = static_cast<double>(lattice_det_);
  bool fits = true;
  lattice_found_.clear();
  for (std::uint32_t p : lattice_nz_) {
    const double scaled = nearest_whole(lattice_v_[p].mid * det);
    lattice_v_[p] = Bound{};
    fits = fits && std::fabs(scaled) < kMaxScaled;
    if (fits && scaled != 0.0) lattice_found_.push_back({p, static_cast<std::int64_t>(scaled)});
  }
  return fits;
}

bool RevisedSimplex::lattice_check() {
  // B n - D a, by row, in 128 bits: each term is below 2^102 (entries
  // below 2^50, candidates below 2^52, D below 2^40) and a row sums fewer
  // than 2^24 of them, so no sum can overflow.
  static_assert(kMaxEntry <= (std::int64_t{1} << 50) && kMaxScaled <= 0x1p52 && kMaxDet <= (std::int64_t{1} << 50));
  if (m_ >= (std::size_t{1} << 24)) return false;
  Wide* sum = lattice_sum_.data();
  lattice_rows_.clear();
  auto add = [&](std::size_t row, std::int64_t a, std::int64_t n) {
    if (!lattice_mark_[row]) {
      lattice_mark_[row] = 1;
      lattice_rows_.push_back(static_cast<std::uint32_t>(row));
    }
    sum[row] += static_cast<Wide>(a) * n;
  };
  for (const auto& [p, n] : lattice_found_) {
    for (const WordEntry* e = &word_entries_[word_start_[basis_[p]]]; e->row != kNoRow; ++e) add(e->row, e->value, n);
  }
  for (std::uint32_t row : alpha_nz_) add(row, alpha_[row].num(), -lattice_det_);
  bool zero = true;
  for (std::uint32_t row : lattice_rows_) {
    zero = zero && sum[row] == 0;
    sum[row] = 0;
    lattice_mark_[row] = 0;
  }
  return zero;
}

void RevisedSimplex::verify_lattice(std::size_t col) {
  std::vector<Rational> exact(m_);
  std::vector<std::uint32_t> nz;
  form_->for_any_column(col, [&](std::size_t row, const Rational& v) {
    exact[row] = v;
    nz.push_back(static_cast<std::uint32_t>(row));
  });
  factor_.ftran_sparse(exact, nz);
  if (nz != alpha_nz_) stop("lattice image differs from the exact one");
  for (std::uint32_t p : nz) {
    if (exact[p] != alpha_[p]) stop("lattice image differs from the exact one");
  }
}

}  // namespace mivex::lp
