// One basis change of the revised simplex: the entering column's image, the
// basis inverse's row at the leaving position, and the exact updates of the
// basic values, the multipliers and the basis inverse.
#include "core/error.hpp"
#include "lp/simplex/revised_simplex.hpp"

namespace mivex::lp {

namespace {

constexpr std::size_t kResetEvery = 32;

}  // namespace

void RevisedSimplex::load_column(std::size_t col) {
  // alpha_ is zero outside alpha_nz_ between pivots.
  for (std::uint32_t p : alpha_nz_) alpha_[p] = Rational();
  alpha_nz_.clear();
  form_->for_any_column(col, [&](std::size_t row, const Rational& v) {
    alpha_[row] = v;
    alpha_nz_.push_back(static_cast<std::uint32_t>(row));
  });
  if (lattice_on_ && lattice_ftran(col)) {
    if (verify_ != 0) verify_lattice(col);
    return;
  }
  factor_.ftran_sparse(alpha_, alpha_nz_);
}

void RevisedSimplex::compute_inverse_row(std::size_t position) {
  // rho_ is zero outside rho_nz_ between pivots.
  for (std::uint32_t i : rho_nz_) rho_[i] = Rational();
  factor_.inverse_row(position, rho_, rho_nz_);
}

void RevisedSimplex::compute_pivot_row(std::size_t position) {
  for (std::uint32_t j : row_nz_) {
    row_[j] = Rational();
    row_mark_[j] = 0;
  }
  row_nz_.clear();
  compute_inverse_row(position);
  // Row `position` of the tableau is rho^T A: walk the rows where rho is
  // nonzero and add their entries into the columns they touch.
  auto add = [&](std::size_t j, const Rational& r, const Rational& a) {
    if (position_[j] >= 0) return;
    if (!row_mark_[j]) {
      row_mark_[j] = 1;
      row_nz_.push_back(static_cast<std::uint32_t>(j));
    }
    row_[j].sub_mul(r, a);
  };
  for (std::uint32_t i : rho_nz_) {
    Rational minus = -rho_[i];
    form_->for_row(i, [&](std::size_t j, const Rational& a) { add(j, minus, a); });
    auto [first, last] = form_->row_aux(i);
    for (std::size_t j = first; j < last; ++j) add(j, minus, Rational(form_->aux_of(j).coef()));
  }
}

void RevisedSimplex::log_values(std::size_t position, std::size_t col) {
  // Only a rise can take a value past a bound: the entering column's, and
  // those of basic columns with a negative entry in its image.
  const std::size_t n = form_->num_structural();
  const std::size_t t = log_->steps.size();
  for (std::uint32_t p : alpha_nz_) {
    if (p != position && basis_[p] < n && alpha_[p].is_negative()) log_->note_value(t, basis_[p], x_[p]);
  }
  if (col < n) log_->note_value(t, col, x_[position]);
}

void RevisedSimplex::pivot(std::size_t position, std::size_t col, bool update_costs) {
  const Rational& a = alpha_[position];
  if (a.is_zero()) stop("pivot value is zero");
  if (trace_ != nullptr) trace_->emplace_back(col, basis_[position]);

  // Basic values: x -= theta * alpha, and theta at the pivot position.
  if (!x_[position].is_zero()) {
    Rational theta = x_[position] / a;
    for (std::uint32_t p : alpha_nz_) {
      if (p != position) x_[p].sub_mul(theta, alpha_[p]);
    }
    x_[position] = std::move(theta);
    if (log_ != nullptr) log_values(position, col);
  }

  // Refactor after this pivot? Then the pricing bounds start afresh from y
  // and need not follow its moves one by one.
  const bool refresh = factor_.updates() + 1 >= update_limit() || factor_.etas_outgrow_factors();
  // Pricing's bounds start afresh from y at a refactorization, unless the
  // last fresh start was only a few pivots ago: a start walks every column,
  // and where refactorizations come every few pivots (bases of mostly unit
  // columns) that walk would cost more than following y's moves.
  ++pivots_since_reset_;
  const bool fresh_costs = refresh && pivots_since_reset_ >= kResetEvery;

  const std::size_t leaving = basis_[position];
  if (update_costs && !entering_cost_.is_zero()) {
    // Every d_j moves by -(d_e / alpha_r) times the tableau row entry
    // rho^T a_j, rho the basis inverse's row at this position: y moves by
    // (d_e / alpha_r) rho.
    compute_inverse_row(position);
    Rational row_entry;
    form_->for_any_column(col, [&](std::size_t i, const Rational& v) { row_entry.sub_mul(-rho_[i], v); });
    if (row_entry != a) stop("tableau row and column disagree at the pivot");
    const Rational minus_f = -(entering_cost_ / a);
    for (std::uint32_t i : rho_nz_) {
      y_[i].sub_mul(minus_f, rho_[i]);
      if (!fresh_costs) bounds_.move_multiplier(i, y_[i]);
    }
  }

  place(leaving, -1);
  place(col, static_cast<std::int32_t>(position));
  basis_[position] = static_cast<std::uint32_t>(col);

  if (refresh) {
    refactor();
    if (update_costs && fresh_costs) reset_bounds();
    if (verify_ != 0) {
      std::vector<Rational> x, y;
      compute_values(x);
      compute_multipliers(y);
      if (x != x_) stop("updated basic values differ from recomputed ones");
      if (update_costs && y != y_) stop("updated multipliers differ from recomputed ones");
    }
  } else {
    factor_.update(position, alpha_, alpha_nz_, static_cast<std::uint32_t>(col));
    update_lattice(position);
  }
}

}  // namespace mivex::lp
