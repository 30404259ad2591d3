// Reader of the LP text format: objective ("min "/"max "), constraints
// (expr <= | >= | = number), "int name" marks, comments ("#" or "c" first),
// and "end". Variables are created on first mention and referred to by their
// canonical names x0, x1, ...
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "linear/system.hpp"

namespace mivex::parser {

// The system, or the message of the first error.
using LpParse = std::variant<linear::LinearSystem, std::string>;
using ExprParse = std::variant<linear::LinearExpr, std::string>;

class LpFormatParser {
 public:
  static LpParse parse(std::string_view text);
};

// One linear expression; creates in `system` the variables it names.
ExprParse parse_expr(std::string_view text, linear::LinearSystem& system);

// The variable whose canonical name is `name` (trimmed), or a new one.
std::uint64_t get_var(std::string_view name, linear::LinearSystem& system);

}  // namespace mivex::parser
