// The language box: automatic detection of the interface language or one language chosen from
// five; the box relabels itself in the language picked in its list.
#pragma once

#include <QDialog>

#include "Pellamor/DLG/Dialogs.h"

class CButtonSSL;
class CDialogHeaderCtrl;
class LanguageState;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class CLangBox : public QDialog {
  Q_OBJECT

 public:
  struct Args {
    LanguageState* state = nullptr;  // null: the application's
  };
  // The box's texts in one of the five languages.
  struct LangTexts;

  explicit CLangBox(LanguageState& state, QWidget* parent = nullptr);

  // Runs the box modally; true when it closed with OK.
  static bool Open(QWidget* parent, const Args& args);
  // The registry passes nothing.
  static Args ArgsFrom(const dlg::DialogArgs& values);

  // Fills the list and sets every text in the language of the list's index (fromList) or in the
  // state's current language.
  void Relabel(int index, bool fromList);

  CDialogHeaderCtrl* Header() const { return header_; }
  QComboBox* LanguageList() const { return combo_; }
  QRadioButton* AutoRadio() const { return auto_; }
  QRadioButton* UserRadio() const { return user_; }
  QGroupBox* Group() const { return group_; }
  QLabel* Prompt() const { return prompt_; }
  QLabel* Explanation() const { return explanation_; }
  CButtonSSL* ListButton() const { return listButton_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 public slots:
  void accept() override;

 private:
  void SetTexts(const LangTexts& texts);
  void OnInitDialog();
  void OnSelectionChange();
  void OnUserClicked();
  void OnAutoClicked();

  LanguageState& state_;
  CDialogHeaderCtrl* header_ = nullptr;
  QGroupBox* group_ = nullptr;
  QRadioButton* auto_ = nullptr;
  QRadioButton* user_ = nullptr;
  QLabel* prompt_ = nullptr;
  QComboBox* combo_ = nullptr;
  CButtonSSL* listButton_ = nullptr;
  QLabel* explanation_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};
