#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "controls/DialogUnits.h"
#include "controls/FolderDialog.h"
#include "controls/ResizableDialog.h"
#include "controls/TabCtrlSSL.h"
#include "controls/TabPageSSL.h"
#include "tests/gallery/gallery.h"

namespace {

// Children are placed in dialog units at the template size, then anchored.
class Placer {
 public:
  explicit Placer(QWidget* dialog) : dialog_(dialog), base_(BaseUnitsOf(dialog->font())) {}
  template <class W>
  W* Put(W* child, int x, int y, int w, int h) {
    child->setParent(dialog_);
    child->setGeometry(DialogUnitsToPixels(QRect(x, y, w, h), base_));
    return child;
  }
  QSize Size(int w, int h) const { return DialogUnitsToPixels(QSize(w, h), base_); }

 private:
  QWidget* dialog_;
  DialogBaseUnits base_;
};

// Where the recovered files go: the folder edit grows with the page, its button stays at the right.
class TargetPage : public CTabPageSSL {
 public:
  TargetPage() {
    Placer p(this);
    resize(p.Size(260, 120));
    p.Put(new QLabel(QStringLiteral("복구할 데이터가 저장될 폴더:")), 6, 6, 200, 10);
    folder_ = p.Put(new QLineEdit(QDir::homePath()), 6, 18, 190, 14);
    browse_ = p.Put(new QPushButton(QStringLiteral("찾아보기...")), 200, 17, 54, 16);
    browse_->setObjectName(QStringLiteral("browse"));
    auto* structure = p.Put(new QCheckBox(QStringLiteral("원래 폴더 구조 유지")), 6, 40, 200, 12);
    structure->setChecked(true);
    auto* overwrite = p.Put(new QCheckBox(QStringLiteral("같은 이름의 파일은 덮어쓰기")), 6, 54, 200, 12);
    auto* note = p.Put(new QLabel(QStringLiteral("읽고 있는 디스크에는 저장하지 마십시오.")), 6, 100, 248, 12);
    AddAnchor(folder_, anchor::TopLeft, anchor::TopRight);
    AddAnchor(browse_, anchor::TopRight);
    AddAnchor(structure, anchor::TopLeft);
    AddAnchor(overwrite, anchor::TopLeft);
    AddAnchor(note, anchor::BottomLeft, anchor::BottomRight);
    QObject::connect(browse_, &QPushButton::clicked, this, [this] {
      CFolderDialog picker(folder_->text(), this);
      if (picker.DoModal() == CFolderDialog::kOk) folder_->setText(QDir::toNativeSeparators(picker.GetFolderPath()));
    });
  }

 private:
  QLineEdit* folder_;
  QPushButton* browse_;
};

// File types to recover: the list fills the page, its buttons stay at the bottom right.
class TypesPage : public CTabPageSSL {
 public:
  TypesPage() {
    Placer p(this);
    resize(p.Size(260, 120));
    auto* list = p.Put(new QListWidget, 6, 6, 248, 88);
    for (const char16_t* type : {u"한글 문서 (*.hwp)", u"JPEG 이미지 (*.jpg)", u"텍스트 문서 (*.txt)",
                                 u"압축 파일 (*.zip)", u"PDF 문서 (*.pdf)"}) {
      auto* item = new QListWidgetItem(QString::fromUtf16(type), list);
      item->setCheckState(Qt::Checked);
    }
    auto* all = p.Put(new QPushButton(QStringLiteral("모두 선택")), 150, 100, 50, 14);
    auto* none = p.Put(new QPushButton(QStringLiteral("모두 해제")), 204, 100, 50, 14);
    AddAnchor(list, anchor::TopLeft, anchor::BottomRight);
    AddAnchor(all, anchor::BottomRight);
    AddAnchor(none, anchor::BottomRight);
  }
};

// Scan depth: the two groups share the width half and half.
class ScanPage : public CTabPageSSL {
 public:
  ScanPage() {
    Placer p(this);
    resize(p.Size(260, 120));
    auto* quick = p.Put(new QGroupBox(QStringLiteral("빠른 검색")), 6, 6, 121, 60);
    auto* deep = p.Put(new QGroupBox(QStringLiteral("정밀 검색")), 133, 6, 121, 60);
    Placer q(quick);
    q.Put(new QRadioButton(QStringLiteral("삭제된 항목만")), 6, 14, 110, 12)->setChecked(true);
    q.Put(new QRadioButton(QStringLiteral("모든 항목")), 6, 30, 110, 12);
    Placer d(deep);
    d.Put(new QCheckBox(QStringLiteral("빈 공간 검색")), 6, 14, 110, 12);
    d.Put(new QCheckBox(QStringLiteral("손상된 레코드")), 6, 30, 110, 12);
    auto* centre = p.Put(new QLabel(QStringLiteral("가운데 고정")), 105, 90, 50, 12);
    centre->setAlignment(Qt::AlignCenter);
    AddAnchor(quick, anchor::TopLeft, anchor::TopCenter);
    AddAnchor(deep, anchor::TopCenter, anchor::TopRight);
    AddAnchor(centre, anchor::MiddleCenter);
  }
};

class FrameDialog : public CResizableDialog {
 public:
  FrameDialog() {
    setWindowTitle(QStringLiteral("복구 설정"));
    Placer p(this);
    resize(p.Size(280, 180));
    auto* hint = p.Put(new QLabel(QStringLiteral("창 크기를 바꾸면 컨트롤이 고정점을 따라 움직입니다.")), 7, 6,
                       266, 10);
    auto* tab = p.Put(new CTabCtrlSSL, 7, 20, 266, 134);
    tab->setObjectName(QStringLiteral("tabs"));
    tab->AddPage(QStringLiteral("저장 위치"), 100, new TargetPage, 1);
    tab->AddPage(QStringLiteral("파일 형식"), 101, new TypesPage, 1);
    tab->AddPage(QStringLiteral("검색"), 102, new ScanPage, 1);
    tab->SelectFirstPage();
    auto* ok = p.Put(new QPushButton(QStringLiteral("확인")), 169, 160, 50, 14);
    auto* cancel = p.Put(new QPushButton(QStringLiteral("취소")), 223, 160, 50, 14);
    AddAnchor(hint, anchor::TopLeft, anchor::TopRight);
    AddAnchor(tab, anchor::TopLeft, anchor::BottomRight);
    AddAnchor(ok, anchor::BottomRight);
    AddAnchor(cancel, anchor::BottomRight);
    QObject::connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  }

  // As a page of the gallery's tabs the dialog stays; as a window it closes.
  void accept() override {
    if (isWindow()) CResizableDialog::accept();
  }
  void reject() override {
    if (isWindow()) CResizableDialog::reject();
  }
};

}  // namespace

QWidget* MakeDialogFramePage() { return new FrameDialog; }

void StageDialogFramePage(QWidget* page) {
  // The other tabs at the same size.
  if (auto* tab = page->findChild<CTabCtrlSSL*>(QStringLiteral("tabs"))) {
    for (int i = 1; i < tab->count(); ++i) {
      tab->setCurrentIndex(i);
      QApplication::processEvents();
      SaveGalleryShot(page, QStringLiteral("tab%1").arg(i + 1));
    }
    tab->setCurrentIndex(0);
  }
  // The folder picker, saved and closed from inside its modal loop.
  auto* browse = page->findChild<QPushButton*>(QStringLiteral("browse"));
  if (!browse) return;
  QTimer::singleShot(200, page, [] {
    QWidget* picker = QApplication::activeModalWidget();
    if (!picker) return;
    SaveGalleryShot(picker, QStringLiteral("folder"));
    if (auto* dialog = qobject_cast<QDialog*>(picker)) dialog->reject();
  });
  browse->click();
}
