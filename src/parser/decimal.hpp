// Decimal integer tokens as the readers accept them: ASCII digits only, an
// optional sign handled by the caller, no overflow past the caller's limit.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace mivex::parser {

// The value of a non-empty run of ASCII digits, or nothing when `digits` is
// empty, holds another character, or exceeds `limit`.
inline std::optional<std::uint64_t> read_digits(std::string_view digits, std::uint64_t limit) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char ch : digits) {
    if (ch < '0' || ch > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(ch - '0');
    if (digit > limit || value > (limit - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

// A leading '-' or '+' removed from `token`; true when it was '-'.
inline bool take_sign(std::string_view& token) {
  if (token.empty() || (token.front() != '+' && token.front() != '-')) return false;
  const bool negative = token.front() == '-';
  token.remove_prefix(1);
  return negative;
}

}  // namespace mivex::parser
