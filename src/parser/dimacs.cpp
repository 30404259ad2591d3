#include "parser/dimacs.hpp"

#include <optional>

#include "parser/decimal.hpp"
#include "parser/text_lines.hpp"

namespace mivex::parser {

void DimacsProblem::push_literal(std::int32_t lit) {
  literals_.push_back(lit);
  std::uint32_t magnitude = lit < 0 ? 0u - static_cast<std::uint32_t>(lit) : static_cast<std::uint32_t>(lit);
  if (magnitude > max_magnitude_) max_magnitude_ = magnitude;
}

std::vector<std::span<const std::int32_t>> DimacsProblem::clauses() const {
  std::vector<std::span<const std::int32_t>> all;
  all.reserve(clause_count());
  for (std::size_t i = 0; i < clause_count(); ++i) all.push_back(clause(i));
  return all;
}

namespace {

// "+"? digit+ within 0 .. 2^64 - 1.
std::optional<std::uint64_t> read_count(std::string_view token) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  return read_digits(token, UINT64_MAX);
}

// ("+" | "-")? digit+ within -2^31 .. 2^31 - 1.
std::optional<std::int32_t> read_literal(std::string_view token) {
  const bool negative = take_sign(token);
  const auto magnitude = read_digits(token, negative ? 2147483648u : 2147483647u);
  if (!magnitude) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(*magnitude)
                                            : static_cast<std::int64_t>(*magnitude));
}

std::string at_line(std::size_t line, std::string_view what) {
  return "line " + std::to_string(line) + ": " + std::string(what);
}

// Bytes of the White_Space character at `pos` (0 if none); ASCII inline.
inline std::size_t space_at(std::string_view text, std::size_t pos) {
  const unsigned char c = static_cast<unsigned char>(text[pos]);
  if (c < 0x80) return c == ' ' || (c >= 0x09 && c <= 0x0D) ? 1 : 0;
  return space_length_at(text, pos);
}

// Calls `visit(token)` for each run of non-space characters; stops early and
// returns false as soon as `visit` does.
template <class Visit>
bool for_each_token(std::string_view text, Visit visit) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t space = space_at(text, pos);
    if (space > 0) {
      pos += space;
      continue;
    }
    std::size_t start = pos++;
    while (pos < text.size() && space_at(text, pos) == 0) ++pos;
    if (!visit(text.substr(start, pos - start))) return false;
  }
  return true;
}

}  // namespace

DimacsParse parse_dimacs(std::string_view text) {
  DimacsProblem problem;
  bool header_seen = false;
  LineReader lines(text);
  std::string_view raw;
  while (lines.next(raw)) {
    std::string_view line = trim(raw);
    if (line.empty() || line.front() == 'c') continue;
    const std::size_t number = lines.number();

    if (line.front() == 'p') {
      std::vector<std::string_view> tokens = split_whitespace(line);
      if (tokens.size() < 4 || tokens[1] != "cnf") {
        return at_line(number, "invalid problem line, expected 'p cnf <vars> <clauses>'");
      }
      std::optional<std::uint64_t> vars = read_count(tokens[2]);
      if (!vars) return at_line(number, "invalid variable count");
      std::optional<std::uint64_t> clauses = read_count(tokens[3]);
      if (!clauses) return at_line(number, "invalid clause count");
      if (problem.clause_pending()) {
        return at_line(number, "clause before problem header not terminated");
      }
      problem.num_vars = *vars;
      problem.num_clauses = *clauses;
      header_seen = true;
      continue;
    }

    if (!header_seen) return at_line(number, "data before 'p cnf' header");
    std::string error;
    for_each_token(line, [&](std::string_view token) {
      std::optional<std::int32_t> lit = read_literal(token);
      if (!lit) {
        error = at_line(number, "invalid literal '" + std::string(token) + "'");
        return false;
      }
      if (*lit == 0) {
        problem.end_clause();
      } else {
        problem.push_literal(*lit);
      }
      return true;
    });
    if (!error.empty()) return error;
  }
  if (problem.clause_pending()) problem.end_clause();
  if (!header_seen) return std::string("missing 'p cnf' header");
  return problem;
}

}  // namespace mivex::parser
