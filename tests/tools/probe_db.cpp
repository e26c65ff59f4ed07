#include "tests/tools/probe_db.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "Pellamor/DLG/DRSaveBox/QueueDb.h"
#include "platform/message.h"
#include "tests/tools/probe.h"

std::string Field(std::u16string_view text) {
  std::string out;
  for (char c : platform::ToUtf8(text)) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (u < 0x20 || u == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

namespace {

std::string Time(const SYSTEMTIME& t) {
  char b[64];
  std::snprintf(b, sizeof b, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond, t.wMilliseconds);
  return b;
}

}  // namespace

int ProbeDb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || (args.size() != 1 && (args.size() != 3 || args[1] != "--write"))) {
    err << "usage: engine_probe db FILE [--write OUT]\n";
    return 2;
  }
  std::ifstream in(args[0], std::ios::binary);
  if (!in) {
    err << "cannot open " << args[0] << "\n";
    return 1;
  }
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  drsave::DbContents db;
  if (!drsave::ParseQueueDb(bytes.data(), bytes.size(), &db)) {
    err << args[0] << ": " << bytes.size() << " bytes, shorter than the " << drsave::kDbHeaderSize
        << "-byte header\n";
    return 1;
  }
  const drsave::DbHeader& h = db.header;
  const std::u16string_view fsName = drsave::DbFileSystemName(h.typeCode);
  out << h.count << "\t" << h.typeCode << "\t" << (fsName.empty() ? "-" : platform::ToUtf8(fsName)) << "\t"
      << h.location << "\t" << Field(std::u16string(1, static_cast<char16_t>(h.letter & 0xFFFF))) << "\t"
      << Time(h.time) << "\t" << h.time.wDayOfWeek << "\n";
  for (const drsave::QueueItem& i : db.items) {
    out << Field(i.name) << "\t" << Field(i.sizeText) << "\t" << Field(i.methodText) << "\t"
        << Field(i.clusterText) << "\t" << Field(i.stateText) << "\t" << Field(i.saveFolder) << "\t"
        << Field(i.typeName) << "\t" << i.tick << "\t" << i.iconIndex << "\t" << i.size << "\t" << i.done
        << "\t" << i.deleteMark << "\t" << i.held << "\t" << Field(i.note) << "\t" << i.addedCluster << "\t"
        << i.entryReference << "\t" << i.methodCode << "\n";
  }
  if (db.cutShort)
    err << args[0] << ": cut short after " << db.items.size() << " of " << h.count << " items\n";
  if (args.size() == 3) {
    if (!drsave::WriteQueueDb(args[2], h, db.items)) {
      err << "cannot write " << args[2] << "\n";
      return 1;
    }
  }
  return 0;
}
