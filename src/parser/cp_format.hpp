// Reader of CP text: one declaration or constraint per line, keyword first.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/cp_problem.hpp"

namespace mivex::parser {

// The problem, or the message of the first malformed line.
std::variant<cp::CpProblem, std::string> parse_cp(std::string_view text);

// An optional single sign, then ASCII digits only, within the signed 64-bit
// range ("-0" and leading zeros allowed).
std::optional<std::int64_t> parse_cp_integer(std::string_view token);

}  // namespace mivex::parser
