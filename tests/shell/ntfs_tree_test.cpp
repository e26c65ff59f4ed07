#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Pellamor/LeftView.h"

namespace {

struct Folder {
  const char16_t* name;
  std::int64_t record;
  std::int64_t parent;
  bool deleted;
  bool folder = true;
};

std::vector<NTFSFILEENTRY> Entries(const std::vector<Folder>& folders) {
  std::vector<NTFSFILEENTRY> entries(folders.size());
  for (std::size_t i = 0; i < folders.size(); ++i) {
    std::memset(&entries[i], 0, sizeof entries[i]);
    std::u16string name = folders[i].name;
    std::memcpy(entries[i].name, name.c_str(), (name.size() + 1) * sizeof(char16_t));
    entries[i].recordNumber = folders[i].record;
    entries[i].parentRecordNumber = folders[i].parent;
    entries[i].deleted = folders[i].deleted;
    entries[i].folder = folders[i].folder;
  }
  return entries;
}

// name of each node and the name of the node it goes under ("" the drive, "-" the deleted folders)
std::vector<std::pair<std::u16string, std::u16string>> Placed(const std::vector<NTFSFILEENTRY>& entries) {
  std::vector<NtfsFolderNode> nodes = OrderNtfsFolders(entries.data(), static_cast<std::uint32_t>(entries.size()));
  std::vector<std::pair<std::u16string, std::u16string>> out;
  for (const NtfsFolderNode& n : nodes) {
    std::u16string under = n.parent == kNtfsUnderDrive     ? u""
                           : n.parent == kNtfsUnderDeleted ? u"-"
                                                           : std::u16string(entries[nodes[n.parent].entry].name);
    out.emplace_back(entries[n.entry].name, under);
  }
  return out;
}

using Rows = std::vector<std::pair<std::u16string, std::u16string>>;

TEST(NtfsTreeOrder, FoldersGoUnderTheirParentsAndDeletedTopLevelFoldersApart) {
  auto entries = Entries({
      {u"docs", 40, 5, false},
      {u"sub", 41, 40, false},
      {u"gone", 42, 5, true},
      {u"inside gone", 43, 42, true},
      {u"a file", 44, 5, false, false},
      {u"alpha", 45, 5, false},
      {u"orphan", 46, 999, false},
      {u"self", 47, 47, false},
  });
  // A folder's children by name, each before any of their own children.
  EXPECT_EQ(Placed(entries), (Rows{{u"alpha", u""}, {u"docs", u""}, {u"gone", u"-"}, {u"sub", u"docs"},
                                   {u"inside gone", u"gone"}}));
}

// Records that the search reports twice, or a reused record that names a descendant as its
// parent, must not make the builder loop or place a folder twice.
TEST(NtfsTreeOrder, ReusedRecordsCannotLoop) {
  auto entries = Entries({
      {u"a", 40, 5, false},
      {u"b", 41, 40, false},
      {u"root again", 5, 41, false},  // claims the root's record under b
      {u"a again", 40, 41, false},    // a's record once more, under its own child
  });
  EXPECT_EQ(Placed(entries), (Rows{{u"a", u""}, {u"b", u"a"}}));
  EXPECT_TRUE(OrderNtfsFolders(nullptr, 10).empty());
}

}  // namespace
