// The update options page: when to look for updates. A click stores its box at once; "Windows
// 시작시" also adds or removes the updater's log-in start-up entry.
#pragma once

#include <QWidget>

#include <string>

class QCheckBox;

class COptionUpdateDlg : public QWidget {
  Q_OBJECT

 public:
  explicit COptionUpdateDlg(QWidget* parent = nullptr);

  // The updater's command: <program folder>/bin/plimmer -auto enable, as an Exec command line.
  static std::u16string StartupCommand();

  QCheckBox* RuntimeBox() const { return runtime_; }
  QCheckBox* StartupBox() const { return startup_; }

 private:
  void OnRuntimeClicked();
  void OnStartupClicked();

  QCheckBox* runtime_ = nullptr;
  QCheckBox* startup_ = nullptr;
};
