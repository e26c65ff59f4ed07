#include "corvane/fat_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "corvane/engine_hooks.h"
#include "platform/endian.h"
#include "platform/message.h"

namespace {

using Slot = std::array<std::uint8_t, 32>;

Slot ShortSlot(const char* name11, std::uint8_t attr = 0x20, std::uint32_t cluster = 5,
               std::uint32_t size = 10) {
  Slot s{};
  std::memcpy(s.data(), name11, 11);
  s[11] = attr;
  platform::PutLe16(s.data() + 20, static_cast<std::uint16_t>(cluster >> 16));
  platform::PutLe16(s.data() + 26, static_cast<std::uint16_t>(cluster));
  platform::PutLe32(s.data() + 28, size);
  return s;
}

// Long-name slots for name in directory order (last part first), checksummed for shortSlot.
std::vector<Slot> LongSlots(const std::u16string& name, const Slot& shortSlot) {
  const std::uint8_t sum = ShortNameChecksum(shortSlot.data());
  const std::size_t parts = (name.size() + 12) / 13;
  static constexpr std::size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  std::vector<Slot> slots;
  for (std::size_t p = parts; p >= 1; --p) {
    Slot s{};
    s[0] = static_cast<std::uint8_t>(p | (p == parts ? 0x40 : 0));
    s[11] = 0x0F;
    s[13] = sum;
    for (std::size_t k = 0; k < 13; ++k) {
      const std::size_t at = (p - 1) * 13 + k;
      const char16_t ch = at < name.size() ? name[at] : (at == name.size() ? 0 : 0xFFFF);
      platform::PutLe16(s.data() + kOffsets[k], ch);
    }
    slots.push_back(s);
  }
  return slots;
}

std::vector<std::uint8_t> Bytes(const std::vector<Slot>& slots) {
  std::vector<std::uint8_t> out;
  for (const auto& s : slots) out.insert(out.end(), s.begin(), s.end());
  return out;
}

std::vector<FATDIRENTRY> Parse(const std::vector<Slot>& slots, std::uint32_t lastCluster = 1000) {
  auto bytes = Bytes(slots);
  std::vector<FATDIRENTRY> out;
  ParseFatDirectory(bytes.data(), bytes.size(), lastCluster, &out);
  return out;
}

std::vector<Slot> Join(std::vector<Slot> a, const std::vector<Slot>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Slot Erased(Slot s) {
  s[0] = 0xE5;
  return s;
}

TEST(FatDirScan, LongNameWithItsShortEntry) {
  const Slot file = ShortSlot("LONGFI~1TXT");
  auto e = Parse(Join(LongSlots(u"Long file name.txt", file), {file}));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(LongNameOf(e[0]), u"Long file name.txt");
  EXPECT_EQ(e[0].hasLongName, 1);
  EXPECT_EQ(e[0].longNameLive, 1);
  EXPECT_EQ(e[0].firstSlot, 1u);
  EXPECT_EQ(e[0].lastSlot, 3u);
  EXPECT_EQ(e[0].lfnOrdinal, 1);
  EXPECT_EQ(e[0].lfnAttribute, 0x0F);
  EXPECT_EQ(e[0].lfnChecksum, ShortNameChecksum(file.data()));
  EXPECT_STREQ(e[0].shortName, "LONGFI~1.TXT");
  EXPECT_EQ(e[0].deleted, 0);
}

TEST(FatDirScan, NamesOf255CharactersAreKeptWhole) {
  std::u16string name;
  for (int i = 0; i < 255; ++i) name += static_cast<char16_t>(u'a' + i % 26);
  const Slot file = ShortSlot("AAAAAA~1   ");
  auto slots = LongSlots(name, file);
  ASSERT_EQ(slots.size(), 20u);
  auto e = Parse(Join(slots, {file}));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(LongNameOf(e[0]), name);
}

TEST(FatDirScan, WalkEndsAtTheFreeSlot) {
  const Slot a = ShortSlot("A       TXT");
  const Slot b = ShortSlot("B       TXT");
  auto e = Parse({a, Slot{}, b});
  ASSERT_EQ(e.size(), 1u);
  EXPECT_STREQ(e[0].shortName, "A.TXT");
}

// Long-name slots that do not fit their short entry give no long name, and the entry stays.
TEST(FatDirScan, BrokenLongNamesAreDropped) {
  const Slot file = ShortSlot("FILE    TXT");
  const auto good = LongSlots(u"A name that needs two slots", file);
  struct Case {
    const char* name;
    std::vector<Slot> slots;
  };
  std::vector<Slot> badOrdinal = good;
  badOrdinal[1][0] = 3;  // should be 1
  std::vector<Slot> noLastMark = good;
  noLastMark[0][0] = 2;  // 0x40 missing
  std::vector<Slot> badSum = good;
  badSum[1][13] ^= 1;
  const Slot other = ShortSlot("OTHER   TXT");
  const Case cases[] = {
      {"ordinal out of sequence", Join(badOrdinal, {file})},
      {"no last-slot mark", Join(noLastMark, {file})},
      {"checksum differs between slots", Join(badSum, {file})},
      {"checksum of another short name", Join(good, {other})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto e = Parse(c.slots);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].hasLongName, 0);
    EXPECT_TRUE(LongNameOf(e[0]).empty());
    EXPECT_EQ(e[0].firstSlot, e[0].lastSlot);
  }
}

TEST(FatDirScan, ClaimsPastTheBufferStayInside) {
  const Slot file = ShortSlot("FILE    TXT");
  auto slots = LongSlots(u"Short", file);
  slots[0][0] = 0x45;  // claims five slots, only the short entry follows
  auto e = Parse(Join(slots, {file}));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].hasLongName, 0);
  // A long-name slot as the very last slot of a buffer without end slot.
  auto tail = Parse({file, LongSlots(u"x", file)[0]});
  ASSERT_EQ(tail.size(), 1u);
}

TEST(FatDirScan, ErasedFileWithLongName) {
  const Slot live = ShortSlot("DELETE~1TXT");
  auto slots = LongSlots(u"Deleted long name.txt", live);
  for (auto& s : slots) s[0] = 0xE5;
  auto e = Parse(Join(slots, {Erased(live)}));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].deleted, 1);
  EXPECT_EQ(e[0].hasLongName, 1);
  EXPECT_EQ(e[0].longNameLive, 0);
  EXPECT_EQ(e[0].lfnOrdinal, 0xE5);
  EXPECT_EQ(LongNameOf(e[0]), u"Deleted long name.txt");
  EXPECT_STREQ(e[0].shortName, "#ELETE~1.TXT");
}

TEST(FatDirScan, LiveLongNameOfAnErasedShortEntryIsDeleted) {
  const Slot live = ShortSlot("FILE    TXT");
  auto e = Parse(Join(LongSlots(u"Some name", live), {Erased(live)}));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].deleted, 1);
  EXPECT_EQ(e[0].longNameLive, 1);
  EXPECT_EQ(LongNameOf(e[0]), u"Some name");
}

TEST(FatDirScan, ShortEntryDecoding) {
  Slot kanji = ShortSlot("\x05" "ABC    TXT");
  Slot six = ShortSlot("SIXSIX     ");
  Slot one = ShortSlot("A       C  ");
  Slot far = ShortSlot("FAR     BIN", 0x20, 5000);
  Slot after = ShortSlot("AFTER   BIN");
  Slot times = ShortSlot("TIMES      ");
  times[13] = 150;                                  // hundredths
  platform::PutLe16(times.data() + 14, (13 << 11) | (45 << 5) | 10);  // 13:45:20
  platform::PutLe16(times.data() + 16, ((2024 - 1980) << 9) | (2 << 5) | 29);
  platform::PutLe16(times.data() + 24, 0);          // modification date word 0
  auto e = Parse({kanji, six, one, Erased(far), after, times}, 1000);
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(static_cast<std::uint8_t>(e[0].shortName[0]), 0xE5);  // 0x05 stands for a real 0xE5
  EXPECT_STREQ(e[0].shortName + 1, "ABC.TXT");
  EXPECT_STREQ(e[1].shortName, "SIXSIX");
  EXPECT_EQ(e[1].hasExtension, 0);
  EXPECT_STREQ(e[2].shortName, "A.C");
  EXPECT_STREQ(e[2].extension, "C");
  // An entry whose cluster lies outside the volume is marked, and the scan goes on.
  EXPECT_EQ(e[3].valid, 0);
  EXPECT_EQ(e[3].firstCluster, 5000u);
  EXPECT_EQ(e[4].valid, 1);
  EXPECT_STREQ(e[4].shortName, "AFTER.BIN");
  EXPECT_EQ(e[5].createHour, 13);
  EXPECT_EQ(e[5].createMinute, 45);
  EXPECT_EQ(e[5].createSecond, 21);
  EXPECT_EQ(e[5].createHundredths, 50);
  EXPECT_EQ(e[5].createYear, 2024);
  EXPECT_EQ(e[5].createMonth, 2);
  EXPECT_EQ(e[5].createDay, 29);
  EXPECT_EQ(e[5].modifyYear, 0);
}

TEST(FatDirScan, LabelsThenFoldersThenFiles) {
  std::vector<FATDIRENTRY> e = Parse({ShortSlot("FILE1      "), ShortSlot("DIR1       ", 0x10),
                                      ShortSlot("LABEL      ", 0x08), ShortSlot("FILE2      "),
                                      ShortSlot("DIR2       ", 0x10)});
  ReorderFatEntries(&e);
  const char* order[] = {"LABEL", "DIR1", "DIR2", "FILE1", "FILE2"};
  ASSERT_EQ(e.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_STREQ(e[i].shortName, order[i]);
  EXPECT_EQ(e[0].volumeLabel, 1);
  EXPECT_EQ(e[0].directory, 1);
}

TEST(FatDirScan, ScanReplacesTheEntryArray) {
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  FATVOLUMERECORD rec{};
  rec.geometry.lastCluster = 100;
  auto bytes = Bytes({ShortSlot("ONE        "), ShortSlot("TWO        ", 0x10), Slot{}});
  ASSERT_EQ(ScanDirectoryEntries(&rec, 3, bytes.data()), 1);
  EXPECT_EQ(g_dwFatDirEntryCount, 2u);
  EXPECT_EQ(g_dwLFNDirEntry, 2u);
  EXPECT_STREQ(g_pFatDirEntries[0].shortName, "TWO");

  // An empty directory leaves the array as it was.
  auto empty = Bytes({Slot{}});
  EXPECT_EQ(ScanDirectoryEntries(&rec, 1, empty.data()), 0);
  EXPECT_EQ(g_dwFatDirEntryCount, 2u);

  // Nothing but orphan long-name slots.
  auto orphans = Bytes(LongSlots(u"orphan", ShortSlot("X          ")));
  EXPECT_EQ(ScanDirectoryEntries(&rec, 1, orphans.data()), 0);
  EXPECT_TRUE(sink.Saw(kMsgScanAbnormal));
  FreeFatDirEntries();
  EXPECT_EQ(g_pFatDirEntries, nullptr);
}

}  // namespace
