// Fuzz entry point of the queue's database reader.
#include <vector>

#include "Pellamor/DLG/DRSaveBox/QueueDb.h"
#include "tests/fuzz/fuzz_entries.h"

namespace fuzz {
namespace {

// The smallest item: nine empty untagged strings, seven u32 and two u64.
constexpr std::size_t kMinItemBytes = 9 + 7 * 4 + 2 * 8;

}  // namespace

int FuzzQueueDb(const std::uint8_t* data, std::size_t size) {
  drsave::DbContents db;
  const bool parsed = drsave::ParseQueueDb(data, size, &db);
  FUZZ_CHECK(parsed == (size >= drsave::kDbHeaderSize));
  if (!parsed) {
    FUZZ_CHECK(db.items.empty());
    return 0;
  }
  FUZZ_CHECK(db.items.size() <= db.header.count);
  FUZZ_CHECK(db.items.size() <= (size - drsave::kDbHeaderSize) / kMinItemBytes);
  FUZZ_CHECK(db.cutShort || db.items.size() == db.header.count);
  for (const drsave::QueueItem& item : db.items) {
    FUZZ_CHECK(item.firstCluster == item.addedCluster);
    FUZZ_CHECK(item.name.size() <= size && item.note.size() <= size && item.saveFolder.size() <= size);
  }
  // What the writer makes of the items reads back as the same items, in full.
  drsave::DbHeader header = db.header;
  header.count = db.items.size();
  const std::vector<std::uint8_t> again = drsave::EncodeQueueDb(header, db.items);
  drsave::DbContents reread;
  FUZZ_CHECK(drsave::ParseQueueDb(again.data(), again.size(), &reread));
  FUZZ_CHECK(!reread.cutShort && reread.items == db.items);
  FUZZ_CHECK(reread.header.count == header.count && reread.header.letter == header.letter &&
             reread.header.typeCode == header.typeCode);
  for (drsave::QueueItem item : db.items)
    if (drsave::AcceptImportedItem(&item)) FUZZ_CHECK(drsave::IsAcceptableItemName(item.name));
  return 0;
}

}  // namespace fuzz
