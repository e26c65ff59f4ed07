// What the mutation driver knows of each entry point: its seed inputs and where its fields lie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_entries.h"

namespace fuzz {

using Bytes = std::vector<std::uint8_t>;

// A little-endian field of 1, 2, 4 or 8 bytes at an offset of an input.
struct Field {
  std::size_t offset;
  unsigned width;
};

struct Target {
  const char* name;
  Entry entry;
  std::size_t maxSize;  // mutants are cut to this size
  // The fields of one input, found by walking its structure (headers, entries, records).
  std::vector<Field> (*fields)(const Bytes& input);
  // Hand-made inputs, then inputs cut from the fixture images in fixtureDir (when it holds any).
  std::vector<Bytes> (*seeds)(const std::string& fixtureDir);
  bool planted;  // the self-test's planted fault: run only when named
};

const std::vector<Target>& Targets();

// The queue database target's seeds and fields (fuzz_targets_queue.cpp).
std::vector<Bytes> QueueDbSeeds(const std::string& fixtureDir);
std::vector<Field> QueueDbFields(const Bytes& input);

// The dialogs' file readers' seeds and fields (fuzz_targets_dialogs.cpp).
std::vector<Bytes> DpkgStatusSeeds(const std::string& fixtureDir);
std::vector<Field> DpkgStatusFields(const Bytes& input);
std::vector<Bytes> VersionIniSeeds(const std::string& fixtureDir);
std::vector<Field> VersionIniFields(const Bytes& input);
std::vector<Bytes> TipsFileSeeds(const std::string& fixtureDir);
std::vector<Field> TipsFileFields(const Bytes& input);
std::vector<Bytes> MbrImportSeeds(const std::string& fixtureDir);
std::vector<Field> MbrImportFields(const Bytes& input);

// `length` bytes of a fixture file from `offset`; false when it holds fewer.
bool ReadAt(const std::string& path, std::uint64_t offset, std::size_t length, Bytes* out);

// A minimal LZNT1 encoder (greedy, compressed chunks only), for seeds.
Bytes Lznt1Compress(const Bytes& plain);

}  // namespace fuzz
