// A linear or mixed-integer program as its files state it: named columns
// with bounds, named rows with a range, a sparse matrix, and exact numbers
// throughout. The solvers below lower it to the non-negative form the LP
// layer works on; answers are mapped back to these names.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "linear/rational.hpp"

namespace mivex::exact {

using linear::Rational;

// An absent bound is infinite.
struct Column {
  std::string name;
  std::optional<Rational> lower = Rational(0);
  std::optional<Rational> upper;
  bool integer = false;
  Rational cost;
};

// lower <= a x <= upper; both absent only for a row nothing constrains.
struct Row {
  std::string name;
  std::optional<Rational> lower;
  std::optional<Rational> upper;
};

struct MatrixEntry {
  std::size_t row;
  std::size_t column;
  Rational value;
};

struct Model {
  std::string name;
  bool maximize = false;
  Rational objective_constant;
  std::vector<Column> columns;
  std::vector<Row> rows;
  std::vector<MatrixEntry> entries;  // at most one per (row, column)

  bool has_integers() const {
    for (const Column& c : columns) {
      if (c.integer) return true;
    }
    return false;
  }
};

}  // namespace mivex::exact
