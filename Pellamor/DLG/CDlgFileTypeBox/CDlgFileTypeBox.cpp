#include "Pellamor/DLG/CDlgFileTypeBox/CDlgFileTypeBox.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "Pellamor/App.h"
#include "Pellamor/ScanOptions.h"
#include "platform/message.h"
#include "shared/DialogFrame.h"

namespace {

// Template size in dialog units, the band's height included.
constexpr int kWidth = 200;
constexpr int kHeight = 230;
constexpr int kButtonWidth = 50;
constexpr int kHeaderIconId = 256;

struct Category {
  const char16_t* name;
  std::initializer_list<const char16_t*> extensions;
};

const Category kCategories[] = {
    {u"사진/이미지",
     {u".JPG", u".JPEG", u".JPE", u".JFIF", u".GIF", u".TIF", u".TIFF", u".PNG", u".BMP", u".DIB", u".PSD", u".PCX",
      u".ICO"}},
    {u"웹/문서/한글/오피스", {u".DOC", u".PPT", u".XLS", u".HWP", u".TXT", u".PDF", u".HTM", u".HTML"}},
    {u"이메일/아웃룩", {u".DBX", u".PST"}},
    {u"음악", {u".MP3", u".WMA", u".OGG"}},
    {u"압축파일", {u".ZIP", u".RAR", u".TAR", u".TGZ", u".ARJ", u".LZH", u".ARC"}},
    {u"동영상/비디오/자막", {u".MP4", u".MPG", u".MPEG", u".AVI", u".ASF", u".WMV", u".SMI", u".FLV"}},
    {u"소스코드",
     {u".PHP", u".INC", u".ASP", u".ASM", u".PAS", u".BAS", u".HPP", u".CPP", u".PRJ", u".DSP", u".DSW", u".SLN",
      u".VCPROJ", u".LIB", u".DEF"}},
    {u"실행파일", {u".EXE", u".DLL"}},
};

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

}  // namespace

CDlgFileTypeBox::CDlgFileTypeBox(APPSETTINGS* settings, QWidget* parent)
    : CResizableDialog(parent), settings_(settings) {
  auto frame = dlgframe::DialogTemplate::WholeHeight(this, kWidth, kHeight, Text(u"파일 확장자 선택 도구"),
                                                     Text(u"파일의 확장자를 선택합니다."), kHeaderIconId);
  header_ = frame.Header();
  // The buttons come first in the focus chain: the tree, taking the focus when the dialog opens,
  // would select and open its first category.
  const std::vector<QPushButton*> buttons = frame.RightButtons({dlgframe::kOk, dlgframe::kCancel}, kButtonWidth);
  ok_ = buttons[0];
  cancel_ = buttons[1];

  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("types"));
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  tree_->setRootIsDecorated(true);
  tree_->setGeometry(frame.BodyRect());
  AddAnchor(tree_, anchor::TopLeft, anchor::BottomRight);
  FillTree();
  connect(tree_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnCurrentChanged(current); });
  connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem*, int) { checkJustToggled_ = true; });
  connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { OnClicked(item); });
}

void CDlgFileTypeBox::FillTree() {
  // Categories collapsed, nothing ticked: an earlier choice is not shown again.
  const QSignalBlocker quiet(tree_);
  for (const Category& category : kCategories) {
    auto* root = new QTreeWidgetItem(tree_, QStringList{Text(category.name)});
    root->setCheckState(0, Qt::Unchecked);
    for (const char16_t* ext : category.extensions) {
      auto* item = new QTreeWidgetItem(root, QStringList{Text(ext)});
      item->setCheckState(0, Qt::Unchecked);
    }
    root->setExpanded(false);
  }
}

void CDlgFileTypeBox::OnCurrentChanged(QTreeWidgetItem* current) {
  currentJustChanged_ = true;
  checkJustToggled_ = false;
  if (current && current->childCount() > 0) current->setExpanded(true);
}

void CDlgFileTypeBox::OnClicked(QTreeWidgetItem* item) {
  // A click on the item already selected opens or closes it; a click on a check box only ticks.
  const bool toggle = !currentJustChanged_ && !checkJustToggled_;
  currentJustChanged_ = false;
  checkJustToggled_ = false;
  if (toggle && item && item->childCount() > 0) item->setExpanded(!item->isExpanded());
}

QStringList CDlgFileTypeBox::TickedExtensions() const {
  QStringList ticked;
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    const QTreeWidgetItem* item = *it;
    if (item->childCount() > 0 || item->checkState(0) != Qt::Checked) continue;
    QString text = item->text(0);
    if (text.startsWith(u'.')) text.remove(0, 1);
    if (!text.isEmpty()) ticked << text;
  }
  return ticked;
}

void CDlgFileTypeBox::accept() {
  const QStringList ticked = TickedExtensions();
  if (ticked.isEmpty()) {
    // The earlier choice stays as it was; the user may tick something or cancel.
    platform::ShowMessage(u"선택된 항목이 없습니다.", platform::MsgButtons::Ok, platform::MsgIcon::Warning);
    return;
  }
  if (settings_) {
    settings_->firstList.clear();
    settings_->firstSet.clear();
    for (const QString& ext : ticked) {
      settings_->firstList.push_back(ext.toStdU16String());
      settings_->firstSet.insert(ext.toUpper().toStdU16String());
    }
    settings_->CountListEntries();
    g_nSelectedExtensions = static_cast<int>(settings_->firstSet.size());
  }
  platform::ShowMessage(Text(u"%1개 선택되었습니다.").arg(ticked.size()).toStdU16String(), platform::MsgButtons::Ok,
                        platform::MsgIcon::Information);
  QDialog::accept();
}

bool CDlgFileTypeBox::Open(QWidget* parent, const Args& args) {
  APPSETTINGS* settings = args.settings;
  if (!settings && TheApp()) settings = &TheApp()->settings;
  if (!settings) return false;
  CDlgFileTypeBox dialog(settings, parent);
  return dialog.exec() == QDialog::Accepted;
}

CDlgFileTypeBox::Args CDlgFileTypeBox::ArgsFrom(const dlg::DialogArgs& values) {
  return {values.isEmpty() ? nullptr : values.front().value<APPSETTINGS*>()};
}
