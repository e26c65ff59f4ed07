// Installed software ("설치된 소프트웨어 목록"): the names under one of two software keys. Entry 1
// lists the packages of the dpkg status database; the other key exists nowhere here.
#pragma once

#include <QAbstractListModel>
#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>

#include "Pellamor/DLG/Dialogs.h"

class CDialogHeaderCtrl;
class QComboBox;
class QLabel;
class QListView;
class QPushButton;

// The result list's rows: names kept sorted as a sorted list box keeps them.
class CSortedNameModel : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;

  void SetNames(QStringList names);
  void Clear() { SetNames({}); }
  const QStringList& Names() const { return names_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  QStringList names_;
};

class CDlgInstSwListBox : public QDialog {
  Q_OBJECT

 public:
  struct Args {};

  // What a key holds: the names of its subkeys and of its values.
  struct KeyListing {
    QStringList subkeys;
    QStringList values;
  };
  // The listing behind a source entry (1 or 2); nothing for a key that cannot be opened.
  using KeySource = std::function<std::optional<KeyListing>(int entry)>;

  // Process-wide replacements (empty restores the defaults).
  static void SetKeySource(KeySource source);
  static void SetStatusFile(std::string path);  // default instsw::kDpkgStatusFile
  // The default listing: entry 1 the installed packages as subkeys; nothing for the others.
  static std::optional<KeyListing> DefaultListing(int entry);

  explicit CDlgInstSwListBox(QWidget* parent = nullptr);

  CDialogHeaderCtrl* Header() const { return header_; }
  QLabel* Intro() const { return intro_; }         // 1227
  QComboBox* SourceList() const { return sources_; }  // 1210
  QListView* ResultList() const { return results_; }  // 1180
  const CSortedNameModel& Results() const { return model_; }
  QLabel* CountLine() const { return count_; }      // 1228
  QPushButton* OkButton() const { return ok_; }

  // Runs the dialog modally; the dialog's result.
  static int Open(QWidget* parent, const Args& args);
  static Args ArgsFrom(const dlg::DialogArgs&) { return {}; }

 private:
  void OnSelChange(int index);

  CSortedNameModel model_;
  CDialogHeaderCtrl* header_ = nullptr;
  QLabel* intro_ = nullptr;
  QComboBox* sources_ = nullptr;
  QListView* results_ = nullptr;
  QLabel* count_ = nullptr;
  QPushButton* ok_ = nullptr;
};
