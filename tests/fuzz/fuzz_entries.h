// Fuzz entry points: one per parser of on-disk bytes. Each takes any byte buffer, runs the
// parser over it and checks what the parser promises about its result; a broken promise aborts.
// The mutation driver and the libFuzzer targets call the same functions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

using Entry = int (*)(const std::uint8_t* data, std::size_t size);

// A boot sector (512 bytes or more): the boot-sector parser as each family against volumes of
// several lengths, the engine's geometry from its layout, the packed copies, and the NTFS state's
// record-buffer sizing (no volume behind it).
int FuzzBootSector(const std::uint8_t* data, std::size_t size);
// Raw 32-byte FAT directory slots.
int FuzzFatDirectory(const std::uint8_t* data, std::size_t size);
// Raw 32-byte exFAT directory entries (entry sets).
int FuzzExfatEntrySet(const std::uint8_t* data, std::size_t size);
// One MFT record as on disk: fix-up, header, every attribute, its run list or value, the name.
int FuzzMftRecord(const std::uint8_t* data, std::size_t size);
// Start VCN (8 bytes), last VCN (8 bytes), then a run list.
int FuzzRunList(const std::uint8_t* data, std::size_t size);
// The value of an $ATTRIBUTE_LIST.
int FuzzAttributeList(const std::uint8_t* data, std::size_t size);
// Output capacity (16 bits), then an LZNT1 stream.
int FuzzLznt1(const std::uint8_t* data, std::size_t size);
// An in-memory disk: its length in bytes (64 bits), then records of a sector number (32 bits)
// and that sector's 512 bytes; sectors not given read as zeros.
int FuzzPartitionTable(const std::uint8_t* data, std::size_t size);
// A queue database file: header, then items.
int FuzzQueueDb(const std::uint8_t* data, std::size_t size);

// The installed-package reader: the longest line (32 bits, at most 64 KiB), the size of the pieces
// the file arrives in (8 bits), then a dpkg status text.
int FuzzDpkgStatus(const std::uint8_t* data, std::size_t size);
// The update check's version.ini.
int FuzzVersionIni(const std::uint8_t* data, std::size_t size);
// The tips file: the stored position (32 bits), then the file.
int FuzzTipsFile(const std::uint8_t* data, std::size_t size);
// The MBR repair's import of a sector image, as bytes and as a file.
int FuzzMbrImport(const std::uint8_t* data, std::size_t size);

// A copy of the LZNT1 decoder with its output bound removed, for the driver's self-test only.
int FuzzPlantedLznt1(const std::uint8_t* data, std::size_t size);

// Stops the process with a message when a parser broke a promise.
[[noreturn]] void Fail(const char* what);

}  // namespace fuzz

#define FUZZ_CHECK(cond)                                 \
  do {                                                   \
    if (!(cond)) ::fuzz::Fail(__FILE__ ": " #cond);      \
  } while (0)
