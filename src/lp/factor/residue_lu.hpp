// An LU factorization of a square integer matrix modulo one prime, by
// sparse elimination. Any pivot that is not 0 modulo the prime is exact, so
// pivots are chosen for sparsity alone (the column of fewest entries, then
// its shortest row). Rows are eliminated without division (row r becomes
// pivot * row r - a * pivot row), so the pivots are inverted together once
// the factor is complete. Its solves give B^-1 v modulo the prime in a few
// word operations per entry; lifting (lifted_solves.hpp) makes them exact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "linear/residue.hpp"

namespace mivex::lp {

class ResidueLu {
 public:
  using u64 = std::uint64_t;
  // A matrix entry (row or position, value in the prime's Montgomery form).
  struct Cell {
    std::uint32_t index;
    u64 value;
  };

  explicit ResidueLu(const linear::ResiduePrime& prime) : p_(prime) {}

  // Factor the m x m matrix given by its columns (one per position; cells
  // by row, none zero). False when it is singular modulo the prime.
  bool factor(std::size_t m, const std::vector<std::vector<Cell>>& columns);
  // v (by row) becomes z (by position) with B z = v modulo the prime; v is
  // used up. Both in Montgomery form.
  void solve(std::vector<u64>& v, std::vector<u64>& z) const;

 private:
  struct Step {
    std::uint32_t row, position;
    u64 pivot, pivot_inverse;
    std::size_t l_begin, l_end;  // in l_: (row, its entry in the pivot's column)
    std::size_t u_begin, u_end;  // in u_: (later position, entry)
  };
  void load(std::size_t m, const std::vector<std::vector<Cell>>& columns);
  bool choose(std::uint32_t& row, std::uint32_t& position);
  void take(std::uint32_t row, std::uint32_t position);
  void eliminate(std::uint32_t row, std::uint32_t pivot_row, std::uint32_t position, u64 pivot);
  void counted(std::uint32_t position, int change);
  void invert_pivots();

  linear::ResiduePrime p_;
  std::size_t m_ = 0;
  std::vector<Step> steps_;
  std::vector<Cell> l_, u_;
  std::vector<u64> prefix_;  // invert_pivots scratch
  // The active submatrix: rows with their cells (by position), the rows
  // each position may have an entry in (stale ones are skipped), each
  // position's count of entries, and positions by count (lazily: a
  // position may also sit in buckets of counts it had).
  std::vector<std::vector<Cell>> rows_;
  std::vector<std::vector<std::uint32_t>> cols_;
  std::vector<std::uint32_t> count_;
  std::vector<std::vector<std::uint32_t>> bucket_;
  std::size_t lowest_ = 0;  // no bucket below holds a live position
  std::vector<char> row_done_, col_done_;
  std::vector<std::uint32_t> slot_;  // a row's cells by position, plus one; 0 elsewhere
};

}  // namespace mivex::lp
