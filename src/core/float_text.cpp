#include "core/float_text.hpp"

#include <charconv>
#include <cmath>

namespace mivex {

std::string float_text(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  // Fixed notation of the largest doubles needs about 310 characters.
  char buffer[400];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (ec != std::errc()) return "NaN";  // unreachable: the buffer always suffices
  return std::string(buffer, end);
}

}  // namespace mivex
