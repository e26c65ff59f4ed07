// engine_probe queue: a .db imported for the drive, saved into one folder by the queue's loop.
#include <gtest/gtest.h>

#include <filesystem>

#include "Pellamor/DLG/DRSaveBox/QueueDb.h"
#include "Pellamor/DLG/DRSaveBox/QueueRun.h"
#include "tests/support/test_support.h"

namespace {

using drsave::QueueItem;
using testing_support::Fields;
using testing_support::Fixture;
using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::TempDir;

QueueItem Listed(const std::string& image, const std::string& path) {
  for (const auto& e : testing_support::ProbeList(Fixture(image)).entries) {
    if (e.path != path) continue;
    QueueItem item;
    item.name = platform::FromUtf8(path.substr(path.rfind('/') + 1));
    item.sizeText = e.folder ? u"폴더" : u"1KB";
    item.typeName = u"파일";
    item.firstCluster = item.addedCluster = e.number;
    item.size = e.size;
    item.entryReference = e.deleted ? drsave::kFatDeletedReference : 0;
    item.saveFolder = u"C:\\복구";  // from another system: the probe points every item at DIR
    return item;
  }
  ADD_FAILURE() << path << " not listed";
  return {};
}

TEST(EngineProbeQueue, ImportsSavesAndPrintsEveryItem) {
  if (!testing_support::FixtureExists("fat16.img")) GTEST_SKIP() << "fixture missing";
  TempDir dir;
  const std::string out = dir.File("out");
  std::filesystem::create_directory(out);
  testing_support::WriteFile(out + "/MULTI.BIN", "taken");

  std::vector<QueueItem> items = {Listed("fat16.img", "/SMALL.TXT"), Listed("fat16.img", "/#EL1.TXT"),
                                  Listed("fat16.img", "/MULTI.BIN"), Listed("fat16.img", "/G1.BIN"),
                                  Listed("fat16.img", "/#ELDIR")};
  items[3].held = 1;
  drsave::DbHeader header;
  header.typeCode = 2;
  header.letter = 'E';
  ASSERT_TRUE(drsave::WriteQueueDb(dir.File("q.db"), header, items));

  const std::string probe = testing_support::BinDir() + "/engine_probe queue E: ";
  const auto r = testing_support::Run(probe + dir.File("q.db") + " " + out + " --drive E=" + Fixture("fat16.img"));
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                              "SMALL.TXT\t성공\t",
                              "#EL1.TXT\t성공\t",
                              "MULTI.BIN\t실패\t" + platform::ToUtf8(drsave::kNoteNameTaken),
                              "G1.BIN\t보류\t",
                              "#ELDIR\t실패\t" + platform::ToUtf8(drsave::kNoteFolderItem),
                          }));
  EXPECT_EQ(ReadFile(out + "/SMALL.TXT"), ReadFile(Fixture("fat16.src/small.txt")));
  EXPECT_EQ(ReadFile(out + "/#EL1.TXT"), ReadFile(Fixture("fat16.src/del1.txt")));
  EXPECT_EQ(ReadFile(out + "/MULTI.BIN"), "taken");

  // Another drive's file is refused before anything is saved.
  const auto other = testing_support::Run(testing_support::BinDir() + "/engine_probe queue F: " + dir.File("q.db") +
                                          " " + dir.path() + " --drive F=" + Fixture("fat16.img") + " 2>/dev/null");
  EXPECT_NE(other.exitCode, 0);
  EXPECT_EQ(other.out, "");
}

}  // namespace
