// Saving one found NTFS file out of the raw volume into the save folder.
#pragma once

#include <cstdint>
#include <string>

#include "corvane/ntfs_records.h"
#include "corvane/ntfs_volume.h"
#include "corvane/save_control.h"

// Full path of the file being written; set by SaveNtfsFile, opened by CopyAttributeToFile.
extern std::u16string g_strNtfsSavePath;

// NTSTATUS of a compressed unit that does not decode.
inline constexpr std::uint32_t kStatusBadCompressionBuffer = 0xC0000242;

// Saves record `recordNumber` as folder/name: 1 saved, 0 failed. `found` is the entry the
// search made of the record (looked up in g_pNtfsEntries when null); a record whose name or
// parent no longer match it has been reused and is refused. fileAttributes are the entry's
// $STANDARD_INFORMATION flags. control (may be null) is passed to the copy.
int SaveNtfsFile(NTFSVOLUMERECORD* state, std::uint32_t recordNumber, std::u16string name,
                 std::u16string folder, std::uint32_t fileAttributes,
                 const NTFSFILEENTRY* found = nullptr, SaveControl* control = nullptr);

// Writes the first dataSize bytes of a non-resident attribute of `length` bytes to
// g_strNtfsSavePath (replacing it): sparse runs as zeros, bytes past the initialized size as
// zeros, compressed units decoded. A size beyond what the runs map is damage: only the mapped
// bytes are written and the result is 0 with a note. The state's cancel flag (left as it is
// found: a pending stop stays pending) or the control's hook, asked after every run or
// compression unit, stop the copy with 0; a stopped or failed copy leaves no file.
int CopyAttributeToFile(NTFSVOLUMERECORD* state, const std::uint8_t* attribute,
                        std::uint32_t length, std::uint64_t dataSize,
                        SaveControl* control = nullptr);

// EFS decryption needs the user's keys in a store that only Windows has: always 0, with the
// message of the missing routine.
int DecryptEfsFile(const std::u16string& path);

// Shows the box for a decompression status.
void FormatNtStatusText(std::uint32_t status);
std::u16string NtStatusName(std::uint32_t status);
