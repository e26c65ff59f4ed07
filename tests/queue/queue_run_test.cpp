// The queue's save loop on real images: each method, the refusals, name conflicts, pause and stop.
#include "Pellamor/DLG/DRSaveBox/QueueRun.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include "corvane/ntfs_records.h"
#include "corvane/ntfs_save.h"
#include "platform/fault_plan.h"
#include "tests/support/test_support.h"

namespace {

using drsave::QueueItem;
using drsave::QueueRunner;
using drsave::QueueStore;
using testing_support::Fields;
using testing_support::Fixture;
using testing_support::Lines;
using testing_support::OpenedVolume;
using testing_support::ReadFile;
using testing_support::ScopedDrives;
using testing_support::TempDir;
using testing_support::WriteFile;
namespace fs = std::filesystem;

std::u16string U(const std::string& s) { return platform::FromUtf8(s); }
std::string S(const std::u16string& s) { return platform::ToUtf8(s); }

struct Listed {
  bool deleted = false;
  bool folder = false;
  std::uint64_t size = 0;
  std::uint64_t cluster = 0;
};

// Every entry of the image as engine_probe lists it, by path.
std::map<std::string, Listed> ListImage(const std::string& image) {
  std::map<std::string, Listed> out;
  for (const auto& e : testing_support::ProbeList(Fixture(image), true).entries)
    out[e.path] = Listed{e.deleted, e.folder, e.size, e.number};
  return out;
}

std::string LastComponent(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// An item as the file list queues it.
QueueItem ItemOf(const std::string& path, const Listed& e, std::uint32_t method, std::uint32_t reference,
                 const std::string& folder) {
  QueueItem item;
  item.name = U(LastComponent(path));
  item.sizeText = e.folder ? std::u16string(drsave::kFolderSizeText) : u"1KB";
  item.methodCode = method;
  item.methodText = std::u16string(drsave::MethodText(method));
  item.typeName = e.folder ? u"파일 폴더" : u"파일";
  item.firstCluster = item.addedCluster = e.cluster;
  item.clusterText = drsave::ClusterText(e.cluster);
  item.size = e.size;
  item.entryReference = reference;
  item.saveFolder = U(folder);
  return item;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Answers from a script and keeps the questions; an empty script answers empty (Cancel).
class ScriptedQuestion : public drsave::IRenameQuestion {
 public:
  std::u16string AskNewName(const std::u16string& name) override {
    asked.push_back(name);
    if (answers.empty()) return {};
    std::u16string a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  std::vector<std::u16string> answers;
  std::vector<std::u16string> asked;
};

// Waits until Cancel; tells the test when it was asked.
class BlockingQuestion : public drsave::IRenameQuestion {
 public:
  std::u16string AskNewName(const std::u16string&) override {
    asked.set_value();
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return cancelled_; });
    return {};
  }
  void Cancel() override {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    cv_.notify_all();
  }
  std::promise<void> asked;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool cancelled_ = false;
};

// Nothing but the wanted names: no temporary file of the queue or the engine stays behind.
void ExpectNoTemporaries(const std::string& folder) {
  for (const std::string& n : Names(folder)) {
    EXPECT_EQ(n.find(".queue-"), std::string::npos) << n;
    EXPECT_EQ(n.find(".save-"), std::string::npos) << n;
  }
}

// ---- FAT ------------------------------------------------------------------------------------

class QueueRunFat : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    image_ = GetParam();
    if (!testing_support::FixtureExists(image_ + ".img")) GTEST_SKIP() << "fixture missing";
    listed_ = ListImage(image_ + ".img");
    drives_ = std::make_unique<ScopedDrives>(std::vector<std::string>{"E=" + Fixture(image_ + ".img")});
    volume_ = std::make_unique<OpenedVolume>('E');
    ASSERT_TRUE(volume_->ok());
  }
  void TearDown() override {
    volume_.reset();
    drives_.reset();
  }
  // The manifest: path, kind, source file.
  std::vector<std::vector<std::string>> Manifest() {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Lines(ReadFile(Fixture(image_ + ".manifest")))) rows.push_back(Fields(line));
    return rows;
  }
  std::string Source(const std::string& name) { return ReadFile(Fixture(image_ + ".src/" + name)); }
  QueueItem Item(const std::string& path, std::uint32_t method = drsave::kMethodBasic) {
    const Listed& e = listed_.at(path);
    return ItemOf(path, e, method, e.deleted ? drsave::kFatDeletedReference : 0, out_.path());
  }

  std::string image_;
  std::map<std::string, Listed> listed_;
  std::unique_ptr<ScopedDrives> drives_;
  std::unique_ptr<OpenedVolume> volume_;
  TempDir out_;
};

TEST_P(QueueRunFat, EachKindSavedByItsMethodOrRefused) {
  QueueStore store;
  std::map<std::uint64_t, std::vector<std::string>> rowOf;
  for (const auto& row : Manifest()) {
    const std::string& kind = row[1];
    if (kind == "gone") continue;
    const std::uint32_t method = kind == "dellin" || kind == "delinter" ? drsave::kMethodLinear : drsave::kMethodBasic;
    ASSERT_TRUE(listed_.count(row[0])) << row[0];
    rowOf[store.Add(Item(row[0], method))] = row;
  }
  ScriptedQuestion question;
  QueueRunner runner(store, &question);
  runner.Run();
  EXPECT_TRUE(question.asked.empty());

  for (const QueueItem& item : store.Snapshot()) {
    const auto& row = rowOf.at(item.id);
    const std::string& kind = row[1];
    const std::string saved = out_.File(S(item.name));
    SCOPED_TRACE(row[0] + " " + kind);
    if (kind == "reused") {
      EXPECT_EQ(item.stateText, drsave::kStateFailed);
      EXPECT_EQ(item.done, 0u);
      EXPECT_FALSE(fs::exists(saved));
    } else if (kind == "deldir") {
      EXPECT_EQ(item.stateText, drsave::kStateFailed);
      EXPECT_EQ(item.note, drsave::kNoteFolderItem);
      EXPECT_FALSE(fs::exists(saved));
    } else {
      EXPECT_EQ(item.stateText, drsave::kStateDone) << S(item.note);
      EXPECT_EQ(item.done, 1u);
      EXPECT_EQ(ReadFile(saved), Source(row[2]));
    }
  }
  EXPECT_EQ(store.DoneCount(), rowOf.size() - 2);
  ExpectNoTemporaries(out_.path());

  // A second run skips what is done: nothing changes, nothing is asked.
  const auto before = store.Snapshot();
  runner.Run();
  EXPECT_TRUE(question.asked.empty());
  EXPECT_EQ(store.Snapshot(), before);
}

TEST_P(QueueRunFat, ValuesTheEngineCannotTakeFailWithoutWriting) {
  struct Case {
    const char* what;
    std::function<void(QueueItem&)> edit;
    const char16_t* note;
  };
  const std::vector<Case> cases = {
      {"size past 32 bits", [](QueueItem& i) { i.size = (1ull << 32) + 100; }, drsave::kNoteTooLarge},
      {"cluster past 32 bits", [](QueueItem& i) { i.firstCluster = (1ull << 32) + i.firstCluster; }, drsave::kNoteTooLarge},
      {"sector count past 32 bits",
       [](QueueItem& i) { i.methodCode = drsave::kMethodSector; i.size = 1ull << 32; }, drsave::kNoteTooLarge},
      {"unknown method", [](QueueItem& i) { i.methodCode = 7; }, drsave::kNoteUnknownMethod},
      {"no save folder", [](QueueItem& i) { i.saveFolder.clear(); }, drsave::kNoteNoSaveFolder},
      {"windows folder", [](QueueItem& i) { i.saveFolder = u"C:\\out"; }, drsave::kNoteBadSaveFolder},
      {"relative folder", [](QueueItem& i) { i.saveFolder = u"out"; }, drsave::kNoteBadSaveFolder},
      {"missing folder", [this](QueueItem& i) { i.saveFolder = U(out_.File("nowhere")); }, drsave::kNoteBadSaveFolder},
      {"name with a slash", [](QueueItem& i) { i.name = u"../x"; }, drsave::kNoteBadName},
      {"dot-dot", [](QueueItem& i) { i.name = u".."; }, drsave::kNoteBadName},
      {"folder item", [](QueueItem& i) { i.sizeText = std::u16string(drsave::kFolderSizeText); }, drsave::kNoteFolderItem},
  };
  QueueStore store;
  for (const Case& c : cases) {
    QueueItem item = Item("/SMALL.TXT");
    c.edit(item);
    store.Add(item);
  }
  QueueRunner runner(store);
  runner.Run();
  const auto items = store.Snapshot();
  for (std::size_t k = 0; k < cases.size(); ++k) {
    EXPECT_EQ(items[k].stateText, drsave::kStateFailed) << cases[k].what;
    EXPECT_EQ(items[k].note, cases[k].note) << cases[k].what;
  }
  EXPECT_TRUE(Names(out_.path()).empty());
}

TEST_P(QueueRunFat, SectorMethodTakesClusterAsFirstSectorAndSizeAsCount) {
  const std::string img = ReadFile(Fixture(image_ + ".img"));
  QueueItem item = Item("/SMALL.TXT", drsave::kMethodSector);
  item.name = u"sectors.bin";
  item.firstCluster = 3;
  item.size = 5;
  QueueStore store;
  store.Add(item);
  QueueRunner(store).Run();
  EXPECT_EQ(store.At(0)->stateText, drsave::kStateDone);
  const std::uint32_t bps = volume_->fs()->bytesPerSector;
  EXPECT_EQ(ReadFile(out_.File("sectors.bin")), img.substr(3 * bps, 5 * bps));
}

INSTANTIATE_TEST_SUITE_P(Images, QueueRunFat, ::testing::Values("fat12", "fat16", "fat32"));

// ---- Name conflicts -------------------------------------------------------------------------

class QueueConflicts : public QueueRunFat {
 protected:
  // Saves SMALL.TXT (or the item given) with the scripted answers; the item after the run.
  QueueItem RunOne(ScriptedQuestion& question, QueueItem item) {
    QueueStore store;
    store.Add(std::move(item));
    QueueRunner(store, &question).Run();
    return *store.At(0);
  }
  std::string small_;
};

TEST_P(QueueConflicts, CancelKeepsTheOldFile) {
  // An entry of another letter case conflicts too.
  WriteFile(out_.File("small.txt"), "old bytes");
  ScriptedQuestion question;
  const QueueItem item = RunOne(question, Item("/SMALL.TXT"));
  EXPECT_EQ(question.asked, std::vector<std::u16string>{u"SMALL.TXT"});
  EXPECT_EQ(item.stateText, drsave::kStateFailed);
  EXPECT_EQ(item.note, drsave::kNoteNameTaken);
  EXPECT_EQ(ReadFile(out_.File("small.txt")), "old bytes");
  EXPECT_EQ(Names(out_.path()), std::vector<std::string>{"small.txt"});
}

TEST_P(QueueConflicts, ANewNameThatIsTakenIsAskedAgain) {
  WriteFile(out_.File("SMALL.TXT"), "old");
  WriteFile(out_.File("other.txt"), "other");
  ScriptedQuestion question;
  question.answers = {u"OTHER.TXT", u"fresh.txt"};
  const QueueItem item = RunOne(question, Item("/SMALL.TXT"));
  EXPECT_EQ(question.asked, (std::vector<std::u16string>{u"SMALL.TXT", u"OTHER.TXT"}));
  EXPECT_EQ(item.stateText, drsave::kStateDone);
  EXPECT_EQ(ReadFile(out_.File("fresh.txt")), Source("small.txt"));
  EXPECT_EQ(ReadFile(out_.File("SMALL.TXT")), "old");
  EXPECT_EQ(ReadFile(out_.File("other.txt")), "other");
}

TEST_P(QueueConflicts, KeepingTheNameReplacesALongerFileWhole) {
  WriteFile(out_.File("SMALL.TXT"), std::string(10000, 'x'));
  ScriptedQuestion question;
  question.answers = {u"small.TXT"};  // the same name in another case confirms the replacement
  const QueueItem item = RunOne(question, Item("/SMALL.TXT"));
  EXPECT_EQ(item.stateText, drsave::kStateDone) << S(item.note);
  EXPECT_EQ(ReadFile(out_.File("SMALL.TXT")), Source("small.txt"));
  EXPECT_EQ(Names(out_.path()), std::vector<std::string>{"SMALL.TXT"});
}

TEST_P(QueueConflicts, AFailingReplacementLeavesTheOldFileAsItWas) {
  const std::string old(20000, 'o');
  WriteFile(out_.File("MULTI.BIN"), old);
  platform::ScopedFaultPlan plan;
  platform::FaultPlan::FailOutputWriteAfter(100);
  ScriptedQuestion question;
  question.answers = {u"MULTI.BIN"};
  const QueueItem item = RunOne(question, Item("/MULTI.BIN"));
  EXPECT_EQ(item.stateText, drsave::kStateFailed);
  EXPECT_EQ(ReadFile(out_.File("MULTI.BIN")), old);
  EXPECT_EQ(Names(out_.path()), std::vector<std::string>{"MULTI.BIN"});
}

TEST_P(QueueConflicts, AFolderOfThatNameIsNeverReplaced) {
  fs::create_directory(out_.File("SMALL.TXT"));
  ScriptedQuestion keep;
  keep.answers = {u"SMALL.TXT"};
  EXPECT_EQ(RunOne(keep, Item("/SMALL.TXT")).note, drsave::kNoteNameTaken);
  EXPECT_TRUE(fs::is_directory(out_.File("SMALL.TXT")));

  ScriptedQuestion rename;
  rename.answers = {u"moved.txt"};
  EXPECT_EQ(RunOne(rename, Item("/SMALL.TXT")).stateText, drsave::kStateDone);
  EXPECT_EQ(ReadFile(out_.File("moved.txt")), Source("small.txt"));
}

TEST_P(QueueConflicts, AnEmptyNameIsCheckedAsTheClusterName) {
  QueueItem item = Item("/SMALL.TXT");
  item.name.clear();
  const std::string clusterName = S(drsave::ClusterFileName(item.firstCluster));
  WriteFile(out_.File(clusterName), "old");
  ScriptedQuestion question;
  question.answers = {u"named.txt"};
  EXPECT_EQ(RunOne(question, item).stateText, drsave::kStateDone);
  EXPECT_EQ(question.asked, std::vector<std::u16string>{U(clusterName)});
  EXPECT_EQ(ReadFile(out_.File(clusterName)), "old");
  EXPECT_EQ(ReadFile(out_.File("named.txt")), Source("small.txt"));

  // Without a conflict the file takes the cluster name.
  TempDir other;
  item.saveFolder = U(other.path());
  ScriptedQuestion none;
  EXPECT_EQ(RunOne(none, item).stateText, drsave::kStateDone);
  EXPECT_EQ(ReadFile(other.File(clusterName)), Source("small.txt"));
}

TEST_P(QueueConflicts, NamesWrittenByTheRunConflictWithLaterItems) {
  ScriptedQuestion question;
  QueueStore store;
  store.Add(Item("/SMALL.TXT"));
  QueueItem second = Item("/G1.BIN");
  second.name = u"small.txt";
  store.Add(second);
  QueueRunner(store, &question).Run();
  EXPECT_EQ(question.asked, std::vector<std::u16string>{u"small.txt"});
  EXPECT_EQ(store.At(1)->note, drsave::kNoteNameTaken);
  EXPECT_EQ(ReadFile(out_.File("SMALL.TXT")), Source("small.txt"));
}

INSTANTIATE_TEST_SUITE_P(Images, QueueConflicts, ::testing::Values("fat16"));

// ---- Pause, stop and edits during a run -----------------------------------------------------

class QueueRunControl : public QueueRunFat {
 protected:
  // 30 MiB of the volume by the sector method: chunks of 1 MiB.
  QueueItem BigItem() {
    QueueItem item = Item("/SMALL.TXT", drsave::kMethodSector);
    item.name = u"big.bin";
    item.firstCluster = 0;
    item.size = 60000;
    return item;
  }
  // Size of the one file in the output folder (the engine's temporary while it copies).
  std::uintmax_t OutputSize() {
    std::uintmax_t size = 0;
    for (const auto& e : fs::directory_iterator(out_.path())) size += fs::file_size(e.path());
    return size;
  }
};

TEST_P(QueueRunControl, PauseStopsTheOutputAndResumeEndsByteExact) {
  QueueStore store;
  store.Add(BigItem());
  QueueRunner runner(store);
  std::promise<void> paused;
  bool once = false;
  runner.onProgress = [&](std::uint64_t written, std::uint64_t) {
    if (!once && written >= (4u << 20)) {
      once = true;
      runner.Pause();
      paused.set_value();
    }
  };
  std::thread worker([&] { runner.Run(); });
  paused.get_future().wait();
  const auto atPause = OutputSize();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(OutputSize(), atPause);
  EXPECT_GE(atPause, 4u << 20);
  EXPECT_LT(atPause, 60000u * 512);
  runner.Resume();
  worker.join();
  EXPECT_EQ(store.At(0)->stateText, drsave::kStateDone);
  EXPECT_EQ(ReadFile(out_.File("big.bin")), ReadFile(Fixture(image_ + ".img")).substr(0, 60000 * 512));
}

TEST_P(QueueRunControl, StopWhilePausedLeavesNothingAndTheRowAsItWas) {
  QueueStore store;
  store.Add(BigItem());
  store.Add(Item("/SMALL.TXT"));
  QueueRunner runner(store);
  std::promise<void> paused;
  bool once = false;
  runner.onProgress = [&](std::uint64_t, std::uint64_t) {
    if (!once) {
      once = true;
      runner.Pause();
      paused.set_value();
    }
  };
  std::thread worker([&] { runner.Run(); });
  paused.get_future().wait();
  runner.Stop();
  worker.join();
  EXPECT_TRUE(Names(out_.path()).empty());
  EXPECT_EQ(store.At(0)->stateText, u"");
  EXPECT_EQ(store.At(0)->note, drsave::kNoteStopped);
  EXPECT_EQ(store.At(1)->stateText, u"");  // never started
}

TEST_P(QueueRunControl, StopWhileTheQuestionWaitsKeepsTheOldFile) {
  WriteFile(out_.File("SMALL.TXT"), "old");
  QueueStore store;
  store.Add(Item("/SMALL.TXT"));
  BlockingQuestion question;
  QueueRunner runner(store, &question);
  auto asked = question.asked.get_future();
  std::thread worker([&] { runner.Run(); });
  asked.wait();
  runner.Stop();
  worker.join();
  EXPECT_EQ(ReadFile(out_.File("SMALL.TXT")), "old");
  EXPECT_EQ(Names(out_.path()), std::vector<std::string>{"SMALL.TXT"});
  EXPECT_EQ(store.At(0)->done, 0u);
}

TEST_P(QueueRunControl, ItemsAddedOrHeldDuringARunAreHonoured) {
  QueueStore store;
  const auto first = store.Add(Item("/SMALL.TXT"));
  const auto second = store.Add(Item("/G1.BIN"));
  QueueRunner runner(store);
  runner.onItemDone = [&](std::uint64_t id) {
    if (id != first) return;
    store.Update(second, [](QueueItem& i) { i.held = 1; });
    store.Add(Item("/G3.BIN"));
  };
  runner.Run();
  EXPECT_EQ(store.Get(second)->stateText, u"");
  EXPECT_EQ(store.Get(second)->StateColumn(), drsave::kStateHeld);
  EXPECT_EQ(store.At(2)->stateText, drsave::kStateDone);
  EXPECT_EQ(Names(out_.path()), (std::vector<std::string>{"G3.BIN", "SMALL.TXT"}));
}

INSTANTIATE_TEST_SUITE_P(Images, QueueRunControl, ::testing::Values("fat32"));

// ---- NTFS and exFAT -------------------------------------------------------------------------

// An NTFS fixture as drive E:, with engine_probe's listing of it by path.
struct ListedNtfs {
  explicit ListedNtfs(const std::string& image)
      : listed(ListImage(image)), drives({"E=" + Fixture(image)}), volume('E') {}
  std::map<std::string, Listed> listed;
  ScopedDrives drives;
  OpenedVolume volume;
};

class QueueRunNtfs : public ::testing::TestWithParam<const char*> {};

TEST_P(QueueRunNtfs, EveryFileByteExactAndUnlistedRecordsRefused) {
  const std::string image = GetParam();
  if (!testing_support::FixtureExists(image)) GTEST_SKIP() << "fixture missing";
  ListedNtfs v(image);
  const auto& listed = v.listed;
  ASSERT_TRUE(v.volume.ok());
  ASSERT_EQ(ReadRootDirectory(v.volume.fs()), 1);
  std::map<std::uint64_t, std::uint32_t> attributes;
  for (std::uint32_t i = 0; i < g_dwNtfsEntryCount; ++i)
    attributes[static_cast<std::uint64_t>(g_pNtfsEntries[i].recordNumber)] = g_pNtfsEntries[i].fileAttributes;

  TempDir out;
  QueueStore store;
  std::map<std::uint64_t, std::string> pathOf;
  int n = 0;
  for (const std::string& line : Lines(ReadFile(Fixture(image + ".manifest")))) {
    const auto f = Fields(line);
    if (f[2] == "1") continue;
    ASSERT_TRUE(listed.count(f[0])) << f[0];
    const Listed& e = listed.at(f[0]);
    // Each in a folder of its own: names repeat across the tree.
    const std::string folder = out.File(std::to_string(n++));
    fs::create_directory(folder);
    pathOf[store.Add(ItemOf(f[0], e, drsave::kMethodBasic, attributes[e.cluster], folder))] = f[0];
  }
  ASSERT_FALSE(pathOf.empty());
  const Listed& small = listed.at("/small.txt");
  QueueItem sector = ItemOf("/small.txt", small, drsave::kMethodSector, 0, out.path());
  QueueItem handMade = drsave::MakeHandMadeItem(u"hand.txt", drsave::kMethodBasic, small.cluster, 100);
  handMade.saveFolder = U(out.path());
  QueueItem unlisted = ItemOf("/small.txt", small, drsave::kMethodBasic, 0, out.path());
  unlisted.addedCluster = 999999;  // a record the search did not list
  QueueItem wide = unlisted;
  wide.addedCluster = (1ull << 32) + small.cluster;
  const auto sectorId = store.Add(sector), handId = store.Add(handMade), unlistedId = store.Add(unlisted),
             wideId = store.Add(wide);

  QueueRunner(store).Run();
  for (const auto& [id, path] : pathOf) {
    const QueueItem item = *store.Get(id);
    SCOPED_TRACE(path);
    EXPECT_EQ(item.stateText, drsave::kStateDone) << S(item.note);
    EXPECT_EQ(ReadFile(S(item.saveFolder) + "/" + S(item.name)), ReadFile(Fixture(image + ".files" + path)));
  }
  EXPECT_EQ(store.Get(sectorId)->note, drsave::kNoteNtfsSector);
  EXPECT_EQ(store.Get(handId)->note, drsave::kNoteNotFound);
  EXPECT_EQ(store.Get(unlistedId)->note, drsave::kNoteNotFound);
  EXPECT_EQ(store.Get(wideId)->note, drsave::kNoteTooLarge);
  EXPECT_EQ(Names(out.path()).size(), pathOf.size());  // only the numbered folders
}

INSTANTIATE_TEST_SUITE_P(Images, QueueRunNtfs,
                         ::testing::Values("ntfs_4k.img", "ntfs_512.img", "ntfs_64k.img", "ntfs_4ks.img"));

// The metadata files listed without an unnamed $DATA fail in the queue with the engine's reason
// in their note (the result column), beside a file of the same volume that saves; nothing of
// them is written.
TEST(QueueRunNtfsRefusals, AFileWithoutAnUnnamedDataStreamFailsWithTheEnginesReason) {
  const std::string image = "ntfs_attrlist.img";
  if (!testing_support::FixtureExists(image)) GTEST_SKIP() << "fixture missing";
  ListedNtfs v(image);
  ASSERT_TRUE(v.volume.ok());
  ASSERT_EQ(ReadRootDirectory(v.volume.fs()), 1);
  TempDir out;
  QueueStore store;
  std::map<std::uint64_t, std::string> pathOf;
  for (const char* path : {"/$Secure", "/$Extend/$Quota", "/$Extend/$ObjId", "/$Extend/$Reparse", "/frag.bin"}) {
    ASSERT_TRUE(v.listed.count(path)) << path;
    pathOf[store.Add(ItemOf(path, v.listed.at(path), drsave::kMethodBasic, 0, out.path()))] = path;
  }
  QueueRunner(store).Run();
  for (const auto& [id, path] : pathOf) {
    SCOPED_TRACE(path);
    const QueueItem item = *store.Get(id);
    if (path == "/frag.bin") {
      EXPECT_EQ(item.stateText, drsave::kStateDone) << S(item.note);
      continue;
    }
    EXPECT_EQ(item.stateText, drsave::kStateFailed);
    EXPECT_EQ(item.note, kNoteNoUnnamedData);
  }
  EXPECT_EQ(Names(out.path()), std::vector<std::string>{"frag.bin"});
  EXPECT_EQ(ReadFile(out.File("frag.bin")), ReadFile(Fixture(image + ".files/frag.bin")));
}

TEST(QueueRunExfat, EndsAtOnceLeavingEveryRow) {
  if (!testing_support::FixtureExists("exfat.img")) GTEST_SKIP() << "fixture missing";
  ScopedDrives drives({"E=" + Fixture("exfat.img")});
  OpenedVolume volume('E');
  ASSERT_TRUE(volume.ok());
  TempDir out;
  QueueStore store;
  QueueItem item = drsave::MakeHandMadeItem(u"a.txt", drsave::kMethodBasic, 5, 10);
  item.saveFolder = U(out.path());
  store.Add(item);
  const auto before = store.Snapshot();
  QueueRunner(store).Run();
  EXPECT_EQ(volume.sink().Texts(), std::vector<std::u16string>{drsave::kMsgExfatLater});
  EXPECT_EQ(store.Snapshot(), before);
  EXPECT_TRUE(Names(out.path()).empty());
}

TEST(QueueRunClosed, NoDriveSaysSoAndSavesNothing) {
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  ASSERT_EQ(m_pFileSystem, nullptr);
  QueueStore store;
  store.Add(drsave::MakeHandMadeItem(u"a.txt", 0, 5, 10));
  const auto before = store.Snapshot();
  QueueRunner(store).Run();
  EXPECT_EQ(sink.Texts(), std::vector<std::u16string>{drsave::kMsgDriveClosed});
  EXPECT_EQ(store.Snapshot(), before);
}

TEST(FolderIndex, FoldsCaseBeyondAscii) {
  drsave::FolderIndex index;
  index.Add(u"ÄRGER.txt");
  index.Add(u"Папка", true);
  bool folder = false;
  EXPECT_TRUE(index.Has(u"ärger.TXT"));
  EXPECT_TRUE(index.Has(u"папка", &folder));
  EXPECT_TRUE(folder);
  EXPECT_FALSE(index.Has(u"한글.txt"));
}

}  // namespace
