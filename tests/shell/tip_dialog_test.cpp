#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QTest>

#include <filesystem>
#include <string>

#include "Pellamor/DLG/CTipDlg/CTipDlg.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/Settings.h"
#include "platform/fault_plan.h"
#include "platform/message.h"
#include "platform/program_folder.h"
#include "shell_support.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::TempDir;

const QString kBrokenTitle = QString::fromUtf16(u"파일이 없거나 문제가 있습니다.");
const QString kReadFailure = QString::fromUtf16(u"오늘의 팁 파일(tips.txt)을 읽는데 문제가 있습니다");
const QString kDefaultTitle = QString::fromUtf16(u"... 알고 계십니까?");

class TipDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell_test::App();
    profile::SetProfileFile(QString::fromStdString(dir_.File("profile.ini")));
    std::filesystem::create_directories(dir_.File("program/help"));
    platform::SetProgramFolderOverride(dir_.File("program"));
  }
  void TearDown() override {
    platform::SetProgramFolderOverride("");
    profile::SetProfileFile({});
  }
  std::string TipsFile() const { return dir_.File("program/help/tips.1042.txt"); }
  void WriteTips(const std::string& bytes) { testing_support::WriteFile(TipsFile(), bytes); }
  // Moves the file's modification time, as a replaced file has.
  void Touch(int secondsLater) {
    const auto file = std::filesystem::path(TipsFile());
    std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::seconds(secondsLater));
  }
  static QString Tip(const CTipDlg& d) { return d.TipEdit()->toPlainText(); }

  TempDir dir_;
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
};

TEST_F(TipDialogTest, AFileWithoutATipIsReadRoundOnceAndSaysSo) {
  WriteTips(";첫 주석\n ;공백\n\t탭\n\n\r\n;끝");
  CTipDlg dialog;
  EXPECT_EQ(dialog.TitleLabel()->text(), kBrokenTitle);
  EXPECT_EQ(Tip(dialog), kReadFailure);
  EXPECT_FALSE(dialog.NextButton()->isEnabled());
  EXPECT_FALSE(dialog.HelpButton()->isEnabled());
  QTest::keyClick(&dialog, Qt::Key_Escape);  // Esc is "다음": nothing more to read
  EXPECT_EQ(Tip(dialog), kReadFailure);
}

TEST_F(TipDialogTest, AnEmptyFileToo) {
  WriteTips("");
  CTipDlg dialog;
  EXPECT_EQ(dialog.TitleLabel()->text(), kBrokenTitle);
  EXPECT_EQ(Tip(dialog), kReadFailure);
  EXPECT_FALSE(dialog.NextButton()->isEnabled());
}

TEST_F(TipDialogTest, MissingFile) {
  {
    CTipDlg dialog;
    EXPECT_EQ(dialog.TitleLabel()->text(), kBrokenTitle);
    EXPECT_EQ(Tip(dialog), QString::fromUtf16(u"오늘의 팁 파일(tips.txt)이 현재 디렉토리에 없습니다."));
    EXPECT_FALSE(dialog.NextButton()->isEnabled());
  }
  EXPECT_FALSE(profile::HasProfileKey("Tip", "FilePos"));
}

// A tips file that is no regular file is refused at once, before a read could wait for a writer
// or never end: the missing-file state. One that cannot be read whole says so.
TEST_F(TipDialogTest, AFifoADeviceOrAnUnreadableFileEndsAtOnceInTheBrokenState) {
  const QString noFile = QString::fromUtf16(u"오늘의 팁 파일(tips.txt)이 현재 디렉토리에 없습니다.");
  enum class Kind { kFifo, kZero, kHuge, kFault };
  struct Case {
    const char* what;
    Kind kind;
    QString body;
  };
  const Case cases[] = {
      {"a FIFO with no writer", Kind::kFifo, noFile},
      {"a link to /dev/zero", Kind::kZero, noFile},
      {"a file over the bound", Kind::kHuge, kReadFailure},
      {"a failed read", Kind::kFault, kReadFailure},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(TipsFile());
    platform::ScopedFaultPlan faults;
    switch (c.kind) {
      case Kind::kFifo: ASSERT_EQ(mkfifo(TipsFile().c_str(), 0600), 0); break;
      case Kind::kZero: std::filesystem::create_symlink("/dev/zero", TipsFile()); break;
      case Kind::kHuge:
        WriteTips("팁\n");
        ASSERT_EQ(truncate(TipsFile().c_str(), static_cast<off_t>(tips::kMaxFileBytes) + 1), 0);
        break;
      case Kind::kFault:
        WriteTips("팁\n");
        platform::FaultPlan::FailNextFileRead();
        break;
    }
    {
      CTipDlg dialog;
      EXPECT_EQ(dialog.TitleLabel()->text(), kBrokenTitle);
      EXPECT_EQ(Tip(dialog), c.body);
      EXPECT_FALSE(dialog.FileOpen());
      EXPECT_FALSE(dialog.NextButton()->isEnabled());
      QTest::keyClick(&dialog, Qt::Key_Escape);  // "다음" reads nothing
      EXPECT_EQ(Tip(dialog), c.body);
    }
    EXPECT_FALSE(profile::HasProfileKey("Tip", "FilePos"));
    EXPECT_FALSE(profile::HasProfileKey("Tip", "TimeStamp"));
    EXPECT_TRUE(sink_.Texts().empty());
    // Nothing was made beside the file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.File("program/help")), {}), 1);
  }
}

TEST_F(TipDialogTest, EachOpeningContinuesWithTheNextTip) {
  WriteTips("; 주석\n첫째 팁\t첫째 제목\n\n둘째 팁\t둘째 제목\t분류\t7\n셋째 팁만\n");
  {
    CTipDlg dialog;
    EXPECT_EQ(Tip(dialog), QString::fromUtf16(u"첫째 팁"));
    EXPECT_EQ(dialog.TitleLabel()->text(), QString::fromUtf16(u"첫째 제목"));
    EXPECT_FALSE(dialog.HelpButton()->isEnabled());
    EXPECT_TRUE(dialog.NextButton()->isEnabled());
    EXPECT_TRUE(dialog.CategoryLabel()->isHidden());
  }
  {
    CTipDlg dialog;
    EXPECT_EQ(Tip(dialog), QString::fromUtf16(u"둘째 팁"));
    EXPECT_EQ(dialog.TitleLabel()->text(), QString::fromUtf16(u"둘째 제목"));
    EXPECT_EQ(dialog.CategoryText(), QString::fromUtf16(u"분류"));
    EXPECT_EQ(dialog.HelpNumber(), 7);
    EXPECT_TRUE(dialog.HelpButton()->isEnabled());
    QTest::mouseClick(dialog.NextButton(), Qt::LeftButton);
    // A line without a tab: the whole line is the body, with the default title and no help.
    EXPECT_EQ(Tip(dialog), QString::fromUtf16(u"셋째 팁만"));
    EXPECT_EQ(dialog.TitleLabel()->text(), kDefaultTitle);
    EXPECT_FALSE(dialog.HelpButton()->isEnabled());
    QTest::keyClick(&dialog, Qt::Key_Escape);  // Esc is "다음", round to the start
    EXPECT_EQ(Tip(dialog), QString::fromUtf16(u"첫째 팁"));
    gui_test::Settle();
    dialog.show();
    gui_test::Settle();
    shell_test::SaveShot(dialog, "tip_of_the_day");
  }
  CTipDlg third;
  EXPECT_EQ(Tip(third), QString::fromUtf16(u"둘째 팁"));
}

TEST_F(TipDialogTest, AReplacedFileRestartsAtItsFirstTip) {
  WriteTips("하나\n둘\n");
  { CTipDlg dialog; }
  {
    CTipDlg dialog;
    EXPECT_EQ(Tip(dialog), "둘");
  }
  WriteTips("새 하나\n새 둘\n");
  Touch(5);
  CTipDlg dialog;
  EXPECT_EQ(Tip(dialog), QString::fromUtf16(u"새 하나"));
  const QString stamp = profile::GetProfileString("Tip", "TimeStamp");
  EXPECT_TRUE(stamp.contains(QLatin1Char('T')) && stamp.contains(QLatin1Char('.'))) << stamp.toStdString();
}

TEST_F(TipDialogTest, AStoredPositionOutsideTheFileReadsAsZero) {
  WriteTips("처음\n나중\n");
  { CTipDlg dialog; }  // stores the time stamp
  profile::WriteProfileInt("Tip", "FilePos", 1000000);
  CTipDlg dialog;
  EXPECT_EQ(Tip(dialog), QString::fromUtf16(u"처음"));
}

TEST_F(TipDialogTest, LongLinesCrLfBlanksAndCodePageLines) {
  const std::string longLine(3500, 'x');
  // "한글" in the Korean code page, not UTF-8.
  const std::string cp949 = "\xC7\xD1\xB1\xDB\t\xC1\xA6\xB8\xF1";
  WriteTips("\r\n\r\r\n" + longLine + "\r\n" + "뒤\r\n\r\n" + cp949 + "\r\n");
  CTipDlg dialog;
  EXPECT_EQ(Tip(dialog), QString(CTipDlg::kMaxLineChars, QLatin1Char('x')));
  QTest::mouseClick(dialog.NextButton(), Qt::LeftButton);
  EXPECT_EQ(Tip(dialog), QString::fromUtf16(u"뒤"));  // never the rest of the long line, nor a CR
  QTest::mouseClick(dialog.NextButton(), Qt::LeftButton);
  EXPECT_EQ(Tip(dialog), QString::fromUtf16(u"한글"));
  EXPECT_EQ(dialog.TitleLabel()->text(), QString::fromUtf16(u"제목"));
}

TEST_F(TipDialogTest, ALongUtf8LineIsCutAtACharacter) {
  std::string line;
  for (int i = 0; i < 3100; ++i) line += "팁";
  WriteTips(line + "\n다음\n");
  CTipDlg dialog;
  EXPECT_EQ(Tip(dialog), QString(CTipDlg::kMaxLineChars, QChar(u'팁')));
  QTest::mouseClick(dialog.NextButton(), Qt::LeftButton);
  EXPECT_EQ(Tip(dialog), QString::fromUtf16(u"다음"));
}

TEST_F(TipDialogTest, CloseStoresTheStartUpBox) {
  WriteTips("팁\n");
  struct Row {
    bool ticked;
    int stored;
  };
  for (const Row r : {Row{false, 1}, Row{true, 0}}) {
    CTipDlg dialog;
    EXPECT_TRUE(dialog.StartUpBox()->isChecked() == (r.stored == 1));  // as the last close left it
    dialog.StartUpBox()->setChecked(r.ticked);
    QTest::mouseClick(dialog.CloseButton(), Qt::LeftButton);
    EXPECT_EQ(profile::GetProfileInt("Tip", "StartUp", -1), r.stored);
  }
  // The close box closes like "닫기(&C)".
  CTipDlg dialog;
  dialog.show();
  dialog.StartUpBox()->setChecked(false);
  dialog.close();
  EXPECT_EQ(profile::GetProfileInt("Tip", "StartUp", -1), 1);
}

TEST_F(TipDialogTest, TheRegistryNameRunsTheDialog) {
  WriteTips("팁\n");
  dlg::RegisterAllDialogs();
  shell_test::WhenModal<CTipDlg> act([](CTipDlg* d) { d->CloseButton()->click(); });
  EXPECT_EQ(dlg::RunDialog("CTipDlg"), 1);
  EXPECT_TRUE(act.Acted());
}

TEST(ShippedTips, EveryLineIsACommentOrATipOfAtMostFourFields) {
  QFile file(QString::fromStdString(testing_support::BinDir() + "/help/tips.1042.txt"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  const QString text = utf8(bytes);
  ASSERT_FALSE(utf8.hasError());
  int tips = 0;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    if (line.isEmpty() || line.front() == QLatin1Char(';') || line.front() == QLatin1Char(' ') ||
        line.front() == QLatin1Char('\t'))
      continue;
    EXPECT_FALSE(line.contains(QLatin1Char('\r')));
    EXPECT_LE(line.count(QLatin1Char('\t')), 3) << line.toStdString();
    EXPECT_LE(line.size(), CTipDlg::kMaxLineChars);
    ++tips;
  }
  EXPECT_GT(tips, 0);
}

}  // namespace
