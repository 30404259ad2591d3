// The revised primal simplex over a StandardForm: the basis is a list of
// columns by position (the tableau's rows), its inverse a BasisFactor, and
// the basic values and the simplex multipliers y are exact and updated every
// pivot. A reduced cost d_j = c_j - y^T a_j is computed exactly only where a
// choice needs it.
//
// It makes the choices of the textbook tableau, read off the same numbers:
// the tableau's row 0 holds -d_j, its right-hand sides the basic values x,
// its column j the ftran image of a_j. So the entering column is the most
// negative d_j (lowest index on ties) and the leaving position the smallest
// x_i / alpha_i over alpha_i > 0 (lowest position on ties). Double-precision
// bounds on d and images of the ratios only narrow the candidates; every
// decision among them is exact.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/cancel.hpp"
#include "linear/product_sum.hpp"
#include "linear/rational.hpp"
#include "lp/factor/basis_factor.hpp"
#include "lp/factor/bound.hpp"
#include "lp/factor/bound_factor.hpp"
#include "lp/factor/lifted_solves.hpp"
#include "lp/simplex/pivot_log.hpp"
#include "lp/simplex/price_bounds.hpp"
#include "lp/factor/standard_form.hpp"

namespace mivex::lp {

class CycleGuard;

// Pivots a phase repeats from a log instead of making them: the phase's
// first basis, then the steps (the current basis must be the one after them).
struct RepeatedSteps {
  const std::vector<std::uint32_t>* start;
  const PivotLog::Step* steps;
  std::size_t count;
};

struct PhaseEnd {
  bool optimal = false;       // no entering column left
  std::size_t entering = 0;   // otherwise: the column no row bounds
  std::size_t pivots = 0;
  bool bland = false;         // whether a revisited basis switched the rule
  bool below_floor = false;   // stopped: the objective was proven below the floor (stop_below)
};

class RevisedSimplex {
 public:
  enum class Costs : std::uint8_t { SumOfArtificials, Objective };

  explicit RevisedSimplex(std::shared_ptr<const StandardForm> form);

  // Record every (entering, leaving) pivot, for tests.
  void record_trace(std::vector<std::pair<std::size_t, std::size_t>>* trace) { trace_ = trace; }
  // For tests: refactor every `pivots` pivots, recompute the basic values and
  // multipliers then and stop unless they equal the updated ones (0: off).
  void verify_updates(std::size_t pivots) { verify_ = pivots; }
  // Keep in `log` (already started) the steps made from now on and what
  // tells when rows added to this program first change a choice; null stops.
  // A logged phase keeps every value exact throughout.
  void record_log(PivotLog* log) { log_ = log; }
  // Whether unlogged phases decide from bounds (bounded_steps.cpp): where
  // exact numbers grow big (Auto), or always or never, as tests ask, for
  // this solver or for new ones.
  enum class Bounds : std::uint8_t { Never, Auto, Always };
  void use_bounds(Bounds mode) { bounds_mode_ = mode; }
  static void set_bounds_default(Bounds mode);
  static Bounds bounds_default();
  // Under Auto: whether bounds were found to pay (the exact numbers grew
  // big), so that phases start from bounds; or make them start so, where
  // an LP of the same matrix found that (branch and bound's node LPs).
  bool bounds_paid() const { return bounds_paid_; }
  void start_from_bounds() { bounds_paid_ = true; }
  // How a refresh of the bounds factors the basis: exactly, in doubles
  // where that is likely to pay (Auto), or in doubles whenever it can, as
  // tests ask, for every solver of the process.
  enum class RefreshFactor : std::uint8_t { Exact, Auto, Doubles };
  static void set_refresh_default(RefreshFactor mode);
  // Whether the entering column's image is read off doubles on integer
  // bases (lattice_solves.cpp): where the determinant says it pays (Auto),
  // on every integer basis, or never, as tests ask, for every solver of the
  // process; and how often that answered or was refused (for tests).
  enum class Lattice : std::uint8_t { Never, Auto, Always };
  static void set_lattice_default(Lattice mode);
  static std::size_t lattice_answers_everywhere();
  static std::size_t lattice_refusals_everywhere();
  // Whether ties in the ratio test are settled by lifting (lifted_solves.hpp)
  // instead of exact rows: where the numbers are big (Auto), whenever it
  // can, or never, as tests ask, for every solver of the process; and how
  // often it answered (for tests).
  enum class Lifting : std::uint8_t { Never, Auto, Always };
  static void set_lifting_default(Lifting mode);
  static Lifting lifting_default();
  // For this solver only (branch and bound measures which serves).
  void use_lifting(Lifting mode) { lifting_mode_ = mode; }
  static std::size_t lifted_ties_everywhere();
  // Pivots whose leaving choice the bounds alone could not make (exact rows
  // or exact values decided it), by every solver of the process (for tests
  // and benchmarks).
  static std::size_t exact_choices_everywhere();

  // Price the current basis with these costs (multipliers from scratch).
  void set_costs(Costs costs);
  // Phases on the objective stop as soon as it is proven below the floor
  // (none: they run to their end). The objective never rises in a phase,
  // so such a phase could only end below the floor. Until a step lifts an
  // artificial above zero the point is the program's own, not below its
  // optimum: `floor` is asked for then, and only then.
  using Floor = std::function<std::optional<Rational>()>;
  void stop_below(Floor floor) { floor_ = std::move(floor); }
  // Pivot until optimal for the current costs or an entering column is
  // unbounded; artificial columns never enter when `skip_artificial`.
  // With `repeated`, the phase's first pivots are repeated (counted, traced
  // and shown to the cycle guard, the basis set to the one after them).
  PhaseEnd run_phase(bool skip_artificial, Cancel& cancel, const RepeatedSteps* repeated = nullptr);
  // A whole phase repeated (for its count, the trace and Bland's switch).
  PhaseEnd repeat_phase(const RepeatedSteps& repeated);
  // For each position (in order) whose basic column is artificial, pivot in
  // the lowest-index non-artificial column with a nonzero tableau entry
  // there. Call only with every artificial at zero. Returns the pivots.
  std::size_t drive_out_artificials(Cancel& cancel);
  // Pivots repeated outside a phase (a drive-out's): only the trace
  // sees them; the basis must be set to the one after them.
  void repeat_steps(const PivotLog::Step* steps, std::size_t count);

  std::size_t num_rows() const { return m_; }
  const std::vector<std::uint32_t>& basis() const { return basis_; }
  void set_basis(const std::vector<std::uint32_t>& basis);
  const std::vector<Rational>& values() const { return x_; }
  // The ftran image of the last entering column (after an unbounded end).
  const Rational& entering_entry(std::size_t position) const { return alpha_[position]; }
  bool artificial_basic(std::size_t position) const { return form_->is_artificial(basis_[position]); }
  // Sum of the basic values of artificial columns.
  Rational artificial_sum() const;

 private:
  // Refactor after this many basis changes, or sooner when the eta columns
  // outgrow the factors. A refactorization walks every row, so a large
  // basis takes more of its (often small) etas between two of them.
  std::size_t update_limit() const {
    constexpr std::size_t kMaxUpdates = 100;
    return verify_ != 0 ? verify_ : std::max(kMaxUpdates, m_ / 64);
  }
  // pricing.cpp; both set entering_cost_ to the chosen column's d_j, or
  // leave it unknown (entering_known_ false) where its bound decided.
  std::optional<std::size_t> find_entering(bool skip_artificial);
  std::optional<std::size_t> find_entering_bland(bool skip_artificial);
  // Bounds mode: the one column pricing's bounds leave, when they prove it
  // enters; whether some contender needs its exact d_j.
  std::optional<std::size_t> lone_contender();
  bool needs_exact_costs() const;
  // The bound on the entering column's d_j.
  Bound entering_bound(std::size_t col) const;
  // lows_ := the columns pricing must compute exactly, as
  // PriceBounds::contenders, noting in log_ the columns close to entering.
  void tracked_contenders(bool skip_artificial);
  Rational reduced_cost(std::size_t col);  // exact (the multipliers made exact first)
  // ratio_test.cpp
  std::optional<std::size_t> find_leaving(bool bland) const;
  // pivot.cpp
  void load_column(std::size_t col);  // alpha_ := ftran(a_col)
  void compute_inverse_row(std::size_t position);  // rho_ := row of the basis inverse
  void compute_pivot_row(std::size_t position);  // row_ := tableau row, nonbasic columns
  void pivot(std::size_t position, std::size_t col, bool update_costs);
  // bounded_steps.cpp: a phase that decides from bounds. The exact factor,
  // basic values and multipliers fall behind the basis there and are made
  // current on demand; the bounds are always current.
  enum class Verdict : std::uint8_t { Found, Unbounded, Unknown };
  void start_bounds();
  void finish_bounds(const PhaseEnd& end);
  void ensure_factor();
  void ensure_values();
  void ensure_multipliers();
  // One pivot on `col`: the leaving position (none: unbounded), whether the
  // step moved the point and the column that left. step_exact is the same
  // step, every value exact (revised_simplex.cpp).
  std::optional<std::size_t> step_bounds(std::size_t col, bool bland, bool& moves, std::size_t& left);
  std::optional<std::size_t> step_exact(std::size_t col, bool bland, bool& moves, std::size_t& left);
  void load_bounds(std::size_t col);  // alpha_b_ := bounds on ftran(a_col)
  // Among rows tied at the least ratio, whether position p leaves before q:
  // the lower position, or under Bland's rule the lower basic column.
  bool leaves_before(std::size_t p, std::size_t q, bool bland) const { return bland ? basis_[p] < basis_[q] : p < q; }
  Verdict find_leaving_bounds(bool bland, std::size_t col, std::size_t& best);
  Verdict decide_again(bool bland, std::size_t col, std::size_t& leaving);  // after carried bounds could not
  // Whether an exact alpha_p is worth making now: its row is kept, the
  // exact factor is current (a row costs one solve), or the bounds are
  // fresh (so they cannot decide).
  bool resolvable(std::size_t p) const { return fresh_ || factor_current_ || exact_rows_[p].valid; }
  template <class Compare>
  bool least_ratio(bool bland, Compare&& compare, std::size_t& k_best);
  bool exact_double_ratios(bool bland, std::size_t& best);
  Verdict exact_ratios(bool bland, std::size_t col, std::size_t& best);
  // exact_x_ and exact_a_ of the contenders by lifting, where it serves.
  bool lifted_ratios(std::size_t col);
  // Exact rows of the basis inverse, kept while they stay exact (a pivot
  // changes row p unless alpha_p = 0), and the exact alpha_p and x_p read
  // off them; exact_alpha also narrows alpha_b_[p] to its image.
  struct ExactRow {
    bool valid = false;
    std::vector<std::uint32_t> index;  // rows, ascending
    std::vector<Rational> value;
  };
  const ExactRow& exact_row(std::size_t position);
  // After the pivot at `position` on `col`: drop the rows it changed.
  void keep_exact_rows(std::size_t position, std::size_t col);
  Rational exact_alpha(std::size_t position, std::size_t col);
  Rational exact_value(std::size_t position);
  void pivot_bounds(std::size_t position, std::size_t col);
  void refresh_bounds();
  bool factor_in_doubles();
  bool refresh_factors_exactly() const;  // as the next refresh would, by the share so far
  void verify_bounds();
  // log_: the step just made, and the values that rose in it (from bounds).
  void log_step(std::size_t position, std::size_t col, std::size_t left, bool moves);
  void log_bounds(std::size_t position, std::size_t col);
  // revised_simplex.cpp
  void refactor();
  // lattice_solves.cpp: the entering column's exact image read off an
  // estimate in doubles and proven by one exact product, on integer bases
  // whose determinant D suits (lattice_on_).
  void start_lattice();                       // factor_ was just factored
  void update_lattice(std::size_t position);  // factor_ took alpha_ at position
  bool lattice_ftran(std::size_t col);        // alpha_ := ftran(a_col), or false
  bool lattice_candidate();                   // lattice_found_ := round(D B^-1 a)
  bool lattice_check();                       // B n = D a, exactly
  void verify_lattice(std::size_t col);       // tests: alpha_ against the exact solve
  bool column_integral(std::size_t col);
  // x = B^-1 b and y^T = c_B^T B^-1, through `lu` (by default the
  // simplex's own factor).
  void compute_values(std::vector<Rational>& x) const { compute_values(x, factor_); }
  void compute_multipliers(std::vector<Rational>& y) const { compute_multipliers(y, factor_); }
  void compute_values(std::vector<Rational>& x, const BasisFactor& lu) const;
  void compute_multipliers(std::vector<Rational>& y, const BasisFactor& lu) const;
  Rational cost_of(std::size_t col) const;
  void reset_bounds();  // every pricing bound from the exact y
  PhaseEnd repeat(CycleGuard& guard, const RepeatedSteps& repeated);
  // The objective c_B^T x_B (x_ current); and `objective` moved by the
  // step just made at `position`, given the entering column's d_j.
  Rational objective() const;
  void follow_objective(Bound& objective, std::size_t position, const Bound& cost, bool bounded) const;
  // Whether an artificial is basic above zero: anywhere (x_ current), or
  // among the rows the step just made moved.
  bool artificial_lifted() const;
  bool step_lifted_artificial(bool bounded) const;
  // log_: x of the structural columns that rose in the pivot just made.
  void log_values(std::size_t position, std::size_t col);

  std::shared_ptr<const StandardForm> form_;
  std::size_t m_;
  std::size_t cols_;
  Costs costs_ = Costs::Objective;
  std::vector<std::uint32_t> basis_;     // by position
  std::vector<std::int32_t> position_;   // by column; -1 when nonbasic
  // Bit sets of the columns free to enter: nonbasic ones (open_[0]), and
  // nonbasic ones but artificials, which phase 2 never lets enter
  // (open_[1]). Pricing walks only those, in increasing order, without a
  // branch per column on what blocks it.
  std::vector<std::uint64_t> open_[2];
  void place(std::size_t col, std::int32_t position) {
    position_[col] = position;
    const std::uint64_t bit = std::uint64_t{1} << (col & 63);
    const bool nonbasic = position < 0;
    const bool open[2] = {nonbasic, nonbasic && !form_->is_artificial(col)};
    for (int k = 0; k < 2; ++k) {
      std::uint64_t& word = open_[k][col >> 6];
      word = open[k] ? word | bit : word & ~bit;
    }
  }
  // f(j) for the columns free to enter, in increasing order, until f
  // returns true.
  template <class F>
  void for_open(bool skip_artificial, F&& f) const {
    const std::vector<std::uint64_t>& words = open_[skip_artificial ? 1 : 0];
    for (std::size_t w = 0; w < words.size(); ++w) {
      for (std::uint64_t bits = words[w]; bits != 0; bits &= bits - 1) {
        if (f(w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)))) return;
      }
    }
  }
  BasisFactor factor_;
  std::vector<Rational> x_;              // basic values, by position
  std::vector<Rational> y_;              // simplex multipliers, by row
  Rational entering_cost_;               // d_j of the column chosen to enter

  PriceBounds bounds_;                   // intervals around every d_j
  std::size_t pivots_since_reset_ = 0;   // since bounds_ last started afresh
  std::vector<std::pair<std::uint32_t, double>> lows_;  // pricing scratch
  std::vector<std::pair<std::uint32_t, double>> close_;  // pricing scratch for log_

  std::vector<Rational> alpha_;          // ftran image of the entering column
  std::vector<std::uint32_t> alpha_nz_;  // its nonzero positions
  std::vector<Rational> rho_;            // a row of the basis inverse
  std::vector<std::uint32_t> rho_nz_;    // its nonzero rows, ascending
  std::vector<Rational> row_;            // tableau row entries, by column
  std::vector<std::uint32_t> row_nz_;    // columns touched in row_
  std::vector<char> row_mark_;
  mutable std::vector<std::pair<std::uint32_t, double>> ratio_images_;  // ratio test scratch

  // Bounds mode (bounded_ during a phase that decides from bounds).
  Bounds bounds_mode_ = bounds_default();
  bool bounds_paid_ = false;              // Auto: later phases start from bounds (bounds_pay)
  std::size_t big_entries_ = 0;           // Auto: big rationals among recent images' entries
  std::size_t entries_ = 0;
  bool bounds_pay();                      // Auto: whether to switch to bounds now
  bool bounded_ = false;
  bool factor_current_ = true;   // factor_ is of basis_
  bool x_current_ = true;        // x_ is exact for basis_
  bool y_current_ = true;        // y_ is exact for basis_ and the costs
  bool alpha_current_ = false;   // alpha_ is the exact image of the entering column
  bool entering_known_ = true;   // entering_cost_ is the entering d_j
  BoundFactor bound_factor_;
  // Lattice solves (lattice_solves.cpp).
  BoundFactor lattice_;                  // beside factor_, of the same basis
  bool lattice_on_ = false;              // lattice_ is of basis_, lattice_det_ its |det|
  std::int64_t lattice_det_ = 0;
  struct WordEntry {
    std::uint32_t row;
    std::int64_t value;
  };
  static constexpr std::uint32_t kNoRow = ~std::uint32_t{0};
  static constexpr std::uint32_t kUnseen = ~std::uint32_t{0}, kNotWords = kUnseen - 1;
  std::vector<WordEntry> word_entries_;  // the integer columns met so far, each ended by kNoRow
  // By column: where in word_entries_; kUnseen, or kNotWords when an entry
  // is not an integer below kMaxEntry.
  std::vector<std::uint32_t> word_start_;
  std::vector<Bound> lattice_v_;         // the estimate's workspace, zero between solves
  std::vector<std::uint32_t> lattice_nz_;
  std::vector<std::pair<std::uint32_t, std::int64_t>> lattice_found_;  // (position, D x) candidates
  using Wide = __int128;
  std::vector<Wide> lattice_sum_;        // the check's B n - D a by row, zero between checks
  std::vector<char> lattice_mark_;       // rows in lattice_rows_
  std::vector<std::uint32_t> lattice_rows_;
  std::vector<Bound> xb_;                // bounds on the basic values; {0, 0} for exact zeros
  std::vector<Bound> alpha_b_;           // bounds on the entering column's image
  std::vector<std::uint32_t> alpha_b_nz_;
  std::vector<Bound> rho_b_;             // bounds on a row of the basis inverse
  std::vector<std::uint32_t> rho_b_nz_;
  struct Ratio {
    std::uint32_t position;
    double low, high;
  };
  std::vector<Ratio> ratios_;            // ratio test scratch
  bool likely_tie() const;               // ratios_ look like one exact tie
  std::vector<std::uint32_t> unsure_;    // ratio test scratch: signs the bounds leave open
  std::vector<std::uint32_t> ties_;      // rows the step takes to exactly zero besides the leaving one
  std::vector<Rational> exact_x_, exact_a_;  // ratio test scratch
  linear::ProductSum sum_;                // exact_value and exact_alpha
  LiftedSolves lifted_;                   // exact x_p and alpha_p at ties, without the exact factor
  std::vector<std::uint32_t> contenders_;  // lifted_ratios scratch
  bool lift_ties_ = false;                // the next tie goes to lifted_ (size_rows)
  Lifting lifting_mode_ = lifting_default();
  void size_rows();                       // the exact rows of a tie just settled: lift_ties_
  Bound theta_;                          // the step length, when the ratio test made it exact
  bool theta_known_ = false;
  std::vector<ExactRow> exact_rows_;     // by position
  std::vector<std::uint32_t> cached_rows_;
  std::size_t rows_made_ = 0;            // exact rows the current ratio test made
  std::vector<Bound> rhs_b_;             // images of the right-hand sides (made once)
  std::vector<Bound> solve_;             // refresh_bounds scratch
  std::vector<std::uint32_t> solve_nz_;
  bool fresh_ = false;                   // the bounds were recomputed after the last pivot
  bool exact_used_ = false;              // the exact factor was asked for since the last refresh
  double exact_share_ = 0.0;             // of recent refreshes, those followed by that

  Floor floor_;                           // stop_below
  std::vector<std::pair<std::size_t, std::size_t>>* trace_ = nullptr;
  std::size_t verify_ = 0;
  PivotLog* log_ = nullptr;
};

}  // namespace mivex::lp
