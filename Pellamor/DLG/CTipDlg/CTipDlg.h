// Tip of the day: one tip at a time from help/tips.1042.txt beside the program; where the reader
// stopped is kept in the profile's section "Tip".
#pragma once

#include <QDialog>
#include <QString>

#include <cstddef>
#include <string>

#include "Pellamor/DLG/CTipDlg/TipsFile.h"
#include "Pellamor/DLG/Dialogs.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class CTipDlg : public QDialog {
  Q_OBJECT

 public:
  struct Args {};

  // Longest tip line kept, in characters; the rest of a longer line is skipped.
  static constexpr int kMaxLineChars = tips::kMaxLineChars;

  explicit CTipDlg(QWidget* parent = nullptr);
  ~CTipDlg() override;

  // Runs the dialog modally; true when it closed through "닫기(&C)" (or the close box).
  static bool Open(QWidget* parent, const Args& args);
  static Args ArgsFrom(const dlg::DialogArgs& values);

  // The tips file: help/tips.1042.txt in the program folder.
  static QString TipsFilePath();

  // Reads the next tip into the fields (wrapping once to the file's start).
  void GetNextTipString();

  QString TipText() const { return tip_; }
  QString TitleText() const { return title_; }
  QString CategoryText() const { return category_; }
  int HelpNumber() const { return helpNumber_; }
  bool FileOpen() const { return open_; }

  QCheckBox* StartUpBox() const { return startUp_; }
  QPlainTextEdit* TipEdit() const { return tipEdit_; }
  QLabel* TitleLabel() const { return titleLabel_; }
  QLabel* CategoryLabel() const { return categoryLabel_; }
  QPushButton* CloseButton() const { return close_; }
  QPushButton* NextButton() const { return next_; }
  QPushButton* HelpButton() const { return help_; }

 public slots:
  void accept() override;  // "닫기(&C)"
  void reject() override;  // anything else that closes: as "닫기(&C)"

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void ShowBroken(const char16_t* body);
  void OnNext();
  void Refresh();

  std::string text_;  // the whole file while there is more to read
  std::size_t pos_ = 0;  // where the next tip is looked for; FilePos when the dialog closes
  bool open_ = false;
  QString tip_;
  QString title_;
  QString category_;
  int helpNumber_ = 0;
  bool showAtStartUp_ = true;
  bool closed_ = false;

  QCheckBox* startUp_ = nullptr;
  QPlainTextEdit* tipEdit_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  QLabel* categoryLabel_ = nullptr;
  QLabel* picture_ = nullptr;
  QWidget* frame_ = nullptr;
  QPushButton* close_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* help_ = nullptr;
};
