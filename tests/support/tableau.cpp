#include "support/tableau.hpp"

#include "core/error.hpp"

namespace mivex::lp::reference {

Tableau::Tableau(std::size_t vars, std::size_t rows)
    : num_rows_(rows), num_cols_(vars + 1), cells_((rows + 1) * (vars + 1)), basis_(rows + 1, kNone) {}

void Tableau::check_row(std::size_t row) const {
  if (row > num_rows_) stop("tableau row index out of range");
}

void Tableau::check_col(std::size_t col) const {
  if (col >= num_cols_) stop("tableau column index out of range");
}

const Rational& Tableau::at(std::size_t row, std::size_t col) const {
  check_row(row);
  check_col(col);
  return cell(row, col);
}

void Tableau::set(std::size_t row, std::size_t col, Rational value) {
  check_row(row);
  check_col(col);
  cell(row, col) = std::move(value);
}

std::size_t Tableau::basic(std::size_t row) const {
  check_row(row);
  return basis_[row];
}

void Tableau::set_basic(std::size_t row, std::size_t col) {
  check_row(row);
  check_col(col);
  basis_[row] = col;
}

void Tableau::price_out(std::size_t row) {
  check_row(row);
  std::size_t c = basis_[row];
  if (c == kNone) return;
  if (cell(0, c).is_zero() || cell(row, c).is_zero()) return;
  Rational factor = cell(0, c) / cell(row, c);
  for (std::size_t j = 0; j < num_cols_; ++j) {
    const Rational& x = cell(row, j);
    if (!x.is_zero()) cell(0, j).sub_mul(factor, x);
  }
}

std::optional<std::size_t> Tableau::find_entering(const std::vector<bool>& pass_over) const {
  const Rational* best_value = nullptr;
  std::size_t best = kNone;
  for (std::size_t j = 0; j + 1 < num_cols_; ++j) {
    if (j < pass_over.size() && pass_over[j]) continue;
    const Rational& v = cell(0, j);
    if (!v.is_positive()) continue;
    if (best_value == nullptr || v > *best_value) {
      best_value = &v;
      best = j;
    }
  }
  if (best == kNone) return std::nullopt;
  return best;
}

std::optional<std::size_t> Tableau::find_entering_bland(const std::vector<bool>& pass_over) const {
  for (std::size_t j = 0; j + 1 < num_cols_; ++j) {
    if (j < pass_over.size() && pass_over[j]) continue;
    if (cell(0, j).is_positive()) return j;
  }
  return std::nullopt;
}

template <class Better>
std::optional<std::pair<std::size_t, std::size_t>> Tableau::ratio_test(std::size_t col,
                                                                         Better better) const {
  check_col(col);
  std::size_t best = kNone;
  Rational best_ratio;
  for (std::size_t i = 1; i <= num_rows_; ++i) {
    const Rational& a = cell(i, col);
    if (!a.is_positive()) continue;
    Rational ratio = cell(i, rhs_col()) / a;
    if (best == kNone) {
      best = i;
      best_ratio = std::move(ratio);
      continue;
    }
    auto order = ratio <=> best_ratio;
    if (order < 0 || (order == 0 && better(i, best))) {
      best = i;
      best_ratio = std::move(ratio);
    }
  }
  if (best == kNone || basis_[best] == kNone) return std::nullopt;
  return std::make_pair(best, basis_[best]);
}

std::optional<std::pair<std::size_t, std::size_t>> Tableau::find_leaving(std::size_t col) const {
  return ratio_test(col, [](std::size_t, std::size_t) { return false; });
}

std::optional<std::pair<std::size_t, std::size_t>> Tableau::find_leaving_bland(std::size_t col) const {
  // Rows without a basic column sort last; Bland's rule needs every row basic.
  return ratio_test(col, [this](std::size_t row, std::size_t best) { return basis_[row] < basis_[best]; });
}

void Tableau::pivot(std::size_t r, std::size_t e) {
  check_row(r);
  check_col(e);
  if (r == 0) stop("tableau row index out of range");
  if (cell(r, e).is_zero()) stop("pivot value is zero");
  Rational p = cell(r, e);
  pivot_nz_.clear();
  for (std::size_t j = 0; j < num_cols_; ++j) {
    if (!cell(r, j).is_zero()) pivot_nz_.push_back(j);
  }
  for (std::size_t j : pivot_nz_) cell(r, j).div_by(p);
  Rational f;
  for (std::size_t i = 0; i <= num_rows_; ++i) {
    if (i == r || cell(i, e).is_zero()) continue;
    f = cell(i, e);
    Rational* target = &cell(i, 0);
    const Rational* source = &cell(r, 0);
    for (std::size_t j : pivot_nz_) target[j].sub_mul(f, source[j]);
  }
  basis_[r] = e;
  ++pivots_;
}

Rational Tableau::value_of(std::size_t col) const {
  for (std::size_t i = 1; i <= num_rows_; ++i) {
    if (basis_[i] == col) return cell(i, rhs_col());
  }
  return Rational();
}

std::vector<Rational> Tableau::row(std::size_t r) const {
  check_row(r);
  return std::vector<Rational>(cells_.begin() + static_cast<std::ptrdiff_t>(r * num_cols_),
                               cells_.begin() + static_cast<std::ptrdiff_t>((r + 1) * num_cols_));
}

SparseRow Tableau::sparse_row(std::size_t r) const {
  check_row(r);
  SparseRow out;
  for (std::size_t j = 0; j < num_cols_; ++j) {
    if (!cell(r, j).is_zero()) out.emplace_back(j, cell(r, j));
  }
  return out;
}

void Tableau::set_sparse_row(std::size_t r, const SparseRow& entries) {
  check_row(r);
  for (const auto& [col, v] : entries) check_col(col);
  for (std::size_t j = 0; j < num_cols_; ++j) cell(r, j) = Rational();
  for (const auto& [col, v] : entries) cell(r, col) = v;
}

}  // namespace mivex::lp::reference
