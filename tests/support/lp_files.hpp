// LP text and the corpus, for the C++ tests and the bench tools.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "linear/system.hpp"
#include "parser/lp_format.hpp"

namespace mivex::support {

// The system in `text`; throws std::runtime_error with the reader's message.
linear::LinearSystem parse_lp(const std::string& text);
// The reader's answer for a file (a system or a message; a file that
// cannot be opened gives a message too).
parser::LpParse read_lp_file(const std::filesystem::path& path);
// The corpus folder of a family ("lp", "milp", ...): $MIVEX_CORPUS/<family>
// when set, else ../shared/corpus/<family> beside the project.
std::filesystem::path corpus_dir(const std::string& family);
// The corpus model `name` (the file without ".lp") of `family`, read; none
// when the file is not there. Stops the test when the reader refuses it.
std::optional<linear::LinearSystem> corpus_model(const std::string& family, const std::string& name);

// "min x0" and m rows over x0..x(n-1): each variable in a row with chance
// 1/3 (a row never empty), each sense <=, >= or = at random. term(rng,
// first) gives a coefficient with its joining sign (" + 3", or "-0.5" for
// a row's first term; empty to leave the variable out), rhs(rng) a
// right-hand side.
template <class Rng, class Term, class Rhs>
std::string sparse_program(Rng& rng, std::size_t m, std::size_t n, Term&& term, Rhs&& rhs) {
  std::string text = "min x0";
  for (std::size_t i = 0; i < m; ++i) {
    text += "\n";
    bool any = false;
    for (std::size_t j = 0; j < n; ++j) {
      if (rng() % 3 != 0) continue;
      const std::string t = term(rng, !any);
      if (t.empty()) continue;
      text += t + "*x" + std::to_string(j);
      any = true;
    }
    if (!any) text += "1*x" + std::to_string(i % n);
    const char* sense[] = {" <= ", " >= ", " = "};
    text += sense[rng() % 3] + rhs(rng);
  }
  return text;
}

}  // namespace mivex::support
