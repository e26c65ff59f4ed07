#include "controls/FolderDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

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
  if (!browser_ || initialFolder_.isEmpty()) return;
  const QFileInfo initial(QDir::cleanPath(initialFolder_));
  if (!initial.isDir()) return;  // opens without a selection
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
