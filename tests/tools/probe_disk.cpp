#include "tests/tools/probe_disk.h"

#include "platform/disk_info.h"
#include "platform/message.h"

namespace {

std::string Text(const std::u16string& s) { return platform::ToUtf8(s); }

}  // namespace

int ProbeDisks(std::ostream& out, std::ostream&) {
  for (const platform::DiskFacts& d : platform::ListDisks()) {
    out << d.number << "\t" << d.path << "\t" << d.bytes << "\t" << d.sectorSize << "\t"
        << d.cylinders << "\t" << d.heads << "\t" << d.sectorsPerTrack << "\t"
        << Text(d.identity.maker) << "\t" << Text(d.identity.model) << "\t"
        << Text(d.identity.firmware) << "\t" << Text(d.identity.serial) << "\n";
  }
  return 0;
}

int ProbePartitions(std::ostream& out, std::ostream& err) {
  // An unreadable disk is reported and the walk goes on with the next one.
  for (const platform::DiskFacts& d : platform::ListDisks()) {
    int error = 0;
    platform::PartitionRowScan scan = platform::ReadPartitionRows(d, &error);
    if (error != 0) {
      err << "disk " << d.number << ": " << Text(platform::DiskOpenErrorText(error)) << "\n";
      continue;
    }
    for (const platform::PartitionRow& r : scan.rows) {
      out << r.disk << "\t" << r.level << "\t" << Text(platform::RowTypeText(r)) << "\t" << r.first
          << "\t" << r.last << "\t" << r.count << "\t" << Text(r.name) << "\n";
    }
    for (const std::string& note : scan.notes) err << "disk " << d.number << ": " << note << "\n";
  }
  return 0;
}

int ProbeExtents(std::ostream& out, std::ostream&) {
  for (const platform::VolumeExtent& e : platform::ListVolumeExtents())
    out << e.letter << "\t" << e.ordinal << "\t" << e.disk << "\t" << e.offset << "\t" << e.length
        << "\n";
  return 0;
}
