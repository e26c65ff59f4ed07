// Size and free space of a drive's volume, known only while the volume is mounted.
#pragma once

#include <cstdint>

namespace platform {

// Total and free bytes of the file system mounted from the drive's source (statvfs of its mount
// point). False when the drive is unknown or its volume is not mounted.
bool VolumeSpace(char letter, std::uint64_t* total, std::uint64_t* free);

}  // namespace platform
