// The about box of a stand-alone program: its icon, "<name>, 버전 1.0" and "확인".
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  CAboutDlg(const QString& programName, QWidget* parent = nullptr);

  QLabel* IconLabel() const { return icon_; }
  QLabel* VersionLabel() const { return version_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  QLabel* icon_ = nullptr;
  QLabel* version_ = nullptr;
  QPushButton* ok_ = nullptr;
};
