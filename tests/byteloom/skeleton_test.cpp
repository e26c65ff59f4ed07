#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Byteloom/AboutDlg.h"
#include "Byteloom/BootmendDlg.h"
#include "Byteloom/ByteloomDlg.h"
#include "Byteloom/Programs.h"
#include "platform/message.h"
#include "platform/program_folder.h"
#include "shared/ByteloomBase.h"
#include "shared/DialogHeaderCtrl.h"
#include "tests/shell/shell_support.h"
#include "tests/support/test_support.h"

namespace {

using shell_test::ThenClose;
using shell_test::WhenModal;

QString Q(const char16_t* text) { return QString::fromUtf16(text); }

// A program folder holding copies of the support modules that build/bin has.
class ProgramFolder {
 public:
  explicit ProgramFolder(const std::vector<std::string>& modules) {
    for (const std::string& m : modules)
      std::filesystem::copy_file(testing_support::BinDir() + "/" + m, dir_.File(m));
    platform::SetProgramFolderOverride(dir_.path());
  }
  ~ProgramFolder() { platform::SetProgramFolderOverride(""); }

 private:
  testing_support::TempDir dir_;
};

QStringList Args(const QString& program, const std::vector<const char*>& args) {
  QStringList list{program};
  for (const char* a : args) list.append(QString::fromUtf8(a));
  return list;
}

class SkeletonTest : public ::testing::Test {
 protected:
  QApplication& app_ = shell_test::App();
  platform::RecordingMessageSink sink_;
  platform::ScopedMessageSink guard_{&sink_};
};

TEST_F(SkeletonTest, AWrongCommandLineShowsTheParameterTextAndEndsWithTwo) {
  ProgramFolder folder({"util.dll", "ver.dll"});
  const std::vector<std::vector<const char*>> cases = {
      {},
      {"-a", "-b", "-c", "-d", "-e"},
      {"-run"},
      {"-go", "gui"},
      {"gui"},
  };
  for (const byteloom::Program& program : {byteloom::ByteloomProgram(), byteloom::BootmendProgram()}) {
    for (const auto& args : cases) {
      sink_.Clear();
      WhenModal<QDialog> never([](QDialog*) {}, ThenClose::kReject);
      EXPECT_EQ(byteloom::RunProgram(program, Args(program.name, args)), byteloom::kBadCommandLine)
          << program.name.toStdString() << " " << args.size();
      EXPECT_FALSE(never.Acted());
      const QString expected = QString::fromUtf16(
          u"벨로닌SDK\n\n: 매개변수가 입력되지 않았습니다.\n\n- %1 은(는) 매개변수에 의한 명령형 실행 프로그램입니다.")
                                   .arg(program.name);
      EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>{expected.toStdU16String()});
    }
  }
}

TEST_F(SkeletonTest, RunWithAnyValueOpensTheDialogAndEndsWithZero) {
  ProgramFolder folder({"util.dll", "ver.dll"});
  const std::vector<std::vector<const char*>> cases = {
      {"-run", "gui"}, {"-run", "GUI"}, {"-run", "other"}, {"-a", "-b"}, {"-a", "-b", "-c", "-d"}};
  for (const auto& args : cases) {
    sink_.Clear();
    QString title;
    WhenModal<QDialog> close([&](QDialog* d) { title = d->windowTitle(); }, ThenClose::kReject);
    EXPECT_EQ(byteloom::RunProgram(byteloom::ByteloomProgram(), Args("Byteloom", args)), 0) << args.size();
    EXPECT_TRUE(close.Acted());
    EXPECT_EQ(title, QStringLiteral("Disk Byteloomor"));
    EXPECT_TRUE(sink_.Texts().empty());
  }
  WhenModal<CBootmendDlg> close([](CBootmendDlg*) {}, ThenClose::kReject);
  EXPECT_EQ(byteloom::RunProgram(byteloom::BootmendProgram(), Args("Bootmend", {"-run", "gui"})), 0);
  EXPECT_TRUE(close.Acted());
  EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("OrbaneLab"));
}

TEST_F(SkeletonTest, AMissingModuleShowsTheProgramsTextAndEndsTheProcess) {
  struct Case {
    std::vector<std::string> present;
    const char* program;
  };
  for (const Case& c : {Case{{"ver.dll"}, "Byteloom"}, Case{{"util.dll"}, "Byteloom"}, Case{{"ver.dll"}, "Bootmend"},
                        Case{{}, "Bootmend"}}) {
    ProgramFolder folder(c.present);
    sink_.Clear();
    const byteloom::Program program =
        QString::fromUtf8(c.program) == "Byteloom" ? byteloom::ByteloomProgram() : byteloom::BootmendProgram();
    WhenModal<QDialog> never([](QDialog*) {}, ThenClose::kReject);
    int code = 0;
    try {
      byteloom::RunProgram(program, Args(program.name, {"-run", "gui"}));
      ADD_FAILURE() << "the program went on";
    } catch (const platform::ProcessExit& exit) {
      code = exit.code;
    }
    EXPECT_NE(code, 0);
    EXPECT_FALSE(never.Acted());
    const QString expected =
        QString::fromUtf16(u"코르바네\n\n: 프로그램 구동에 필요한 파일이 없습니다.\n\n- %1 은(는) 코르바네의 일부 구성 요소를 필요로 합니다.")
            .arg(program.name);
    EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>{expected.toStdU16String()}) << c.program;
  }
}

TEST_F(SkeletonTest, ByteloomShowsZeroBytesAndItsToolsAreNotInThisVersion) {
  CByteloomDlg dialog;
  dialog.show();
  shell_test::WaitFor([&] { return dialog.isVisible(); });
  gui_test::Settle();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Disk Byteloomor"));
  EXPECT_EQ(dialog.Header()->Title(), Q(u"16진수 편집도구"));
  EXPECT_EQ(dialog.Header()->Description(), Q(u"디스크 또는 파일을 16진수 형태로 편집합니다."));
  CByteloomBase& hex = *dialog.HexView();
  EXPECT_EQ(hex.Data(), QByteArray(512, '\0'));
  EXPECT_TRUE(hex.IsMultiLine());
  EXPECT_EQ(hex.AddressDigits(), 4);
  EXPECT_TRUE(hex.IsAddressShown());
  EXPECT_TRUE(hex.IsAsciiShown());
  EXPECT_TRUE(hex.IsAutoFit());
  EXPECT_EQ(hex.BytesPerRow(), 16);
  EXPECT_EQ(hex.MaxHorizontalPosition(), 0);
  EXPECT_EQ(dialog.MoveButton()->text(), Q(u"이동"));
  EXPECT_EQ(dialog.SaveButton()->text(), Q(u"저장"));
  EXPECT_EQ(dialog.OkButton()->text(), Q(u"확인"));
  EXPECT_EQ(dialog.List()->model(), nullptr);
  EXPECT_EQ(dialog.ScrollBar()->maximum(), 0);
  EXPECT_EQ(dialog.windowIcon().pixmap(32).toImage(), CDialogHeaderCtrl::IconForId(128).pixmap(32).toImage());
  gui_test::SaveShot(dialog, "byteloom_dialog");

  hex.setFocus();
  QTest::keyClicks(&hex, "4142");
  const QByteArray edited = hex.Data();
  EXPECT_EQ(edited.left(2), QByteArray("AB"));
  for (QPushButton* button : {dialog.MoveButton(), dialog.SaveButton()}) {
    sink_.Clear();
    button->click();
    EXPECT_EQ(sink_.Texts(), std::vector<std::u16string>{u"이 버전에서는 이용할 수 없습니다."});
    EXPECT_EQ(hex.Data(), edited);
    EXPECT_TRUE(dialog.isVisible());
  }
}

TEST_F(SkeletonTest, TheAboutBoxOpensFromTheContextMenuAndF1) {
  for (const byteloom::Program& program : {byteloom::ByteloomProgram(), byteloom::BootmendProgram()}) {
    std::unique_ptr<QDialog> made = program.makeDialog();
    auto* dialog = qobject_cast<CStandaloneDlg*>(made.get());
    ASSERT_NE(dialog, nullptr);
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));

    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20), dialog->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(dialog, &event);
    gui_test::Settle();
    QMenu* menu = dialog->ContextMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().front()->text(), Q(u"%1 정보(&A)...").arg(program.name));
    gui_test::SaveShot(*menu, program.name.toLower() + "_context_menu");

    QString title, version;
    bool hasIcon = false;
    auto look = [&](CAboutDlg* about) {
      title = about->windowTitle();
      version = about->VersionLabel()->text();
      hasIcon = !about->IconLabel()->pixmap().isNull();
      gui_test::SaveShot(*about, program.name.toLower() + "_about");
    };
    {
      WhenModal<CAboutDlg> about(look, ThenClose::kReject);
      menu->actions().front()->trigger();
      menu->close();
      EXPECT_TRUE(about.Acted());
    }
    EXPECT_EQ(title, Q(u"%1 정보").arg(program.name));
    EXPECT_EQ(version, Q(u"%1, 버전 1.0").arg(program.name));
    EXPECT_TRUE(hasIcon);

    // F1 reaches it also while the hex view has the focus.
    title.clear();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    dialog->findChild<CByteloomBase*>()->setFocus();
    {
      WhenModal<CAboutDlg> about(look, ThenClose::kReject);
      QTest::keyClick(dialog->findChild<CByteloomBase*>(), Qt::Key_F1);
      EXPECT_TRUE(about.Acted());
    }
    EXPECT_EQ(title, Q(u"%1 정보").arg(program.name));
  }
}

TEST_F(SkeletonTest, BootmendShowsItsHeaderAndAnEmptyPartitionGroup) {
  CBootmendDlg dialog;
  dialog.show();
  gui_test::Settle();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Bootmend"));
  EXPECT_EQ(dialog.Header()->Title(), Q(u"MBR 편집 및 보정도구"));
  EXPECT_EQ(dialog.Header()->Description(), Q(u"디스크 마스터부트영역을 편집합니다."));
  EXPECT_EQ(dialog.PartitionGroup()->title(), Q(u"파티션 테이블"));
  EXPECT_TRUE(dialog.PartitionGroup()->findChildren<QWidget*>().isEmpty());
  EXPECT_EQ(dialog.HexView()->Data(), QByteArray(512, '\0'));
  EXPECT_EQ(dialog.HexView()->BytesPerRow(), 16);
  gui_test::SaveShot(dialog, "bootmend_dialog");
}

// Both programs show the suite's dialog frame, as the main program's dialogs do: the band across
// the top at its own height, also when the dialog grows, and "확인" as the default button, which
// Enter presses.
TEST_F(SkeletonTest, BothProgramsShowTheSuitesBandAndOkRow) {
  for (const byteloom::Program& program : {byteloom::ByteloomProgram(), byteloom::BootmendProgram()}) {
    SCOPED_TRACE(program.name.toStdString());
    std::unique_ptr<QDialog> made = program.makeDialog();
    auto* dialog = qobject_cast<CStandaloneDlg*>(made.get());
    ASSERT_NE(dialog, nullptr);
    dialog->show();
    gui_test::Settle();
    CDialogHeaderCtrl* header = dialog->Header();
    const QRect band(0, 0, dialog->width(), header->sizeHint().height());
    EXPECT_EQ(header->geometry(), band);
    EXPECT_TRUE(header->Icon().isNull());
    dialog->resize(dialog->width() + 100, dialog->height() + 200);
    gui_test::Settle();
    EXPECT_EQ(header->geometry(), band.adjusted(0, 0, 100, 0));
    EXPECT_GT(dialog->HexView()->y(), header->geometry().bottom());

    QPushButton* ok = dialog->OkButton();
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(ok->autoDefault());
    EXPECT_GT(ok->y(), dialog->HexView()->geometry().bottom());
    QWidget* field = dialog->findChild<QLineEdit*>();  // Bootmend has none: its dialog takes the key
    if (!field) field = dialog;
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
  }
}

}  // namespace
