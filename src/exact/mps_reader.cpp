#include "exact/mps_reader.hpp"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

#include "exact/exact_number.hpp"
#include "parser/text_lines.hpp"

namespace mivex::exact {

namespace {

enum class Section : unsigned char { None, Name, ObjSense, Rows, Columns, Rhs, Ranges, Bounds, Skip, End };

// The tokens of a data line in the fixed layout: fields at columns 2-3,
// 5-12, 15-22, 25-36, 40-47, 50-61 (numbers may run into the gap after).
std::vector<std::string_view> fixed_fields(std::string_view line) {
  static constexpr std::size_t kStart[] = {1, 4, 14, 24, 39, 49};
  static constexpr std::size_t kEnd[] = {3, 14, 24, 39, 49, std::string_view::npos};
  std::vector<std::string_view> fields;
  for (std::size_t f = 0; f < 6 && kStart[f] < line.size(); ++f) {
    std::string_view field = parser::trim(line.substr(kStart[f], kEnd[f] - kStart[f]));
    if (!field.empty()) fields.push_back(field);
  }
  return fields;
}

std::string lowercase(std::string_view s) {
  std::string out(s);
  for (char& ch : out) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  return out;
}

class MpsReader {
 public:
  explicit MpsReader(MpsLayout layout) : fixed_(layout == MpsLayout::Fixed) {}
  MpsRead read(std::string_view text);

 private:
  // Each returns an error message, empty when the line was fine.
  std::string header(std::string_view line);
  std::string data(std::string_view line);
  std::string row_line(const std::vector<std::string_view>& t);
  std::string column_line(const std::vector<std::string_view>& t);
  std::string rhs_line(const std::vector<std::string_view>& t, bool ranges);
  std::string bound_line(const std::vector<std::string_view>& t);
  std::string objsense_word(std::string_view word);
  void finish();

  // A value or an error message in `error`.
  std::optional<Rational> number(std::string_view token, std::string& error) const;
  // The same, with huge magnitudes and "inf" as infinity (nullopt in `value`).
  bool bound_number(std::string_view token, std::optional<Rational>& value, std::string& error) const;

  bool fixed_;
  Section section_ = Section::None;
  Model model_;
  bool has_objective_ = false;
  std::string objective_;
  std::unordered_map<std::string, std::size_t> row_index_;
  std::unordered_map<std::string, std::size_t> column_index_;
  std::vector<char> row_type_;
  std::vector<Rational> rhs_;
  std::vector<std::optional<Rational>> range_;
  std::vector<char> lower_given_;
  bool integer_block_ = false;
};

std::optional<Rational> MpsReader::number(std::string_view token, std::string& error) const {
  auto value = parse_number(token);
  if (!value) error = "'" + std::string(token) + "' is not a number";
  return value;
}

bool MpsReader::bound_number(std::string_view token, std::optional<Rational>& value, std::string& error) const {
  const std::string word = lowercase(token);
  const std::string_view unsigned_word = word.front() == '-' || word.front() == '+' ? std::string_view(word).substr(1)
                                                                                    : std::string_view(word);
  if (unsigned_word == "inf" || unsigned_word == "infinity") {
    value.reset();
    return true;
  }
  auto v = number(token, error);
  if (!v) return false;
  static const Rational kHuge = *parse_decimal("1e30");
  if (*v >= kHuge || *v <= -kHuge) {
    value.reset();
  } else {
    value = std::move(v);
  }
  return true;
}

std::string MpsReader::header(std::string_view line) {
  std::vector<std::string_view> t = parser::split_whitespace(line);
  const std::string_view word = t.front();
  if (word == "NAME") {
    section_ = Section::Name;
    if (t.size() > 1) model_.name = std::string(t[1]);
  } else if (word == "OBJSENSE") {
    section_ = Section::ObjSense;
    if (t.size() > 1) return objsense_word(t[1]);
  } else if (word == "OBJSENS") {
    section_ = Section::ObjSense;
  } else if (word == "ROWS") {
    section_ = Section::Rows;
  } else if (word == "COLUMNS") {
    section_ = Section::Columns;
  } else if (word == "RHS") {
    section_ = Section::Rhs;
  } else if (word == "RANGES") {
    section_ = Section::Ranges;
  } else if (word == "BOUNDS") {
    section_ = Section::Bounds;
  } else if (word == "OBJNAME") {
    section_ = Section::Skip;
  } else if (word == "ENDATA") {
    section_ = Section::End;
  } else {
    return "unknown section '" + std::string(word) + "'";
  }
  return {};
}

std::string MpsReader::objsense_word(std::string_view word) {
  if (word == "MAX" || word == "MAXIMIZE") {
    model_.maximize = true;
  } else if (word == "MIN" || word == "MINIMIZE") {
    model_.maximize = false;
  } else {
    return "unknown objective sense '" + std::string(word) + "'";
  }
  return {};
}

std::string MpsReader::row_line(const std::vector<std::string_view>& t) {
  if (t.size() != 2) return "a ROWS line is a type and a name";
  const std::string_view type = t[0];
  const std::string name(t[1]);
  if (type.size() != 1 || std::string_view("NELG").find(type[0]) == std::string_view::npos) {
    return "unknown row type '" + std::string(type) + "'";
  }
  if (row_index_.count(name) || (has_objective_ && name == objective_)) return "row '" + name + "' is declared twice";
  if (type[0] == 'N') {
    if (!has_objective_) {
      has_objective_ = true;
      objective_ = name;
    } else {
      row_index_.emplace(name, SIZE_MAX);  // a free row: its entries are dropped
    }
    return {};
  }
  row_index_.emplace(name, model_.rows.size());
  model_.rows.push_back(Row{name, {}, {}});
  row_type_.push_back(type[0]);
  rhs_.emplace_back();
  range_.emplace_back();
  return {};
}

std::string MpsReader::column_line(const std::vector<std::string_view>& t) {
  if (t.size() == 3 && (t[1] == "'MARKER'" || t[1] == "MARKER")) {
    if (t[2] == "'INTORG'" || t[2] == "INTORG") {
      integer_block_ = true;
    } else if (t[2] == "'INTEND'" || t[2] == "INTEND") {
      integer_block_ = false;
    } else {
      return "unknown marker '" + std::string(t[2]) + "'";
    }
    return {};
  }
  if (t.size() != 3 && t.size() != 5) return "a COLUMNS line is a column and one or two (row, value) pairs";
  const std::string name(t[0]);
  auto [it, added] = column_index_.emplace(name, model_.columns.size());
  if (added) {
    Column column;
    column.name = name;
    model_.columns.push_back(std::move(column));
    lower_given_.push_back(0);
  }
  const std::size_t j = it->second;
  if (integer_block_) model_.columns[j].integer = true;
  for (std::size_t k = 1; k + 1 < t.size(); k += 2) {
    std::string error;
    auto value = number(t[k + 1], error);
    if (!value) return error;
    const std::string row(t[k]);
    if (has_objective_ && row == objective_) {
      model_.columns[j].cost = model_.columns[j].cost + *value;
      continue;
    }
    auto r = row_index_.find(row);
    if (r == row_index_.end()) return "unknown row '" + row + "'";
    if (r->second != SIZE_MAX) model_.entries.push_back(MatrixEntry{r->second, j, std::move(*value)});
  }
  return {};
}

std::string MpsReader::rhs_line(const std::vector<std::string_view>& t, bool ranges) {
  const char* what = ranges ? "a RANGES line" : "an RHS line";
  if (t.size() < 2 || t.size() > 5) return std::string(what) + " is an optional set name and one or two (row, value) pairs";
  for (std::size_t k = t.size() % 2; k + 1 < t.size(); k += 2) {
    std::string error;
    auto value = number(t[k + 1], error);
    if (!value) return error;
    const std::string row(t[k]);
    if (has_objective_ && row == objective_) {
      // The objective's right-hand side is minus its constant; a range on it means nothing.
      if (!ranges) model_.objective_constant = -*value;
      continue;
    }
    auto r = row_index_.find(row);
    if (r == row_index_.end()) return "unknown row '" + row + "'";
    if (r->second == SIZE_MAX) continue;
    if (ranges) {
      range_[r->second] = std::move(value);
    } else {
      rhs_[r->second] = std::move(*value);
    }
  }
  return {};
}

std::string MpsReader::bound_line(const std::vector<std::string_view>& t) {
  if (t.empty()) return "empty BOUNDS line";
  const std::string type(t[0]);
  static const std::string kValued[] = {"UP", "LO", "FX", "LI", "UI"};
  static const std::string kBare[] = {"FR", "MI", "PL", "BV"};
  const bool valued = std::find(std::begin(kValued), std::end(kValued), type) != std::end(kValued);
  const bool bare = std::find(std::begin(kBare), std::end(kBare), type) != std::end(kBare);
  if (!valued && !bare) return "unknown bound type '" + type + "'";
  // valued: [set] column value; bare: [set] column [value, ignored unless BV]
  std::size_t col_at = 0;
  if (valued) {
    if (t.size() != 3 && t.size() != 4) return "a " + type + " bound is an optional set name, a column and a value";
    col_at = t.size() - 2;
  } else {
    if (t.size() < 2 || t.size() > 4) return "a " + type + " bound is an optional set name and a column";
    col_at = t.size() == 4 ? 2 : t.size() - 1;
  }
  auto c = column_index_.find(std::string(t[col_at]));
  if (c == column_index_.end()) return "unknown column '" + std::string(t[col_at]) + "'";
  Column& column = model_.columns[c->second];
  std::optional<Rational> value;
  if (valued) {
    std::string error;
    if (!bound_number(t[col_at + 1], value, error)) return error;
  }
  if (type == "UP" || type == "UI") {
    // An old convention: a negative upper bound with the lower bound left
    // at its default makes the column unbounded below.
    if (value && value->is_negative() && !lower_given_[c->second]) column.lower.reset();
    column.upper = value;
    if (type == "UI") column.integer = true;
  } else if (type == "LO" || type == "LI") {
    column.lower = value;
    lower_given_[c->second] = 1;
    if (type == "LI") column.integer = true;
  } else if (type == "FX") {
    if (!value) return "a fixed bound must be finite";
    column.lower = value;
    column.upper = value;
    lower_given_[c->second] = 1;
  } else if (type == "FR") {
    column.lower.reset();
    column.upper.reset();
    lower_given_[c->second] = 1;
  } else if (type == "MI") {
    column.lower.reset();
    lower_given_[c->second] = 1;
  } else if (type == "PL") {
    column.upper.reset();
  } else {  // BV
    column.integer = true;
    column.lower = Rational(0);
    column.upper = Rational(1);
    lower_given_[c->second] = 1;
  }
  return {};
}

std::string MpsReader::data(std::string_view line) {
  std::vector<std::string_view> t = fixed_ ? fixed_fields(line) : parser::split_whitespace(line);
  // A fixed-layout line may hold characters only between its fields.
  if (t.empty()) return "no field in the columns of the fixed layout";
  switch (section_) {
    case Section::None: return "data before the first section";
    case Section::Name:
      if (model_.name.empty()) model_.name = std::string(t.front());
      return {};
    case Section::ObjSense: return objsense_word(t.front());
    case Section::Rows: return row_line(t);
    case Section::Columns: return column_line(t);
    case Section::Rhs: return rhs_line(t, false);
    case Section::Ranges: return rhs_line(t, true);
    case Section::Bounds: return bound_line(t);
    case Section::Skip: return {};
    case Section::End: return "data after ENDATA";
  }
  return {};
}

// Row ranges from type, right-hand side and range: E rows are widened to
// the side the range's sign says, L and G rows by its magnitude.
void MpsReader::finish() {
  for (std::size_t i = 0; i < model_.rows.size(); ++i) {
    Row& row = model_.rows[i];
    const Rational& b = rhs_[i];
    const char type = row_type_[i];
    if (type == 'E' || type == 'G') row.lower = b;
    if (type == 'E' || type == 'L') row.upper = b;
    if (!range_[i]) continue;
    const Rational& r = *range_[i];
    const Rational size = r.is_negative() ? -r : r;
    if (type == 'L') row.lower = b - size;
    if (type == 'G') row.upper = b + size;
    if (type == 'E' && r.is_positive()) row.upper = b + size;
    if (type == 'E' && r.is_negative()) row.lower = b - size;
  }
  // One entry per (row, column), zeros dropped.
  auto& e = model_.entries;
  std::stable_sort(e.begin(), e.end(), [](const MatrixEntry& a, const MatrixEntry& b) {
    return a.column != b.column ? a.column < b.column : a.row < b.row;
  });
  std::vector<MatrixEntry> merged;
  for (MatrixEntry& entry : e) {
    if (!merged.empty() && merged.back().row == entry.row && merged.back().column == entry.column) {
      merged.back().value = merged.back().value + entry.value;
    } else {
      merged.push_back(std::move(entry));
    }
  }
  std::erase_if(merged, [](const MatrixEntry& m) { return m.value.is_zero(); });
  e = std::move(merged);
}

MpsRead MpsReader::read(std::string_view text) {
  parser::LineReader lines(text);
  std::string_view line;
  while (lines.next(line)) {
    std::string_view trimmed = parser::trim(line);
    if (trimmed.empty() || trimmed.front() == '*') continue;
    const bool is_header = line.front() != ' ' && line.front() != '\t';
    std::string error = is_header ? header(line) : data(line);
    if (!error.empty()) return "line " + std::to_string(lines.number()) + ": " + error;
    if (section_ == Section::End) break;
  }
  if (section_ != Section::End) return "line " + std::to_string(lines.number()) + ": the file ends without ENDATA";
  finish();
  return std::move(model_);
}

}  // namespace

MpsRead read_mps(std::string_view text, MpsLayout layout) {
  MpsRead first = MpsReader(layout).read(text);
  if (layout != MpsLayout::Auto || std::holds_alternative<Model>(first)) return first;
  MpsRead fixed = MpsReader(MpsLayout::Fixed).read(text);
  return std::holds_alternative<Model>(fixed) ? std::move(fixed) : std::move(first);
}

}  // namespace mivex::exact
