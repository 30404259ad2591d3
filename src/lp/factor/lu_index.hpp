// The indexes the sparse solves read from an LU factorization's steps: each
// step by its pivot row and by its position, U's entries by position and
// L's by row. The exact factor and its double image build them the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mivex::lp {

// Where a step's pivot lies and where its multipliers (in L) and the rest of
// its pivot row (in U) are stored.
struct StepShape {
  std::uint32_t row;  // pivot row
  std::uint32_t col;  // pivot position
  int unit;           // +1 or -1 when the pivot is that, else 0 (a division is needed)
  std::size_t l_begin, l_end;
  std::size_t u_begin, u_end;
};

// Both eliminations keep each position's active rows as an unordered list:
// `value` out of `list`, the last entry moved into its place.
inline void erase_value(std::vector<std::uint32_t>& list, std::uint32_t value) {
  for (std::uint32_t& v : list) {
    if (v == value) {
      v = list.back();
      list.pop_back();
      return;
    }
  }
}

struct LuIndex {
  struct UColumnEntry {
    std::uint32_t row;    // the step's pivot row
    std::uint32_t index;  // in U
  };
  struct LRowEntry {
    std::uint32_t index;  // in L
    std::uint32_t step;
  };
  std::vector<std::uint32_t> step_of_row, step_of_position;
  std::vector<std::uint32_t> u_col_start;  // u_by_col's range of each position
  std::vector<UColumnEntry> u_by_col;
  std::vector<std::uint32_t> l_row_start;  // l_by_row's range of each row
  std::vector<LRowEntry> l_by_row;

  // `steps` in order; l_index(t) and u_index(t) give the row of L's entry t
  // and the position of U's entry t. Within a position or a row, entries
  // come by ascending step.
  template <class Steps, class LIndex, class UIndex>
  void build(std::size_t m, const Steps& steps, std::size_t l_size, LIndex&& l_index, std::size_t u_size,
             UIndex&& u_index) {
    step_of_row.assign(m, 0);
    step_of_position.assign(m, 0);
    for (std::size_t k = 0; k < steps.size(); ++k) {
      step_of_row[steps[k].row] = static_cast<std::uint32_t>(k);
      step_of_position[steps[k].col] = static_cast<std::uint32_t>(k);
    }
    u_col_start.assign(m + 1, 0);
    for (std::size_t t = 0; t < u_size; ++t) ++u_col_start[u_index(t) + 1];
    for (std::size_t p = 0; p < m; ++p) u_col_start[p + 1] += u_col_start[p];
    u_by_col.resize(u_size);
    std::vector<std::uint32_t> next(u_col_start.begin(), u_col_start.end() - 1);
    for (const auto& s : steps) {
      for (std::size_t t = s.u_begin; t < s.u_end; ++t) u_by_col[next[u_index(t)]++] = {s.row, static_cast<std::uint32_t>(t)};
    }
    l_row_start.assign(m + 1, 0);
    for (std::size_t t = 0; t < l_size; ++t) ++l_row_start[l_index(t) + 1];
    for (std::size_t r = 0; r < m; ++r) l_row_start[r + 1] += l_row_start[r];
    l_by_row.resize(l_size);
    next.assign(l_row_start.begin(), l_row_start.end() - 1);
    for (std::size_t k = 0; k < steps.size(); ++k) {
      const auto& s = steps[k];
      for (std::size_t t = s.l_begin; t < s.l_end; ++t) {
        l_by_row[next[l_index(t)]++] = {static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(k)};
      }
    }
  }
};

}  // namespace mivex::lp
