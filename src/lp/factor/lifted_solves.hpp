// Exact solutions of B x = v for a simplex basis B, by p-adic lifting over
// one LU modulo a prime near 2^62. With the rows scaled to integers, each
// step solves modulo p in words, takes the solution's digits (|d| < p/2)
// and carries the remainder (r - B d) / p exactly in 128-bit integers; after
// k steps the digits give x modulo p^k, from which rational reconstruction
// finds x = n / q with every |n_i| and q below sqrt(p^k / 2). Those bounds
// prove it (see reconstruct()), so nothing rests on chance: where no such
// n / q exists yet, the lifting goes on.
//
// Where the basis inverse's rationals are big, this costs a part of an
// exact factorization and its solves: the words stay small however long
// the numbers grow, and only the answer is ever a big number.
#pragma once

#include <gmp.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "linear/rational.hpp"
#include "lp/factor/residue_lu.hpp"
#include "lp/factor/standard_form.hpp"

namespace mivex::lp {

class LiftedSolves {
 public:
  LiftedSolves();
  ~LiftedSolves();
  // Scratch and caches only: a copy starts empty.
  LiftedSolves(const LiftedSolves&) : LiftedSolves() {}
  LiftedSolves& operator=(const LiftedSolves&) { return *this; }

  // For the basis of `form` that lists column basis[p] at position p:
  // x_p = (B^-1 b)_p and alpha_p = (B^-1 a)_p, a = column `col`, exactly,
  // for each p in `positions` (in that order). False when the numbers do
  // not fit the words the lifting works in, or the lifting gives up (the
  // caller then solves another way).
  bool values(const StandardForm& form, const std::vector<std::uint32_t>& basis, std::size_t col,
              const std::vector<std::uint32_t>& positions, std::vector<Rational>& x, std::vector<Rational>& alpha);
  // Answers given, by every instance of the process (for tests).
  static std::size_t solves_everywhere();
  // Lifting steps the last answer needed (the larger of its two solves).
  std::size_t steps() const { return std::max(memory_[0].steps, memory_[1].steps); }

 private:
  using i128 = __int128;
  struct Cell {
    std::uint32_t row;
    std::int64_t value;
  };
  // The form with each row scaled to integers: scale_[i] times row i.
  bool scale(const StandardForm& form);
  // Column j of the scaled form.
  template <class F>
  void for_column(std::size_t j, F&& f) const;
  bool factor(const std::vector<std::uint32_t>& basis);
  // What one kind of solve (the right-hand side, a column) remembers from
  // the last: where its reconstruction failed, and how many steps it took.
  struct Memory {
    std::size_t hard = 0;
    std::size_t steps = 0;
  };
  // n / q = B^-1 v (n by position); false when the lifting gives up.
  bool lift(const std::vector<std::int64_t>& v, Memory& memory);
  // The answer when the remainder reached zero: the digits themselves.
  bool integers();
  // A proposal n / q from the solution modulo p^steps; false when some
  // entry has none within the bounds yet.
  bool reconstruct(std::size_t& hard);
  bool fraction(mpz_srcptr u);
  bool batch();  // fraction's Euclidean steps, several at once
  void hand_out(const std::vector<std::uint32_t>& positions, std::vector<Rational>& out);

  // The scaled form (for `form_`; usable_ false when a number does not fit).
  const StandardForm* form_ = nullptr;
  bool usable_ = false;
  std::vector<std::int64_t> scale_;  // by row
  std::vector<std::size_t> start_;   // structural columns' cells
  std::vector<Cell> cells_;
  std::vector<std::int64_t> rhs_, column_;  // by row
  // The factored basis.
  std::vector<std::uint32_t> basis_;
  bool factored_ = false;
  ResidueLu lu_;
  std::vector<std::vector<ResidueLu::Cell>> columns_;
  // Lifting: the remainder (by row), the solution modulo p^steps (by
  // position, in (-p^steps / 2, p^steps / 2); modulus_ = p^steps) and the
  // answer n / q.
  std::vector<std::int64_t> rest_;
  std::vector<i128> product_;
  std::vector<std::uint64_t> work_, solved_;
  std::vector<__mpz_struct> acc_;
  Memory memory_[2];  // of the right-hand side's solves, and the columns'
  std::vector<__mpz_struct> n_;
  mpz_t q_, modulus_, bound_, half_, w_, r0_, r1_, t0_, t1_, quotient_;
  mpz_t lehmer_[2];
};

}  // namespace mivex::lp
