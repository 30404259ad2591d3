// What a solve path hands the module boundary: either the reader's message
// for malformed text, or the solver's result.
#pragma once

#include <string>
#include <variant>

namespace mivex {

struct ReaderMessage {
  std::string text;
};

template <class Result>
using Outcome = std::variant<ReaderMessage, Result>;

}  // namespace mivex
