// The dialog frame of every program: the fixed templates' band, body and button row, the
// layout-built dialogs' band and column, and the information boxes' text.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QVBoxLayout>

#include <memory>
#include <vector>

#include "controls/ResizableDialog.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"
#include "tests/support/gui_support.h"

namespace {

using dlgframe::DialogTemplate;

const QString kTitle = QString::fromUtf16(u"항목 정보");
const QString kDescription = QString::fromUtf16(u"목록에서 표시되는 항목이 많은 경우 일목요연하게 보여줍니다.");

enum class Kind { BodyBelowBand, WholeHeight, WithoutBand };

struct TemplateCase {
  const char* name;
  Kind kind;
  int width;
  int height;  // the body's, or the whole dialog's
};

const TemplateCase kTemplateCases[] = {
    {"band and a body below it", Kind::BodyBelowBand, 260, 52},
    {"band inside the whole height", Kind::WholeHeight, 280, 200},
    {"no band", Kind::WithoutBand, 230, 104},
};

DialogTemplate Make(CResizableDialog* dialog, const TemplateCase& c) {
  switch (c.kind) {
    case Kind::BodyBelowBand: return DialogTemplate(dialog, c.width, c.height, kTitle, kDescription, 242);
    case Kind::WholeHeight: return DialogTemplate::WholeHeight(dialog, c.width, c.height, kTitle, kDescription, 242);
    case Kind::WithoutBand: return DialogTemplate::WithoutBand(dialog, c.width, c.height, kTitle);
  }
  return DialogTemplate::WithoutBand(dialog, c.width, c.height, kTitle);
}

// Each template's size in dialog units, its band across the top at the band's own height, the body
// between the band and the buttons inside the margins, and "확인" "취소" at the bottom right; the
// band and the buttons follow a larger size.
TEST(DialogFrame, TemplatesPlaceTheBandTheBodyAndTheButtons) {
  gui_test::App();
  for (const TemplateCase& c : kTemplateCases) {
    SCOPED_TRACE(c.name);
    CResizableDialog dialog;
    DialogTemplate frame = Make(&dialog, c);
    const int band = c.kind == Kind::WithoutBand ? 0 : frame.Header()->sizeHint().height();
    EXPECT_EQ(dialog.windowTitle(), kTitle);
    EXPECT_EQ(dialog.width(), frame.X(c.width));
    EXPECT_EQ(dialog.height(), c.kind == Kind::BodyBelowBand ? band + frame.Y(c.height) : frame.Y(c.height));
    EXPECT_EQ(frame.Width(), dialog.width());
    EXPECT_EQ(frame.Height(), dialog.height());
    if (c.kind == Kind::WithoutBand) {
      EXPECT_EQ(frame.Header(), nullptr);
    } else {
      ASSERT_NE(frame.Header(), nullptr);
      EXPECT_EQ(frame.Header()->geometry(), QRect(0, 0, dialog.width(), band));
      EXPECT_EQ(frame.Header()->Title(), kTitle);
      EXPECT_EQ(frame.Header()->Description(), kDescription);
      EXPECT_FALSE(frame.Header()->Icon().isNull());
    }

    const int margin = frame.X(DialogTemplate::kMargin);
    const QRect body = frame.BodyRect();
    EXPECT_EQ(body.top(), band + frame.Y(DialogTemplate::kMargin));
    EXPECT_EQ(body.left(), margin);
    EXPECT_EQ(dialog.width() - 1 - body.right(), margin);
    EXPECT_EQ(body.bottom() + 1 + frame.Y(DialogTemplate::kMargin), frame.ButtonTop());

    const std::vector<QPushButton*> buttons = frame.RightButtons({dlgframe::kOk, dlgframe::kCancel}, 50);
    ASSERT_EQ(buttons.size(), 2u);
    QPushButton* ok = buttons[0];
    QPushButton* cancel = buttons[1];
    EXPECT_EQ(ok->text(), QString::fromUtf16(u"확인"));
    EXPECT_EQ(cancel->text(), QString::fromUtf16(u"취소"));
    EXPECT_EQ(ok->size(), QSize(frame.X(50), frame.Y(DialogTemplate::kButtonHeight)));
    EXPECT_EQ(ok->y(), frame.ButtonTop());
    EXPECT_EQ(dialog.width() - 1 - cancel->geometry().right(), margin);
    EXPECT_EQ(cancel->x() - ok->geometry().right() - 1, frame.X(DialogTemplate::kButtonGap));
    EXPECT_EQ(dialog.height() - 1 - ok->geometry().bottom(), frame.Y(DialogTemplate::kMargin));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(ok->autoDefault());
    EXPECT_FALSE(cancel->autoDefault());

    const QRect okAt = ok->geometry();
    dialog.show();
    gui_test::Settle();
    dialog.resize(dialog.width() + 120, dialog.height() + 90);
    gui_test::Settle();
    EXPECT_EQ(ok->geometry(), okAt.translated(120, 90));
    if (frame.Header()) { EXPECT_EQ(frame.Header()->geometry(), QRect(0, 0, dialog.width(), band)); }
  }
}

// The left row starts at the left margin and stays at the bottom left.
TEST(DialogFrame, LeftButtonsStartAtTheLeftMargin) {
  gui_test::App();
  CResizableDialog dialog;
  DialogTemplate frame(&dialog, 250, 84, kTitle, kDescription, 0);
  EXPECT_TRUE(frame.Header()->Icon().isNull());
  QPushButton* left = frame.LeftButtons({{u"기본값", "default"}}, 50)[0];
  EXPECT_EQ(left->pos(), QPoint(frame.X(DialogTemplate::kMargin), frame.ButtonTop()));
  const QPoint at = left->pos();
  dialog.show();
  gui_test::Settle();
  dialog.resize(dialog.width() + 60, dialog.height() + 40);
  gui_test::Settle();
  EXPECT_EQ(left->pos(), at + QPoint(0, 40));
}

// A layout-built dialog: the band across the top keeps its height however tall the dialog grows,
// also over a body that takes no stretch.
TEST(DialogFrame, TheBandOfALayoutBuiltDialogKeepsItsHeight) {
  gui_test::App();
  for (int bodyStretch : {0, 1}) {
    SCOPED_TRACE(bodyStretch);
    QDialog dialog;
    CDialogHeaderCtrl* header = dlgframe::MakeHeader(&dialog, kTitle, kDescription, 242);
    auto* body = new QVBoxLayout;
    body->addWidget(new QLabel(QStringLiteral("본문")));
    dlgframe::StackUnderBand(&dialog, header, body, bodyStretch);
    dialog.show();
    gui_test::Settle();
    const int band = header->sizeHint().height();
    EXPECT_EQ(header->geometry(), QRect(0, 0, dialog.width(), band));
    dialog.resize(dialog.width() + 200, dialog.height() + 300);
    gui_test::Settle();
    EXPECT_EQ(header->geometry(), QRect(0, 0, dialog.width(), band));
  }
}

// BandLayout's column under the band, inside its margins, ended by its button row: Enter in a
// field presses "확인", which accepts; "취소" rejects.
TEST(DialogFrame, BandLayoutStacksTheColumnAndEndsItWithTheButtons) {
  gui_test::App();
  for (bool okOnly : {true, false}) {
    SCOPED_TRACE(okOnly);
    QDialog dialog;
    dlgframe::BandLayout frame(&dialog, kTitle, kDescription, 242, QMargins(9, 9, 9, 9));
    EXPECT_EQ(dialog.windowTitle(), kTitle);
    auto* field = new QLineEdit;
    frame.Column()->addWidget(field);
    std::vector<QPushButton*> buttons;
    if (okOnly) {
      buttons.push_back(frame.AddOkRow());
    } else {
      buttons = frame.AddButtonRow({dlgframe::kOk, dlgframe::kCancel});
    }
    ASSERT_EQ(buttons.size(), okOnly ? 1u : 2u);
    dialog.show();
    gui_test::Settle();
    EXPECT_EQ(frame.Header()->geometry(), QRect(0, 0, dialog.width(), frame.Header()->sizeHint().height()));
    EXPECT_EQ(field->x(), 9);
    EXPECT_EQ(field->y(), frame.Header()->height() + 9);
    QPushButton* ok = buttons[0];
    EXPECT_EQ(ok->text(), QString::fromUtf16(u"확인"));
    EXPECT_EQ(dialog.height() - 1 - ok->geometry().bottom(), 9);
    EXPECT_EQ(dialog.width() - 1 - buttons.back()->geometry().right(), 9);
    EXPECT_GT(ok->y(), field->geometry().bottom());

    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    if (!okOnly) {
      dialog.show();
      gui_test::Settle();
      buttons[1]->click();
      EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
  }
}

// The information boxes' text: read only, not wrapped, lines ended by CR LF or by LF alone.
TEST(DialogFrame, InfoTextShowsCrLfLines) {
  gui_test::App();
  QDialog dialog;
  QPlainTextEdit* box = dlgframe::MakeInfoText(&dialog, "text");
  EXPECT_EQ(box->objectName(), QStringLiteral("text"));
  EXPECT_TRUE(box->isReadOnly());
  EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::NoWrap);
  dlgframe::ShowInfoText(box, QStringLiteral("\r\n이름: a\r\n크기: 1\nend"));
  QStringList lines;
  for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next()) lines << b.text();
  EXPECT_EQ(lines, (QStringList{QString(), QString::fromUtf16(u"이름: a"), QString::fromUtf16(u"크기: 1"),
                                QStringLiteral("end")}));
}

}  // namespace
