// A model lowered to the form the LP layer solves: every variable >= 0,
// rows "expr op 0". A column with a finite lower bound l becomes l + v,
// one with only an upper bound u becomes u - v, a free one v+ - v-; an
// upper bound next to a lower one is a row v <= u - l. A ranged row gives
// a >= row and a <= row (one = row when both ends agree).
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "exact/model.hpp"
#include "linear/system.hpp"

namespace mivex::exact {

// Column bounds, apart from the model's (branch and bound narrows them).
struct Box {
  std::vector<std::optional<Rational>> lower;
  std::vector<std::optional<Rational>> upper;
};
Box box_of(const Model& model);

// x_j = shift + sign * v[var] (- v[minus] for a free column).
struct ColumnMap {
  Rational shift;
  int sign = 1;
  std::size_t var = 0;
  std::optional<std::size_t> minus;
};

struct Lowered {
  linear::LinearSystem system;
  std::vector<ColumnMap> columns;
  // Per lowered row: the model's row it comes from, or nothing for a bound row.
  std::vector<std::optional<std::size_t>> origin;
};

// Nothing when a column's box is empty (lower above upper).
std::optional<Lowered> lower_model(const Model& model, const Box& box);

// Model-space values of the columns from lowered variable values.
std::vector<Rational> column_values(const Lowered& lowered, const std::vector<Rational>& v);
// The same for a direction (shifts left out).
std::vector<Rational> column_direction(const Lowered& lowered, const std::vector<Rational>& v);
// Row multipliers by model row: each lowered row's added to its origin's.
std::vector<Rational> row_multipliers(const Lowered& lowered, std::size_t rows, const std::vector<Rational>& y);

}  // namespace mivex::exact
