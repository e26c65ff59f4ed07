#include "controls/FolderDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

// The file dialog with the picker's own check of a typed folder.
class CFolderDialog::FolderBrowser : public QFileDialog {
 public:
  FolderBrowser(CFolderDialog* owner, QWidget* parent) : QFileDialog(parent), owner_(owner) {}

  void accept() override {
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && !QFileInfo(files.first()).isDir()) {
      if (owner_->OnValidateFailed(files.first()) != 0) return;
      QDialog::accept();  // the hook let it close; DoModal reports that no folder was chosen
      return;
    }
    QFileDialog::accept();
  }

 private:
  CFolderDialog* owner_;
};

namespace {

constexpr int kWidth = 760;
constexpr int kHeight = 460;
constexpr int kSidebarWidth = 170;

// The detail columns other than the name take the room their texts need (dates included), the
// name the rest, the places on the left enough for their names; again for each folder listed.
void FitColumns(QFileDialog& browser) {
  browser.setViewMode(QFileDialog::Detail);
  browser.resize(std::max(browser.sizeHint().width(), kWidth), std::max(browser.sizeHint().height(), kHeight));
  if (auto* splitter = browser.findChild<QSplitter*>(QStringLiteral("splitter")))
    splitter->setSizes({kSidebarWidth, browser.width() - kSidebarWidth});
  auto* view = browser.findChild<QTreeView*>(QStringLiteral("treeView"));
  auto* model = browser.findChild<QFileSystemModel*>();
  if (!view || !model) return;
  auto fit = [view] {
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    for (int c = 1; c < header->count(); ++c) view->resizeColumnToContents(c);
    int others = 0;
    for (int c = 1; c < header->count(); ++c) others += header->sectionSize(c);
    header->resizeSection(0, std::max(header->sectionSizeHint(0), view->viewport()->width() - others));
  };
  QObject::connect(model, &QFileSystemModel::directoryLoaded, view, fit);
  QTimer::singleShot(0, view, fit);  // once the browser is shown and laid out
}

}  // namespace

CFolderDialog::CFolderDialog(const QString& initialFolder, QWidget* parent)
    : parent_(parent),
      title_(QString::fromUtf16(u"복구할 데이터가 저장될 폴더를 선택하십시오:")),
      initialFolder_(initialFolder) {}

CFolderDialog::~CFolderDialog() = default;

int CFolderDialog::DoModal() {
  FolderBrowser browser(this, parent_);
  browser.setWindowTitle(title_);
  browser.setOption(QFileDialog::DontUseNativeDialog);
  browser.setFileMode(QFileDialog::Directory);
  browser.setOption(QFileDialog::ShowDirsOnly);
  connect(&browser, &QFileDialog::currentChanged, this, [this](const QString& path) { OnSelChanged(path); });
  FitColumns(browser);
  browser_ = &browser;
  OnInitialized();
  const int result = browser.exec();
  const QStringList files = browser.selectedFiles();
  browser_ = nullptr;
  if (result != QDialog::Accepted) return kCancel;
  if (files.isEmpty()) return kNoPath;
  const QFileInfo chosen(files.first());
  if (!chosen.isDir()) return kNoPath;
  selectedPath_ = QDir::cleanPath(chosen.absoluteFilePath());
  return kOk;
}

void CFolderDialog::OnInitialized() {
  if (!browser_) return;
  const QFileInfo initial(QDir::cleanPath(initialFolder_));
  if (initialFolder_.isEmpty() || !initial.isDir()) {
    browser_->setDirectory(QDir::homePath());  // not the working folder; nothing selected
    return;
  }
  if (initial.isRoot()) {
    browser_->setDirectory(initial.absoluteFilePath());
    return;
  }
  browser_->setDirectory(initial.absolutePath());
  browser_->selectFile(initial.fileName());
}

void CFolderDialog::OnSelChanged(const QString&) {}

int CFolderDialog::OnValidateFailed(const QString&) {
  QApplication::beep();
  return 1;
}
