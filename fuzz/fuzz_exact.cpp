// libFuzzer target for mivex_exact's whole path: the MPS reader, then the
// exact solve (CLP proposes, exact arithmetic proves) under a node limit
// and a step budget. Models reach CLP with their numbers as written, so
// this is where a model CLP mishandles would show.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>
#include <variant>

#include "core/cancel.hpp"
#include "core/error.hpp"
#include "exact/mps_reader.hpp"
#include "exact/solve_model.hpp"

extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

constexpr std::size_t kMaxInput = 512;
constexpr int kMaxPolls = 256;

bool over_budget(void* polls) { return ++*static_cast<int*>(polls) > kMaxPolls; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return -1;
  auto read = mivex::exact::read_mps(std::string_view(reinterpret_cast<const char*>(data), size));
  const auto* model = std::get_if<mivex::exact::Model>(&read);
  if (model == nullptr) return 0;
  int polls = 0;
  mivex::Cancel budget(&over_budget, &polls);
  mivex::exact::Limits limits;
  limits.nodes = 20;
  try {
    (void)mivex::exact::solve_model(*model, limits, budget);
  } catch (const mivex::Interrupted&) {
  } catch (const mivex::MemoryRefusal&) {
  } catch (const std::bad_alloc&) {
  } catch (const mivex::Stop& stop) {
    std::fprintf(stderr, "internal stop: %s\n", stop.what());
    std::abort();
  }
  return 0;
}
