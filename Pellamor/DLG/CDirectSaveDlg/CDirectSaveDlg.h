// Save folder ("바로저장 설정"): either the program-wide default save folder (default-folder
// mode) or the folder for the selected queue items (item mode, the result read back through
// InitialFolder after an accepted end).
#pragma once

#include <QMetaType>
#include <QString>

#include <optional>

#include "Pellamor/DLG/Dialogs.h"
#include "controls/ResizableDialog.h"

class CDialogHeaderCtrl;
class QLineEdit;
class QPushButton;

class CDirectSaveDlg : public CResizableDialog {
  Q_OBJECT

 public:
  static constexpr int kItemMode = 0;
  static constexpr int kDefaultFolderMode = 1;

  struct Args {
    int mode = kDefaultFolderMode;
    // The folder shown first; none: the default folder in default-folder mode, empty otherwise.
    std::optional<QString> initialFolder;
  };
  // What an accepted dialog hands back: the folder chosen (may be empty).
  struct Result {
    QString folder;
  };

  explicit CDirectSaveDlg(QWidget* parent = nullptr);

  // Inputs, before the dialog is shown.
  void SetInitialFolder(const QString& folder) { initialFolder_ = folder; }
  void SetMode(int mode) { mode_ = mode; }

  QString InitialFolder() const { return initialFolder_; }
  QString ChosenFolder() const { return chosenFolder_; }
  int Mode() const { return mode_; }

  CDialogHeaderCtrl* Header() const { return header_; }
  QLineEdit* FolderText() const { return folderText_; }
  QPushButton* BrowseButton() const { return browse_; }
  QPushButton* OpenButton() const { return open_; }
  QPushButton* ResetButton() const { return reset_; }
  QPushButton* DefaultButton() const { return default_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

  // Runs the dialog modally; an answer when accepted. In default-folder mode OK also sets the
  // program-wide default folder.
  static std::optional<Result> Open(QWidget* parent, const Args& args);
  // Registry values: mode (1 default folder, the default when absent; 0 items), then the initial
  // folder (QString), and optionally a Result* that an accepted dialog fills.
  static Args ArgsFrom(const dlg::DialogArgs& values);

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void OnInitDialog();
  void OnBrowse();
  void OnOpen();
  void OnReset();
  void OnDefault();
  void ShowFolder();

  QString initialFolder_;
  QString chosenFolder_;
  int mode_ = kDefaultFolderMode;
  bool initialised_ = false;

  CDialogHeaderCtrl* header_ = nullptr;
  QLineEdit* folderText_ = nullptr;
  QPushButton* browse_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* reset_ = nullptr;
  QPushButton* default_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

Q_DECLARE_METATYPE(CDirectSaveDlg::Result*)
