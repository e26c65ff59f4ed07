// Read-only access to volumes, physical disks and byte ranges of image files.
//
// A Handle stands for one opened byte range (a whole device, or a partition inside a disk image).
// Reads are bounded to that range; a short read is a failure. Nothing here writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

// Opens the byte range [offset, offset + length) of path read-only. length 0 means "to the end".
// Returns kInvalidHandle and sets *error (an errno value) on failure.
Handle OpenRange(const std::string& path, std::uint64_t offset, std::uint64_t length,
                 int* error = nullptr);

// Opens the volume that the drive map assigns to the letter ('A'..'Z').
Handle OpenVolume(char letter, int* error = nullptr);

// Opens physical disk number n as the disk list numbers them: the drive map's disks, then the
// attached loop devices.
Handle OpenPhysicalDisk(int number, int* error = nullptr);

// Reads exactly len bytes at offset within the handle's range. False on any failure, a range
// overrun or a short read (or a fault planned by a test, platform/fault_plan.h).
bool ReadAt(Handle h, std::uint64_t offset, void* buffer, std::size_t len);

// Byte length of the handle's range, 0 for an invalid handle.
std::uint64_t HandleLength(Handle h);

bool IsValidHandle(Handle h);
void CloseHandle(Handle h);

// Number of handles currently open (tests check that nothing leaks).
std::size_t OpenHandleCount();

// Length of a file or block device in bytes; 0 when it cannot be known.
std::uint64_t PathLength(const std::string& path);

}  // namespace platform
