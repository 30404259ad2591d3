#include "parser/cp_format.hpp"

#include <unordered_map>
#include <vector>

#include "parser/decimal.hpp"
#include "parser/text_lines.hpp"

namespace mivex::parser {

using cp::CpConstraint;
using cp::CpProblem;

std::optional<std::int64_t> parse_cp_integer(std::string_view token) {
  const bool negative = take_sign(token);
  // A negative value may reach 2^63.
  const std::uint64_t limit = negative ? (std::uint64_t{1} << 63) : (std::uint64_t{1} << 63) - 1;
  const auto magnitude = read_digits(token, limit);
  if (!magnitude) return std::nullopt;
  if (!negative) return static_cast<std::int64_t>(*magnitude);
  return static_cast<std::int64_t>(~*magnitude + 1);  // two's complement, also for 2^63
}

namespace {

using Tokens = std::vector<std::string_view>;

std::string line_message(std::size_t line, std::string_view text) {
  return "line " + std::to_string(line) + ": " + std::string(text);
}

class CpReader {
 public:
  // Handles one non-comment line; returns the error message, if any.
  std::optional<std::string> line(std::size_t number, const Tokens& tokens) {
    line_ = number;
    std::string_view keyword = tokens[0];
    if (keyword == "var") return var(tokens);
    if (keyword == "eq") return pair<CpConstraint::Eq>(tokens, "eq needs 2 vars");
    if (keyword == "neq") return pair<CpConstraint::Neq>(tokens, "neq needs 2 vars");
    if (keyword == "lt") return pair<CpConstraint::Lt>(tokens, "lt needs 2 vars");
    if (keyword == "le") return le(tokens);
    if (keyword == "linear") return linear(tokens);
    if (keyword == "alldifferent" || keyword == "allDiff") return all_different(tokens);
    return line_message(line_, "unknown keyword '" + std::string(keyword) + "'");
  }

  CpProblem take() { return std::move(problem_); }

 private:
  // Resolves a variable name to its latest declaration.
  std::optional<std::string> get_var(std::string_view token, std::size_t& index) const {
    auto found = var_index_.find(std::string(token));
    if (found == var_index_.end()) {
      return line_message(line_, "unknown variable '" + std::string(token) + "'");
    }
    index = found->second;
    return std::nullopt;
  }

  std::optional<std::string> var(const Tokens& tokens) {
    if (tokens.size() < 4) return line_message(line_, "var needs name, min, max");
    auto min = parse_cp_integer(tokens[2]);
    if (!min) return line_message(line_, "bad min");
    auto max = parse_cp_integer(tokens[3]);
    if (!max) return line_message(line_, "bad max");
    std::string name(tokens[1]);
    var_index_[name] = problem_.vars.size();
    problem_.vars.push_back({std::move(name), *min, *max});
    return std::nullopt;
  }

  template <class Kind>
  std::optional<std::string> pair(const Tokens& tokens, const char* too_short) {
    if (tokens.size() < 3) return std::string(too_short);
    Kind constraint{};
    if (auto error = get_var(tokens[1], constraint.x)) return error;
    if (auto error = get_var(tokens[2], constraint.y)) return error;
    problem_.constraints.push_back({constraint});
    return std::nullopt;
  }

  std::optional<std::string> le(const Tokens& tokens) {
    if (tokens.size() < 4) return std::string("le needs 2 vars + c");
    CpConstraint::Le constraint{};
    if (auto error = get_var(tokens[1], constraint.x)) return error;
    if (auto error = get_var(tokens[2], constraint.y)) return error;
    auto c = parse_cp_integer(tokens[3]);
    if (!c) return std::string("bad c");
    constraint.c = *c;
    problem_.constraints.push_back({constraint});
    return std::nullopt;
  }

  // Pairs at (1, 2), (3, 4), ... while the pair's second position is below
  // n - 2; the first position left over is the right-hand side, the next one
  // the relation, and anything after that is ignored.
  std::optional<std::string> linear(const Tokens& tokens) {
    const std::size_t n = tokens.size();
    if (n < 5) return std::string("linear: need at least coeff var rhs rel");
    CpConstraint::Linear constraint{};
    std::size_t i = 1;
    for (; i + 1 < n - 2; i += 2) {
      auto coeff = parse_cp_integer(tokens[i]);
      if (!coeff) return std::string("bad coeff");
      std::size_t var = 0;
      if (auto error = get_var(tokens[i + 1], var)) return error;
      constraint.terms.push_back({*coeff, var});
    }
    auto rhs = parse_cp_integer(tokens[i]);
    if (!rhs) return std::string("bad rhs");
    constraint.rhs = *rhs;
    std::string_view rel = tokens[i + 1];
    if (rel == "le") {
      constraint.rel = CpConstraint::Rel::Le;
    } else if (rel == "eq") {
      constraint.rel = CpConstraint::Rel::Eq;
    } else if (rel == "ge") {
      constraint.rel = CpConstraint::Rel::Ge;
    } else {
      return std::string("linear: expected le/eq/ge");
    }
    problem_.constraints.push_back({std::move(constraint)});
    return std::nullopt;
  }

  std::optional<std::string> all_different(const Tokens& tokens) {
    if (tokens.size() < 3) return std::string("allDiff needs \u2265 2 vars");
    CpConstraint::AllDifferent constraint;
    constraint.vars.reserve(tokens.size() - 1);
    for (std::size_t i = 1; i < tokens.size(); ++i) {
      std::size_t var = 0;
      if (auto error = get_var(tokens[i], var)) return error;
      constraint.vars.push_back(var);
    }
    problem_.constraints.push_back({std::move(constraint)});
    return std::nullopt;
  }

  CpProblem problem_;
  std::unordered_map<std::string, std::size_t> var_index_;
  std::size_t line_ = 0;
};

bool is_comment(std::string_view line) {
  return line.empty() || line.starts_with("#") || line.starts_with("//");
}

}  // namespace

std::variant<CpProblem, std::string> parse_cp(std::string_view text) {
  CpReader reader;
  LineReader lines(text);
  std::string_view raw;
  while (lines.next(raw)) {
    std::string_view line = trim(raw);
    if (is_comment(line)) continue;
    if (auto error = reader.line(lines.number(), split_whitespace(line))) return *error;
  }
  return reader.take();
}

}  // namespace mivex::parser
