// The basis factor's sparse solves through residues. For an integer basis
// matrix B with D = |det B|, the solves' results are D^-1 times integer
// vectors. Those integers are found from their residues modulo two primes
// near 2^62, through images of the factors and etas: a product modulo a
// word-sized prime costs a few multiplies where a rational one reduces by
// gcds. Each result is checked exactly against the basis columns before it
// is used. When a check fails (an entry beyond the primes' range) or a
// number does not fit, the rational solve answers, and residues stay off
// until the next factor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "linear/rational.hpp"
#include "lp/factor/standard_form.hpp"

namespace mivex::lp {

class BasisFactor;

// A number modulo the first and the second prime (Montgomery form).
struct ResiduePair {
  std::uint64_t a = 0, b = 0;
  bool zero() const { return (a | b) == 0; }
};
// An integer below 2^123 in magnitude.
struct SignedWide {
  bool negative = false;
  unsigned __int128 magnitude = 0;
};

// Whether the sparse solves may go through residues: by default where they
// promise to be faster (factor() decides per basis); tests also ask for
// never, and for always where they can.
enum class ResidueMode : std::uint8_t { Never, WhenFaster, Always };

class ResidueSolves {
 public:
  void set_mode(ResidueMode mode) { mode_ = mode; }
  // The mode new factors start with (for tests that reach the factors only
  // through a solver; WhenFaster unless set).
  static void set_default_mode(ResidueMode mode);
  static ResidueMode default_mode();
  // Solves answered through residues by every factor of the process, and
  // by this one.
  static std::size_t solves_everywhere();
  std::size_t solves() const { return solves_; }

  // Whether the solves go through residues for the current basis.
  bool on() const { return on_; }
  // Entries of the etas' images (what a solve through them costs).
  std::size_t eta_entries() const { return eta_value_.size(); }
  // A new factor begins: off until factor() says otherwise.
  void reset() {
    on_ = false;
    image_fresh_ = false;
  }
  // The latest ftran image is not this side's (a rational solve ran).
  void stale() { image_fresh_ = false; }

  // Images of `lu`, just factored from `basis` of `form`, where they pay.
  void factor(const BasisFactor& lu, const StandardForm& form, const std::vector<std::uint32_t>& basis);
  // The column at `position` replaced by `column`, whose image the latest
  // ftran made; off when that cannot be followed.
  void update(std::size_t m, std::size_t position, std::uint32_t column);
  // As BasisFactor::ftran_sparse and inverse_row; false (the vector as it
  // came) when the rational solve must answer.
  bool ftran(const BasisFactor& lu, std::vector<Rational>& v, std::vector<std::uint32_t>& nz);
  bool inverse_row(const BasisFactor& lu, std::size_t position, std::vector<Rational>& out,
                   std::vector<std::uint32_t>& nz);
  // As BasisFactor::btran, for w of integers (the costs of the basic
  // columns, most often); false (w as it came) when the rational solve
  // must answer.
  bool btran(const BasisFactor& lu, std::vector<Rational>& w);
  // A rational ftran's result, for the share of wide results.
  void note_result(std::size_t m, const std::vector<Rational>& x, const std::vector<std::uint32_t>& nz);

 private:
  struct Eta {
    std::uint32_t position;
    ResiduePair pivot_inverse;
    std::size_t begin, end;  // in eta_index_, eta_value_
  };
  bool column_fits(std::uint32_t column) const;
  // work_ (by position) becomes y with B^T y = it, in out_ (by row), and
  // D y in row_found_ (out_ and work_ are left zero); false when the check
  // (D y)^T B = D w^T fails, with w[p] = `rhs(p)` for every position.
  template <class Rhs>
  bool solve_transposed(const BasisFactor& lu, Rhs rhs);
  // out[i] = found[i] / D for every position or row, nz the nonzero ones.
  void hand_out(std::size_t m, const SignedWide* found, std::vector<Rational>& out, std::vector<std::uint32_t>& nz);

  ResidueMode mode_ = default_mode();
  bool on_ = false;
  std::size_t solves_ = 0;
  const StandardForm* form_ = nullptr;
  std::vector<std::uint32_t> basis_;  // the form's column at each position, for the checks
  unsigned __int128 det_ = 0;         // D
  ResiduePair det_residue_;           // D modulo the primes, plain
  std::vector<ResiduePair> pivot_inverse_;  // by step
  std::vector<ResiduePair> l_images_, u_images_;  // beside the factor's L and U
  std::vector<Eta> etas_;
  std::vector<std::uint32_t> eta_index_;
  std::vector<ResiduePair> eta_value_;
  // Workspaces by row or position (zero between solves but `image_` and
  // `found_`, which keep the latest ftran's result for update()).
  std::vector<ResiduePair> work_, image_, out_;
  std::vector<SignedWide> found_, row_found_;
  std::vector<std::int64_t> rhs_;   // btran's w in words
  bool image_fresh_ = false;
  // The share of ftran results' nonzeros that are not small rationals,
  // averaged over recent solves.
  double big_share_ = 0.0;
  std::vector<std::uint64_t> check_;  // three words a row, zero between solves
};

}  // namespace mivex::lp
