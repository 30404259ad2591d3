// An LP in the column layout the simplex works on: structural columns
// 0..n-1 (column j is variable j), then the auxiliary columns allocated
// constraint by constraint (a slack for <=, an artificial for =, a surplus
// and an artificial for >=; rows with a negative right-hand side are stored
// negated, which swaps <= and >=). Every row starts with a unit basic column
// (its slack or artificial) and a non-negative right-hand side.
//
// The structural part is kept by columns and by rows. A form may extend a
// base form by extra rows (branch and bound adds one per bound): the base's
// matrix is shared, not copied, and the extra rows' auxiliary columns come
// after the base's, as if the extra constraints had been appended.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "linear/rational.hpp"
#include "linear/system.hpp"

namespace mivex::lp {

using linear::LinearConstraint;
using linear::LinearSystem;
using linear::Rational;

struct Entry {
  std::uint32_t index;  // a row in a column list, a column in a row list
  Rational value;
};

// Structural entries of consecutive rows (or columns), compressed.
struct SparseLines {
  std::vector<std::size_t> start{0};
  std::vector<Entry> entries;
  std::size_t size() const { return start.size() - 1; }
  const Entry* begin(std::size_t k) const { return entries.data() + start[k]; }
  const Entry* end(std::size_t k) const { return entries.data() + start[k + 1]; }
};

class StandardForm {
 public:
  enum class AuxKind : std::uint8_t { Slack, Surplus, Artificial };
  struct Aux {
    std::uint32_t row;
    AuxKind kind;
    int coef() const { return kind == AuxKind::Surplus ? -1 : 1; }
  };

  // The form of a whole system. Stops on a term naming an unknown variable.
  static std::shared_ptr<const StandardForm> of(const LinearSystem& system);
  // `base` followed by `extra` constraints (over the same variables).
  static std::shared_ptr<const StandardForm> extend(std::shared_ptr<const StandardForm> base,
                                                    const std::vector<LinearConstraint>& extra);

  std::size_t num_rows() const { return rhs_.size(); }
  std::size_t num_structural() const { return n_; }
  std::size_t num_cols() const { return n_ + aux_.size(); }
  bool is_artificial(std::size_t col) const {
    return col >= n_ && aux_[col - n_].kind == AuxKind::Artificial;
  }
  // Whether some row has an artificial column (then phase 1 runs).
  bool has_artificial() const {
    return std::any_of(aux_.begin(), aux_.end(), [](const Aux& a) { return a.kind == AuxKind::Artificial; });
  }
  const std::vector<Aux>& aux() const { return aux_; }
  const Aux& aux_of(std::size_t col) const { return aux_[col - n_]; }
  // The column basic in each row at the start.
  std::uint32_t start_basic(std::size_t row) const { return start_basic_[row]; }
  const std::vector<Rational>& rhs() const { return rhs_; }
  // Phase-2 costs of the structural columns (the minimised form: -c when
  // maximising); auxiliary columns cost nothing.
  const std::vector<Rational>& cost() const { return cost_; }
  bool maximize() const { return maximize_; }
  // The minimised objective at `x`, a value per structural column.
  Rational objective_at(const std::vector<Rational>& x) const;

  // Structural entries of column j < n, and of row i.
  template <class F>
  void for_column(std::size_t j, F&& f) const {
    if (base_) base_->for_column(j, f);
    for (const Entry* e = cols_.begin(j); e != cols_.end(j); ++e) f(e->index + row_offset_, e->value);
  }
  template <class F>
  void for_row(std::size_t i, F&& f) const {
    if (i < row_offset_) return base_->for_row(i, f);
    i -= row_offset_;
    for (const Entry* e = rows_.begin(i); e != rows_.end(i); ++e) f(e->index, e->value);
  }
  // Every entry of column j, auxiliary columns included.
  template <class F>
  void for_any_column(std::size_t j, F&& f) const {
    if (j < n_) return for_column(j, f);
    const Aux& a = aux_[j - n_];
    f(a.row, Rational(a.coef()));
  }
  // The auxiliary columns of row i (one or two, consecutive).
  std::pair<std::size_t, std::size_t> row_aux(std::size_t i) const { return {row_aux_[i], row_aux_[i + 1]}; }

  // Bytes held by this form alone (the shared base not counted).
  std::size_t own_bytes() const;

 private:
  void add_rows(const std::vector<LinearConstraint>& constraints);

  std::shared_ptr<const StandardForm> base_;
  std::size_t row_offset_ = 0;  // rows of the base
  std::size_t n_ = 0;
  bool maximize_ = false;
  SparseLines cols_;            // this form's own rows, by structural column
  SparseLines rows_;            // this form's own rows
  std::vector<Rational> rhs_;   // every row, base rows included
  std::vector<Rational> cost_;
  std::vector<Aux> aux_;
  std::vector<std::uint32_t> start_basic_;
  std::vector<std::size_t> row_aux_{};  // per row: first auxiliary column; one past the end last
};

}  // namespace mivex::lp
