// Folder picker: Qt's own file dialog in folder mode, run modally, its columns wide enough for
// their texts. The initial folder, when it exists, is the selected entry (else the browser opens
// in the home folder); a typed folder that does not exist leaves the dialog open.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QFileDialog;
class QWidget;

class CFolderDialog : public QObject {
  Q_OBJECT

 public:
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;
  static constexpr int kNoPath = -1;

  explicit CFolderDialog(const QString& initialFolder = {}, QWidget* parent = nullptr);
  ~CFolderDialog() override;

  // 1 when a folder was chosen (GetFolderPath), 2 when cancelled, -1 when the choice is no folder.
  virtual int DoModal();
  QString GetFolderPath() const { return selectedPath_; }
  QString Title() const { return title_; }
  // The file dialog while DoModal runs; null otherwise.
  QFileDialog* Browser() const { return browser_; }

 protected:
  virtual void OnInitialized();
  virtual void OnSelChanged(const QString& path);
  // A typed name that is no folder: the result 1 keeps the dialog open.
  virtual int OnValidateFailed(const QString& text);

 private:
  class FolderBrowser;
  friend class FolderBrowser;

  QPointer<QWidget> parent_;
  QString title_;
  QString initialFolder_;
  QString selectedPath_;
  QFileDialog* browser_ = nullptr;
};
