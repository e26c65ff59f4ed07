// engine_probe on the FAT and exFAT fixture volumes, against what mtools reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "corvane/fat_recover.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Fields;
using testing_support::Fixture;
using testing_support::Lines;
using testing_support::ReadFile;

using testing_support::TempDir;

std::string Probe(const std::string& args, const std::string& image) {
  return testing_support::BinDir() + "/engine_probe " + args + " --drive E='" + Fixture(image) + "'";
}

testing_support::CommandResult Sh(const std::string& c) { return testing_support::Run(c); }

std::string Quote(const std::string& s) { return "'" + s + "'"; }

struct ManifestLine {
  std::string path, kind, source;
};

std::vector<ManifestLine> Manifest(const std::string& base) {
  std::vector<ManifestLine> out;
  for (const auto& line : Lines(ReadFile(Fixture(base + ".manifest")))) {
    auto f = Fields(line);
    if (f.size() == 3) out.push_back({f[0], f[1], f[2]});
  }
  return out;
}

class ProbeFat : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    base_ = GetParam();
    if (!testing_support::FixtureExists(base_ + ".img")) GTEST_SKIP() << "fixture missing";
  }
  std::string base_;
};

TEST_P(ProbeFat, LiveListingMatchesMtools) {
  auto probe = Sh(Probe("list E:", base_ + ".img"));
  ASSERT_EQ(probe.exitCode, 0);
  std::set<std::string> ours;
  for (const auto& line : Lines(probe.out)) {
    auto f = Fields(line);
    ASSERT_EQ(f.size(), 5u) << line;
    if (f[1] == "0") ours.insert(f[0]);
  }
  auto mdir = Sh("MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 mdir -/ -b -i " + Quote(Fixture(base_ + ".img")) + " ::");
  if (mdir.exitCode != 0) GTEST_SKIP() << "mdir unavailable";
  std::set<std::string> theirs;
  for (std::string line : Lines(mdir.out)) {
    if (line.rfind("::", 0) != 0) continue;
    line = line.substr(2);
    if (line.size() > 1 && line.back() == '/') line.pop_back();
    theirs.insert(line);
  }
  EXPECT_EQ(ours, theirs);
}

TEST_P(ProbeFat, DeletedEntriesAndFoldersWithAll) {
  auto r = Sh(Probe("list E: --all", base_ + ".img"));
  ASSERT_EQ(r.exitCode, 0);
  std::map<std::string, std::vector<std::string>> rows;
  for (const auto& line : Lines(r.out)) rows[Fields(line)[0]] = Fields(line);
  for (const auto& m : Manifest(base_)) {
    if (m.kind == "gone") {
      EXPECT_EQ(rows.count(m.path), 0u) << m.path;  // the deleted folder is not walked
      continue;
    }
    ASSERT_EQ(rows.count(m.path), 1u) << m.path;
    const auto& f = rows[m.path];
    EXPECT_EQ(f[1], m.kind == "live" ? "0" : "1") << m.path;
    EXPECT_EQ(f[2], m.kind == "deldir" ? "1" : "0") << m.path;
    if (m.kind != "deldir") {
      EXPECT_EQ(f[3], std::to_string(ReadFile(Fixture(base_ + ".src/" + m.source)).size())) << m.path;
    }
  }
}

TEST_P(ProbeFat, EverySavedFileIsByteExact) {
  for (const auto& m : Manifest(base_)) {
    if (m.kind == "gone" || m.kind == "deldir") continue;
    SCOPED_TRACE(m.path);
    TempDir out;
    const std::string method = (m.kind == "live" || m.kind == "del1") ? "basic" : "linear";
    auto r = Sh(Probe("save E: " + Quote(m.path) + " " + Quote(out.path()) + " --method " + method,
                       base_ + ".img") + " 2>&1");
    const std::string name = m.path.substr(m.path.rfind('/') + 1);
    if (m.kind == "reused") {
      EXPECT_NE(r.exitCode, 0);  // its first cluster now holds another file
      continue;
    }
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const std::string saved = ReadFile(out.File(name));
    EXPECT_EQ(saved, ReadFile(Fixture(base_ + ".src/" + m.source)));
    if (m.kind == "live") {
      auto mc = Sh("MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 mcopy -n -i " + Quote(Fixture(base_ + ".img")) +
                    " " + Quote("::" + m.path) + " " + Quote(out.File("mcopy.out")));
      ASSERT_EQ(mc.exitCode, 0) << mc.out;
      EXPECT_EQ(saved, ReadFile(out.File("mcopy.out")));
    }
  }
}

TEST_P(ProbeFat, SectorMethodAndErrors) {
  TempDir out;
  auto r = Sh(Probe("save E: /FRAG.BIN " + Quote(out.path()) + " --method sector", base_ + ".img"));
  ASSERT_EQ(r.exitCode, 0);
  // Sector by sector from the first cluster: the split file comes out wrong past its first part.
  const std::string frag = ReadFile(Fixture(base_ + ".src/frag.bin"));
  const std::string saved = ReadFile(out.File("FRAG.BIN"));
  ASSERT_EQ(saved.size(), frag.size());
  EXPECT_NE(saved, frag);
  EXPECT_NE(Sh(Probe("save E: /NOPE " + Quote(out.path()), base_ + ".img") + " 2>/dev/null").exitCode, 0);
  EXPECT_NE(Sh(Probe("save E: /SUB " + Quote(out.path()), base_ + ".img") + " 2>/dev/null").exitCode, 0);
  EXPECT_NE(Sh(Probe("save E: /SMALL.TXT " + Quote(out.path()) + " --method odd", base_ + ".img") +
                " 2>/dev/null").exitCode, 0);
  // A failed save says why after "save failed" (the message box's text comes first).
  auto missing = Sh(Probe("save E: /SMALL.TXT " + Quote(out.File("missing")), base_ + ".img") + " 2>&1");
  EXPECT_NE(missing.exitCode, 0);
  ASSERT_FALSE(Lines(missing.out).empty());
  EXPECT_EQ(Lines(missing.out).back(), "save failed: " + platform::ToUtf8(kMsgCannotOpenFile));
}

INSTANTIATE_TEST_SUITE_P(Widths, ProbeFat, ::testing::Values("fat12", "fat16", "fat32"));

TEST(ProbeExfat, ListingOfTheFilledRoot) {
  REQUIRE_FIXTURE("exfat.img");
  auto all = Sh(Probe("list E: --all", "exfat.img"));
  ASSERT_EQ(all.exitCode, 0);
  EXPECT_EQ(Lines(all.out), Lines(ReadFile(Fixture("exfat.expected"))));
  // FAT-family lists hold deleted entries with or without --all.
  auto plain = Sh(Probe("list E:", "exfat.img"));
  ASSERT_EQ(plain.exitCode, 0);
  EXPECT_EQ(plain.out, all.out);
}

}  // namespace
