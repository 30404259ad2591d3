#include "sat/model_check.hpp"

#include "core/error.hpp"

namespace mivex::sat {

void check_model(ClauseSpans clauses, const Assignment& model) {
  const auto& entries = model.entries();
  for (std::size_t v = 0; v < entries.size(); ++v) {
    if (entries[v].first != v) stop("SAT model is not in variable order");
  }
  for (const auto clause : clauses) {
    bool satisfied = false;
    for (std::int32_t d : clause) {
      const std::uint64_t var =
          (d < 0 ? 0u - static_cast<std::uint32_t>(d) : static_cast<std::uint32_t>(d)) - std::uint64_t{1};
      if (var >= entries.size()) stop("SAT model is missing a variable");
      if (entries[var].second.as_bool() == (d > 0)) {
        satisfied = true;
        break;
      }
    }
    if (!satisfied) stop("SAT model violates an input clause");
  }
}

}  // namespace mivex::sat
