// Exact certificates for a basis proposed by floating-point arithmetic. A
// certificate is checked against the definitions, so a wrong proposal can
// only fail to certify; it can never certify a wrong answer.
//
// Variables: x_j >= 0 (the structurals j < n) and the row activities
// r_i = a_i x (variable n + i), which lie on their side of b_i. A basis names
// m of these n + m variables; the others sit at their bound (0, or b_i).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "linear/rational.hpp"
#include "lp/certified/column_form.hpp"
#include "lp/factor/basis_factor.hpp"

namespace mivex::lp {

struct Certificate {
  enum class Kind : std::uint8_t { UniqueOptimum, Infeasible, Unbounded };
  Kind kind = Kind::Infeasible;
  // UniqueOptimum and Unbounded: a feasible point.
  std::vector<linear::Rational> x;
  // UniqueOptimum: row multipliers with c - A^T y >= 0 (the duals);
  // Infeasible: row multipliers with A^T y <= 0 and b.y > 0 (Farkas).
  std::vector<linear::Rational> y;
  // UniqueOptimum: row multipliers proving that no other point of the
  // optimal face exists (see verify()); all zero when the duals alone do.
  std::vector<linear::Rational> u;
  // UniqueOptimum: the basic variables (j < n structural, n + i row i).
  std::vector<std::size_t> basis;
  // Unbounded: x + t * ray is feasible for every t >= 0 and c.ray < 0.
  std::vector<linear::Rational> ray;
};

// Which variables a proposal says are basic.
struct Basis {
  std::vector<bool> column;  // n entries
  std::vector<bool> row;     // m entries
};

// Asked for multipliers w of the rows of K (w_p >= 0, or any sign where
// free[p]) with sum_p w_p K[p][z] > 0 for every column z; floating point,
// exactness is checked afterwards. K is given row by row.
using WeightSearch = std::function<std::optional<std::vector<double>>(
    const std::vector<std::vector<double>>& k, const std::vector<bool>& free)>;

class Certifier {
 public:
  Certifier(const ColumnForm& form, Cancel& cancel) : f_(form), cancel_(cancel) {}

  // Factor the basis; false when it does not name m variables or is singular.
  bool load(const Basis& basis);

  // The basic point is feasible, its duals prove it optimal and it is the
  // only optimal point (the only feasible point without an objective).
  // With `reduced` (floating-point reduced costs by variable, as a proposal
  // gives them), hopeless() runs first, so that a basis of one of several
  // optima costs a few solves instead of the duals and the weight search.
  std::optional<Certificate> unique_optimum(const WeightSearch& search,
                                            const std::vector<double>* reduced = nullptr);
  // True when a few exact solves show that unique_optimum() must fail: the
  // basic point is infeasible, or a nonbasic move (tried among those whose
  // `reduced` cost is about zero) lowers the objective or keeps it while no
  // basic variable at its bound blocks it. False says nothing.
  bool hopeless(const std::vector<double>& reduced);
  // A basic row whose value breaks its bound and no nonbasic move can mend.
  std::optional<Certificate> infeasible();
  // The basic point, when it is feasible.
  std::optional<std::vector<linear::Rational>> feasible_point() const;
  bool primal_feasible() const;
  // Variable v's value at the basic point.
  const linear::Rational& basic_value(std::size_t v) const { return value_[v]; }
  // For an optimal basis (the basic point and the duals feasible): the
  // first of the basic structural variables that `wanted` accepts (by
  // column and value) whose value every optimal point shares, if one of
  // the first `tries` it accepts is. A basic variable keeps its value at
  // every optimum when no nonbasic variable an optimum may move (reduced
  // cost zero, not an equality row) has a nonzero entry in its tableau row.
  std::optional<std::size_t> fixed_at_optimum(
      const std::function<bool(std::size_t, const linear::Rational&)>& wanted, std::size_t tries);
  // The row multipliers of the basis: B^T y = costs of the basic variables.
  const std::vector<linear::Rational>& duals();
  // b^T y for those multipliers when they are dual feasible (c - A^T y >= 0,
  // signs by row side): no feasible point's objective is below it (it is
  // the optimum when the basic point is feasible too). None otherwise.
  std::optional<linear::Rational> dual_bound();
  // The basic point is feasible and a nonbasic move improves forever.
  std::optional<Certificate> unbounded();

 private:
  void compute_duals();
  // The basic positions whose variable sits at its bound (every basic
  // equality row among them), with that bound's side (0 for an equality).
  void tight_positions(std::vector<std::size_t>& tight, std::vector<int>& sides) const;
  // Whether a tight position (side `tight_side`) blocks a move of variable
  // `v` whose tableau entry there is `g`: a move no tight position blocks
  // keeps the basic point feasible for a while.
  bool blocks(const linear::Rational& g, int tight_side, std::size_t v) const;
  // The column of variable k in [A, -I].
  SparseVector column_of(std::size_t k) const;
  // Bound side of variable k: +1 lower bound (may only grow), -1 upper
  // (may only shrink), 0 fixed (an equality row).
  int side(std::size_t k) const;

  const ColumnForm& f_;
  Cancel& cancel_;
  std::vector<std::size_t> basic_;       // position p -> variable
  std::vector<bool> is_basic_;           // by variable
  BasisFactor lu_;
  std::vector<linear::Rational> value_;  // by variable: the basic solution
  std::vector<linear::Rational> y_;      // by row
  std::vector<linear::Rational> d_;      // by variable: reduced costs (0 when basic)
  bool duals_ = false;
};

// Check a certificate against the definitions only (the basis of a
// UniqueOptimum is read for which variables are nonbasic; that its matrix is
// nonsingular is what load() proved).
bool verify(const ColumnForm& form, const Certificate& certificate);

}  // namespace mivex::lp
