#include "Pellamor/DLG/CSetupPreferenceDlg/CSetupPreferenceDlg.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "Pellamor/DLG/CSetupPreferenceDlg/COptionDRDlg.h"
#include "Pellamor/DLG/CSetupPreferenceDlg/COptionUpdateDlg.h"
#include "controls/PrefsStatic.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

namespace {

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

}  // namespace

CSetupPreferenceDlg::CSetupPreferenceDlg(QWidget* parent) : QDialog(parent) {
  header_ = dlgframe::MakeHeader(this, Text(u"환경설정"), Text(u"프로그램의 사용환경을 설정합니다."), 242);
  header_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setWindowTitle(Text(u"환경설정"));

  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("tree1182"));
  tree_->setHeaderHidden(true);
  tree_->setRootIsDecorated(false);
  tree_->setFixedWidth(130);

  // The pages stand inside the frame, 2 pixels in from its edges, under the caption band.
  frame_ = new QFrame(this);
  frame_->setObjectName(QStringLiteral("frame1184"));
  frame_->setFrameShape(QFrame::StyledPanel);
  caption_ = new CPrefsStatic(frame_);
  caption_->setObjectName(QStringLiteral("caption1183"));
  caption_->SetFontName(QStringLiteral("Verdana"));
  caption_->setFixedHeight(24);
  stack_ = new QStackedWidget(frame_);
  auto* inFrame = new QVBoxLayout(frame_);
  inFrame->setContentsMargins(2, 2, 2, 2);
  inFrame->addWidget(caption_);
  inFrame->addSpacing(6);
  inFrame->addWidget(stack_, 1);

  std::vector<QPushButton*> buttons;
  QHBoxLayout* row = dlgframe::ButtonRowLayout(this,
                                               {{u"확인(&O)", "ok", dlgframe::Role::None, true},
                                                {u"취소(&C)", "cancel", dlgframe::Role::None},
                                                {u"적용(&A)", "apply1185", dlgframe::Role::None}},
                                               &buttons);
  ok_ = buttons[0];
  cancel_ = buttons[1];
  apply_ = buttons[2];

  auto* middle = new QHBoxLayout;
  middle->addWidget(tree_);
  middle->addWidget(frame_, 1);
  auto* body = new QVBoxLayout;
  body->setContentsMargins(11, 11, 11, 11);
  body->addLayout(middle, 1);
  body->addLayout(row);
  dlgframe::StackUnderBand(this, header_, body);
  resize(640, 440);

  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    for (std::size_t i = 0; i < pages_.size(); ++i)
      if (pages_[i].item == item) ShowPage(static_cast<int>(i));
  });
  connect(ok_, &QPushButton::clicked, this, [this] {
    SendToPages(1);
    accept();
  });
  connect(cancel_, &QPushButton::clicked, this, [this] {
    SendToPages(2);
    reject();
  });
  connect(apply_, &QPushButton::clicked, this, [this] { SendToPages(1185); });
}

void CSetupPreferenceDlg::AddPage(QWidget* page, const QString& caption) {
  stack_->addWidget(page);
  auto* item = new QTreeWidgetItem(tree_, QStringList{caption});
  pages_.push_back({page, caption, item});
  if (current_ < 0) {
    ShowPage(0);
    tree_->setCurrentItem(item);
  }
}

QWidget* CSetupPreferenceDlg::Page(int index) const {
  return index >= 0 && index < PageCount() ? pages_[static_cast<std::size_t>(index)].page : nullptr;
}

void CSetupPreferenceDlg::ShowPage(int index) {
  if (index < 0 || index >= PageCount()) return;
  const PageInfo& info = pages_[static_cast<std::size_t>(index)];
  stack_->setCurrentWidget(info.page);
  caption_->setText(info.caption);
  current_ = index;
  if (tree_->currentItem() != info.item) tree_->setCurrentItem(info.item);
}

// Neither page answers the message: their values take effect through their own buttons.
void CSetupPreferenceDlg::SendToPages(int) {}

void CSetupPreferenceDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) return;  // Esc does not close the dialog
  QDialog::keyPressEvent(event);
}

bool CSetupPreferenceDlg::Open(QWidget* parent, const Args&) {
  CSetupPreferenceDlg dialog(parent);
  dialog.AddPage(new COptionDRDlg, Text(u"데이터복구"));
  dialog.AddPage(new COptionUpdateDlg, Text(u"업데이트"));
  return dialog.exec() == QDialog::Accepted;
}

CSetupPreferenceDlg::Args CSetupPreferenceDlg::ArgsFrom(const dlg::DialogArgs&) { return {}; }
