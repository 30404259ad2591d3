// libFuzzer target for one reader, chosen at compile time by
// MIVEX_FUZZ_READER (dimacs, lp_format, cp_format or mps). Readers never throw:
// they return a problem or a message, so any exception is a finding.
#include <cstdint>
#include <string_view>

#include "exact/mps_reader.hpp"
#include "parser/cp_format.hpp"
#include "parser/dimacs.hpp"
#include "parser/lp_format.hpp"

namespace {

void read(std::string_view text) {
#if MIVEX_FUZZ_READER_dimacs
  (void)mivex::parser::parse_dimacs(text);
#elif MIVEX_FUZZ_READER_lp_format
  (void)mivex::parser::LpFormatParser::parse(text);
#elif MIVEX_FUZZ_READER_cp_format
  (void)mivex::parser::parse_cp(text);
#elif MIVEX_FUZZ_READER_mps
  (void)mivex::exact::read_mps(text);
#else
#error "set MIVEX_FUZZ_READER_<reader>"
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  read(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
