// Seeds and fields of the queue database target.
#include <string>

#include "Pellamor/DLG/DRSaveBox/QueueDb.h"
#include "tests/fuzz/fuzz_targets.h"

namespace fuzz {
namespace {

drsave::QueueItem SeedItem(std::u16string name, std::uint64_t cluster) {
  drsave::QueueItem item = drsave::MakeHandMadeItem(std::move(name), drsave::kMethodLinear, cluster, 4096);
  item.sizeText = u"4.00 KB";
  item.typeName = u"텍스트 문서";
  item.saveFolder = u"/tmp";
  return item;
}

}  // namespace

std::vector<Bytes> QueueDbSeeds(const std::string&) {
  drsave::DbHeader header;
  header.time = {2010, 3, 1, 1, 18, 12, 11, 0};
  header.typeCode = 3;
  header.letter = u'E';
  std::vector<drsave::QueueItem> items = {SeedItem(u"보고서.txt", 2), SeedItem(u"", 77), SeedItem(u"x", 9)};
  items[0].held = 1;
  items[1].done = 1;
  items[1].stateText = u"성공";
  items[2].note = std::u16string(300, u'n');
  header.count = items.size();
  std::vector<Bytes> out = {drsave::EncodeQueueDb(header, items)};
  header.count = UINT64_MAX;
  out.push_back(drsave::EncodeQueueDb(header, items));
  return out;
}

// The header's fields, then each string's tag and length forms and each number of the items.
std::vector<Field> QueueDbFields(const Bytes& in) {
  std::vector<Field> out;
  if (in.size() < drsave::kDbHeaderSize) return out;
  for (std::size_t i = 0; i < 8; ++i) out.push_back({drsave::kDbTimeOffset + 2 * i, 2});
  out.insert(out.end(), {{drsave::kDbCountOffset, 8}, {drsave::kDbTypeOffset, 4},
                         {drsave::kDbLocationOffset, 4}, {drsave::kDbLetterOffset, 4}});
  drsave::ArchiveReader r(in.data() + drsave::kDbHeaderSize, in.size() - drsave::kDbHeaderSize);
  auto at = [&] { return drsave::kDbHeaderSize + r.Offset(); };
  auto string = [&] {
    const std::size_t s = at();
    for (Field f : {Field{s, 1}, Field{s + 1, 2}, Field{s + 3, 1}, Field{s + 4, 2}, Field{s + 6, 4}})
      if (f.offset + f.width <= in.size()) out.push_back(f);
    std::u16string text;
    return r.String(&text);
  };
  auto number = [&](unsigned width) {
    out.push_back({at(), width});
    std::uint64_t v64 = 0;
    std::uint32_t v32 = 0;
    return width == 8 ? r.U64(&v64) : r.U32(&v32);
  };
  while (r.Left() > 0 && out.size() < 4096) {
    bool ok = true;
    for (int i = 0; i < 7 && ok; ++i) ok = string();
    ok = ok && number(4) && number(4) && string() && number(8) && number(4) && number(4) && number(4) &&
         string() && number(8) && number(4) && number(4);
    if (!ok) break;
  }
  return out;
}

}  // namespace fuzz
