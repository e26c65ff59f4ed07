// One libFuzzer program per entry point; PELLAMOR_FUZZ_ENTRY names the entry.
#include "tests/fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return PELLAMOR_FUZZ_ENTRY(data, size);
}
