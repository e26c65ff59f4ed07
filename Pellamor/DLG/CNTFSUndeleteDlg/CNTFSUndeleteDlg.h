// The NTFS deleted-data search dialog: a worker opens the volume and runs the search on a copy of
// the scan options; a 250 ms timer on the UI thread shows the progress. The dialog ends only
// through its button (the close box and Alt+F4 press it); Esc and Enter do nothing.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "Pellamor/DLG/Dialogs.h"
#include "corvane/ntfs_search.h"

class CDialogHeaderCtrl;
class CTextProgressCtrl;
class CWorkerJob;
class QLabel;
class QPushButton;
class QTimer;
struct FILESYSTEMOBJ;

class CNTFSUndeleteDlg : public QDialog {
  Q_OBJECT

 public:
  // The search the worker runs; SearchMft unless a test gives another.
  using SearchFn = std::function<NtfsSearchResult(NTFSVOLUMERECORD*, const NtfsSearchOptions&, NtfsSearchProgress*)>;

  CNTFSUndeleteDlg(FILESYSTEMOBJ* fs, NtfsSearchOptions options, QWidget* parent = nullptr, SearchFn search = {});
  ~CNTFSUndeleteDlg() override;

  struct Args {
    FILESYSTEMOBJ* fs = nullptr;
    SearchFn search;  // none: SearchMft
  };
  // Runs the search dialog modally; true when the search was set up (its entries published, even
  // when cancelled).
  static bool Open(QWidget* parent, const Args& args);
  // Registry values: the FILESYSTEMOBJ* (as void*) and, for tests, a SearchFn* (as void*).
  static Args ArgsFrom(const dlg::DialogArgs& values);
  // The root scanner of an NTFS volume: the dialog on the UI thread, the plain search elsewhere.
  static int Scan(FILESYSTEMOBJ* fs);
  // The options a new search takes from the program's settings.
  static NtfsSearchOptions CurrentOptions();

  // Time texts of one tick: "%02d:%02d:%02d"; total and remaining stay empty while no record
  // has been reached. Elapsed 0 counts as one second.
  struct TimeTexts {
    QString elapsed;
    QString total;
    QString remaining;
    int percent = 0;
  };
  static TimeTexts RenderTimes(std::uint64_t current, std::uint64_t count, std::int64_t elapsedSeconds);
  static QString FormatSeconds(std::int64_t seconds);

  bool SetUpSucceeded() const { return setUp_; }
  bool Searching() const;
  // Renders the progress now (the timer's tick).
  void OnTimer();
  // The button: cancels while the search runs, closes afterwards.
  void OnButton();

  // Widgets, for tests.
  QPushButton* Button() const { return button_; }
  QString StatusText() const;
  QString RecordText() const;
  QString CountText(int which) const;  // 0..3 deleted files/folders, live files/folders
  QString PercentText(int which) const;  // 0..2 files, folders, all
  QString ElapsedText() const;
  QString TotalText() const;
  QString RemainingText() const;
  CTextProgressCtrl* Bar() const { return bar_; }
  NtfsSearchProgress& Progress() { return progress_; }

 public slots:
  void reject() override;  // Esc: nothing; the close box: the button
  void accept() override;  // Enter: nothing

 protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  struct Work;
  void Start();
  void OnFinished();
  void ShowTimes(const TimeTexts& t);

  FILESYSTEMOBJ* fs_;
  NtfsSearchOptions options_;
  SearchFn search_;
  NtfsSearchProgress progress_;
  std::shared_ptr<Work> work_;
  std::unique_ptr<CWorkerJob> job_;
  QTimer* timer_ = nullptr;
  bool setUp_ = false;
  bool cancelling_ = false;
  bool closing_ = false;  // the button may end the dialog
  bool done_ = false;     // the worker handed over

  CDialogHeaderCtrl* header_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* record_ = nullptr;
  QLabel* fsText_ = nullptr;
  QLabel* counts_[4] = {};
  QLabel* percents_[3] = {};
  QLabel* extra_[3] = {};  // encrypted, compressed, sparse
  QLabel* elapsed_ = nullptr;
  QLabel* total_ = nullptr;
  QLabel* remaining_ = nullptr;
  CTextProgressCtrl* bar_ = nullptr;
  QPushButton* button_ = nullptr;
};
