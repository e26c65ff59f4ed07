// Disk verbs of engine_probe (engine_probe disks | partitions | extents [--drive X=PATH ...]):
// the facts and rows the picker's disk, partition and extents pages show, one tab-separated line each.
#pragma once

#include <ostream>

// number, path, bytes, sector size, cylinders, heads, sectors, maker, model, firmware, serial.
int ProbeDisks(std::ostream& out, std::ostream& err);
// disk, level, type ("0x%02X" or "GPT"), first sector, last sector, sector count, name.
int ProbePartitions(std::ostream& out, std::ostream& err);
// letter, ordinal, disk, byte offset, byte length.
int ProbeExtents(std::ostream& out, std::ostream& err);
