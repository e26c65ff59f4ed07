#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Pellamor/DLG/CDlgInstSwListBox/CDlgInstSwListBox.h"
#include "Pellamor/DLG/CDlgInstSwListBox/DpkgStatus.h"
#include "Pellamor/DLG/Dialogs.h"
#include "platform/fault_plan.h"
#include "shared/DialogHeaderCtrl.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

// A status file with every kind of stanza the parser meets.
std::string StatusFixture() {
  std::string s;
  s += "Package: alpha\nStatus: install ok installed\nPriority: optional\nArchitecture: amd64\n"
       "Description: the first\n a continuation line\n .\n Package: fake-from-description\n"
        " Status: not a field here\n\n";
  s += "Package: beta\nStatus: deinstall ok installed\nArchitecture: all\n\n";
  s += "Package: gamma\nStatus: deinstall ok config-files\n\n";
  s += "Package: delta\nStatus: install reinstreq half-installed\n\n";
  s += "Package: epsilon\nStatus: purge ok not-installed\n\n";
  s += "Package: zeta\nStatus: install ok unpacked\n\n";
  s += "Package: eta\nStatus: install ok installed-ish\n\n";
  s += "Package: libmulti\nStatus: install ok installed\nArchitecture: amd64\nMulti-Arch: same\n\n";
  s += "Package: libmulti\nStatus: install ok installed\nArchitecture: i386\nMulti-Arch: same\n\n";
  s += "Package: libsingle\nStatus: install ok installed\nArchitecture: i386\n\n\n\n";
  s += "Status: install ok installed\r\nPackage: crlfpkg\r\nArchitecture: amd64\r\n\r\n";
  // A 1 MiB field line is skipped, the rest of its stanza still read.
  s += "Package: bigdesc\nStatus: install ok installed\nX-Big: " + std::string(1 << 20, 'a') + "\nArchitecture: all\n\n";
  // A 1 MiB name is skipped, so its stanza has none.
  s += "Package: " + std::string(1 << 20, 'b') + "\nStatus: install ok installed\n\n";
  s += "Package: omega\nStatus: install ok installed";  // no final newline
  return s;
}

const QStringList kInstalledInFileOrder = {"alpha",   "beta",    "libmulti:amd64", "libmulti:i386",
                                           "libsingle", "crlfpkg", "bigdesc",        "omega"};
const QStringList kInstalledSorted = {"alpha",         "beta",      "bigdesc", "crlfpkg", "libmulti:amd64",
                                      "libmulti:i386", "libsingle", "omega"};

class InstalledSoftwareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    dlg::RegisterAllDialogs();
    testing_support::WriteFile(status_, StatusFixture());
    CDlgInstSwListBox::SetStatusFile(status_);
  }
  void TearDown() override {
    CDlgInstSwListBox::SetStatusFile({});
    CDlgInstSwListBox::SetKeySource({});
  }
  testing_support::TempDir dir_;
  std::string status_ = dir_.File("status");
};

TEST_F(InstalledSoftwareTest, TheParserKeepsExactlyTheInstalledStanzas) {
  EXPECT_EQ(instsw::InstalledPackages(status_), kInstalledInFileOrder);
  EXPECT_EQ(instsw::InstalledPackages(dir_.File("missing")), std::nullopt);
  EXPECT_EQ(instsw::InstalledPackages(dir_.path()), std::nullopt);  // a folder cannot be read
  testing_support::WriteFile(dir_.File("empty"), "");
  EXPECT_EQ(instsw::InstalledPackages(dir_.File("empty")), QStringList{});
  // A line exactly at the bound is kept, one byte more is not.
  const std::string atBound = "Package: " + std::string(instsw::kMaxLine - 9, 'k');
  testing_support::WriteFile(dir_.File("bound"), atBound + "\nStatus: install ok installed\n\n" + atBound +
                                                     "k\nStatus: install ok installed\n");
  const std::optional<QStringList> bound = instsw::InstalledPackages(dir_.File("bound"));
  ASSERT_TRUE(bound);
  ASSERT_EQ(bound->size(), 1);
  EXPECT_EQ(bound->front().size(), static_cast<qsizetype>(instsw::kMaxLine - 9));
}

TEST_F(InstalledSoftwareTest, EntryOneListsThePackagesSortedWithTheirCount) {
  CDlgInstSwListBox box;
  box.show();
  EXPECT_EQ(box.Header()->Title(), Text(u"설치된 소프트웨어 목록 관리자"));
  EXPECT_EQ(box.Header()->Description(), Text(u"컴퓨터에 설치된 소프트웨어 목록을 보여줍니다."));
  EXPECT_FALSE(box.Header()->Icon().isNull());
  EXPECT_EQ(box.windowTitle(), Text(u"설치된 소프트웨어 목록 관리자"));
  EXPECT_EQ(box.Intro()->text(), Text(u"이 컴퓨터에 설치된 소프트웨어 목록입니다."));
  EXPECT_EQ(box.OkButton()->text(), Text(u"확인"));
  QComboBox* sources = box.SourceList();
  ASSERT_EQ(sources->count(), 3);
  EXPECT_EQ(sources->itemText(0), Text(u"항목을 선택하십시오"));
  EXPECT_EQ(sources->itemText(1), Text(u"Windows에 설치된 소프트웨어 목록"));
  EXPECT_EQ(sources->itemText(2), Text(u"Microsoft 제품"));
  EXPECT_EQ(sources->currentIndex(), 0);
  EXPECT_EQ(box.Results().Names(), QStringList{});

  sources->setCurrentIndex(1);
  EXPECT_EQ(box.Results().Names(), kInstalledSorted);
  EXPECT_EQ(box.ResultList()->model()->rowCount(), kInstalledSorted.size());
  EXPECT_EQ(box.ResultList()->model()->index(0, 0).data().toString(), QStringLiteral("alpha"));
  EXPECT_EQ(box.CountLine()->text(), Text(u"8개 항목이 검색되었습니다."));
  // The first entry empties the list and lists nothing; the vendor's key is one that cannot be
  // opened.
  for (int entry : {0, 2}) {
    sources->setCurrentIndex(1);
    sources->setCurrentIndex(entry);
    EXPECT_EQ(box.Results().Names(), QStringList{}) << entry;
    EXPECT_TRUE(box.CountLine()->text().isEmpty()) << entry;
  }
}

TEST_F(InstalledSoftwareTest, AMissingStatusFileListsNothing) {
  CDlgInstSwListBox::SetStatusFile(dir_.File("missing"));
  CDlgInstSwListBox box;
  box.show();
  box.SourceList()->setCurrentIndex(1);
  EXPECT_EQ(box.Results().Names(), QStringList{});
  EXPECT_TRUE(box.CountLine()->text().isEmpty());
}

// A status file that is no regular file, or larger than any real one, is refused at once (never
// waiting for a FIFO's writer nor reading a device for ever), and so is one whose read fails
// through the platform layer: the box lists nothing, and the next good read lists again.
TEST_F(InstalledSoftwareTest, AFifoADeviceAHugeFileOrAFailedReadListsNothingAtOnce) {
  ASSERT_EQ(mkfifo(dir_.File("fifo").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir_.File("zero"));
  testing_support::WriteFile(dir_.File("huge"), StatusFixture());
  ASSERT_EQ(truncate(dir_.File("huge").c_str(), static_cast<off_t>(instsw::kMaxStatusFile) + 1), 0);
  struct Case {
    const char* what;
    std::string file;
    bool fault;
  };
  const Case cases[] = {
      {"a FIFO with no writer", dir_.File("fifo"), false},
      {"a link to /dev/zero", dir_.File("zero"), false},
      {"/dev/zero", "/dev/zero", false},
      {"a file over the bound", dir_.File("huge"), false},
      {"an injected read fault", status_, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::ScopedFaultPlan faults;
    if (c.fault) platform::FaultPlan::FailNextFileRead();
    EXPECT_EQ(instsw::InstalledPackages(c.file), std::nullopt);
    if (c.fault) platform::FaultPlan::FailNextFileRead();
    CDlgInstSwListBox::SetStatusFile(c.file);
    CDlgInstSwListBox box;
    box.show();
    box.SourceList()->setCurrentIndex(1);
    EXPECT_EQ(box.Results().Names(), QStringList{});
    EXPECT_TRUE(box.CountLine()->text().isEmpty());
  }
  EXPECT_EQ(instsw::InstalledPackages(status_), kInstalledInFileOrder);
  // Nothing was made beside the files.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 4);
}

TEST_F(InstalledSoftwareTest, AKeyWithSubkeysAndValuesShowsBothCountLinesTheValuesLast) {
  struct Case {
    QStringList subkeys;
    QStringList values;
    const char16_t* count;
  };
  const Case cases[] = {
      {{"Zed", "apple"}, {"v1", "V2", "b3"}, u"2개 항목이 검색되었습니다.\n3개 값이 검색되었습니다.\n"},
      {{}, {"only"}, u"\n1개 값이 검색되었습니다.\n"},
      {{}, {}, u""},
  };
  for (const Case& c : cases) {
    std::vector<int> asked;
    CDlgInstSwListBox::SetKeySource([&](int entry) {
      asked.push_back(entry);
      return std::optional<CDlgInstSwListBox::KeyListing>({c.subkeys, c.values});
    });
    CDlgInstSwListBox box;
    box.show();
    box.SourceList()->setCurrentIndex(2);
    box.SourceList()->setCurrentIndex(0);  // entry 0 asks for nothing
    box.SourceList()->setCurrentIndex(1);
    EXPECT_EQ(asked, (std::vector<int>{2, 1}));
    EXPECT_EQ(box.CountLine()->text(), Text(c.count));
    QStringList all = c.subkeys + c.values;
    std::sort(all.begin(), all.end(), [](const QString& a, const QString& b) {
      return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(box.Results().Names(), all);
  }
}

TEST_F(InstalledSoftwareTest, TheRunnerOpensTheBox) {
  shell_test::WhenModal<CDlgInstSwListBox> act([](CDlgInstSwListBox* box) { box->OkButton()->click(); });
  EXPECT_EQ(dlg::RunDialog("CDlgInstSwListBox", 0), 1);
  EXPECT_TRUE(act.Acted());
}

// The machine's own database, against what dpkg itself says is installed.
TEST_F(InstalledSoftwareTest, TheMachinesPackagesAreThoseDpkgCallsInstalled) {
  if (testing_support::Run("command -v dpkg-query").exitCode != 0) GTEST_SKIP() << "no dpkg-query";
  if (!instsw::InstalledPackages(instsw::kDpkgStatusFile)) GTEST_SKIP() << "no readable status database";
  const testing_support::CommandResult dpkg =
      testing_support::Run("dpkg-query -W -f='${Package} ${db:Status-Status}\\n'");
  ASSERT_EQ(dpkg.exitCode, 0);
  QStringList expected;
  for (const std::string& line : testing_support::Lines(dpkg.out)) {
    const std::size_t blank = line.find(' ');
    if (blank != std::string::npos && line.substr(blank + 1) == "installed")
      expected << QString::fromStdString(line.substr(0, blank));
  }
  ASSERT_FALSE(expected.isEmpty());

  CDlgInstSwListBox::SetStatusFile({});
  CDlgInstSwListBox box;
  box.resize(480, 520);
  box.show();
  box.SourceList()->setCurrentIndex(1);
  QStringList shown;
  for (const QString& name : box.Results().Names()) shown << name.section(':', 0, 0);
  shown.sort();
  expected.sort();
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(box.CountLine()->text(), Text(u"%1개 항목이 검색되었습니다.").arg(expected.size()));
  gui_test::Settle();
  shell_test::SaveShot(box, QStringLiteral("instsw_machine"));
}

}  // namespace
