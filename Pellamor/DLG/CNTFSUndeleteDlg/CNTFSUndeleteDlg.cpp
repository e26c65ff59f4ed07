#include "Pellamor/DLG/CNTFSUndeleteDlg/CNTFSUndeleteDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <utility>

#include "Pellamor/App.h"
#include "Pellamor/DLG/Dialogs.h"
#include "Pellamor/ScanOptions.h"
#include "Pellamor/WorkerJob.h"
#include "controls/TextProgressCtrl.h"
#include "corvane/engine_hooks.h"
#include "corvane/filesystem.h"
#include "corvane/ntfs_record.h"
#include "platform/message.h"
#include "shared/DialogFrame.h"
#include "shared/DialogHeaderCtrl.h"

namespace {

QString Text(std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

// What the worker hands over.
struct CNTFSUndeleteDlg::Work {
  bool opened = false;
  NtfsSearchResult result;
};

CNTFSUndeleteDlg::CNTFSUndeleteDlg(FILESYSTEMOBJ* fs, NtfsSearchOptions options, QWidget* parent, SearchFn search)
    : QDialog(parent), fs_(fs), options_(std::move(options)), search_(std::move(search)) {
  if (!search_) search_ = &SearchMft;
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 8);
  header_ = dlgframe::MakeHeader(this, QStringLiteral("삭제된 데이터 검색도구"),
                                 QStringLiteral("삭제된 데이터를 찾아내어 정보를 가져옵니다."), 242);
  layout->addWidget(header_);

  auto* body = new QVBoxLayout;
  body->setContentsMargins(11, 4, 11, 0);
  layout->addLayout(body);
  fsText_ = new QLabel(QStringLiteral("발견된 파일시스템: NTFS v3.1"), this);
  body->addWidget(fsText_);
  status_ = new QLabel(QStringLiteral("검색중..."), this);
  status_->setMinimumWidth(420);
  body->addWidget(status_);
  record_ = new QLabel(this);
  body->addWidget(record_);
  bar_ = new CTextProgressCtrl(this);
  bar_->SetRange(0, 100);
  body->addWidget(bar_);

  auto* countBox = new QGroupBox(this);
  auto* grid = new QGridLayout(countBox);
  const char16_t* countLabels[4] = {u"삭제된 파일:", u"삭제된 폴더:", u"정상 파일:", u"정상 폴더:"};
  for (int i = 0; i < 4; ++i) {
    grid->addWidget(new QLabel(Text(countLabels[i]), countBox), i, 0);
    counts_[i] = new QLabel(QStringLiteral("0"), countBox);
    counts_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    counts_[i]->setMinimumWidth(90);
    grid->addWidget(counts_[i], i, 1);
  }
  for (int i = 0; i < 3; ++i) {
    percents_[i] = new QLabel(countBox);
    percents_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    percents_[i]->setMinimumWidth(50);
    grid->addWidget(percents_[i], i < 2 ? i : 4, 2);  // files, folders, then all below the counts
  }
  body->addWidget(countBox);

  auto* extraBox = new QGroupBox(QStringLiteral("NTFS 추가 정보"), this);
  auto* extraGrid = new QGridLayout(extraBox);
  const char16_t* extraLabels[3] = {u"암호화:", u"압축:", u"스파스:"};
  for (int i = 0; i < 3; ++i) {
    extraGrid->addWidget(new QLabel(Text(extraLabels[i]), extraBox), 0, 2 * i);
    extra_[i] = new QLabel(QStringLiteral("0"), extraBox);
    extraGrid->addWidget(extra_[i], 0, 2 * i + 1);
  }
  body->addWidget(extraBox);

  auto* times = new QGridLayout;
  const char16_t* timeLabels[3] = {u"진행시간:", u"예상완료:", u"남은시간:"};
  QLabel** timeFields[3] = {&elapsed_, &total_, &remaining_};
  for (int i = 0; i < 3; ++i) {
    times->addWidget(new QLabel(Text(timeLabels[i]), this), 0, 2 * i);
    *timeFields[i] = new QLabel(this);
    (*timeFields[i])->setMinimumWidth(70);
    times->addWidget(*timeFields[i], 0, 2 * i + 1);
  }
  body->addLayout(times);

  std::vector<QPushButton*> made;
  body->addLayout(dlgframe::ButtonRowLayout(this, {{u"취소", "button"}}, &made));
  button_ = made[0];
  connect(button_, &QPushButton::clicked, this, &CNTFSUndeleteDlg::OnButton);

  setFixedSize(sizeHint());

  timer_ = new QTimer(this);
  timer_->setInterval(250);
  connect(timer_, &QTimer::timeout, this, &CNTFSUndeleteDlg::OnTimer);

  status_->setText(QStringLiteral("삭제된 데이터 검색 중..."));
  Start();
}

CNTFSUndeleteDlg::~CNTFSUndeleteDlg() {
  progress_.stopRequest = 1;
  job_.reset();  // joins; the progress it writes lives until then
  if (fs_ && fs_->ntfs && fs_->ntfs->progressDialog == this) fs_->ntfs->progressDialog = nullptr;
}

void CNTFSUndeleteDlg::Start() {
  if (!fs_ || !fs_->ntfs) {
    done_ = true;
    return;
  }
  fs_->ntfs->progressDialog = this;
  work_ = std::make_shared<Work>();
  NTFSVOLUMERECORD* state = fs_->ntfs;
  const char letter = fs_->driveLetter;
  // The worker gets copies: the options and the search never change under it.
  job_ = StartJob(
      this,
      [work = work_, state, letter, options = options_, search = search_, progress = &progress_] {
        work->opened = OpenNtfsState(state, letter);
        if (work->opened) work->result = search(state, options, progress);
      },
      [this] { OnFinished(); });
  if (!job_) {
    done_ = true;
    return;
  }
  timer_->start();
}

bool CNTFSUndeleteDlg::Searching() const { return job_ && !done_; }

void CNTFSUndeleteDlg::OnFinished() {
  done_ = true;
  timer_->stop();
  Work& w = *work_;
  if (w.result.ok) {
    // Published on the UI thread, where the views read them.
    PublishNtfsEntries(std::move(w.result));
    setUp_ = true;
  }
  if (cancelling_) {
    done(1);
    return;
  }
  if (!w.opened) {
    platform::ShowMessage(u"드라이브를 열지 못했습니다. 다시 시도해 보세요.");
    return;  // stays open with its "취소"
  }
  // The last tick: a search shorter than the timer's period still shows its times.
  if (progress_.startTime.load() != 0) progress_.state = kNtfsSearchRunning;
  OnTimer();
  progress_.state = kNtfsSearchDone;
  closing_ = true;
  button_->setText(QStringLiteral("닫기"));
  status_->setText(QString());
}

void CNTFSUndeleteDlg::OnButton() {
  if (closing_ || done_) {
    done(1);
    return;
  }
  if (cancelling_) return;
  // The worker stops after the chunk in work; its hand-over ends the dialog.
  cancelling_ = true;
  progress_.stopRequest = 1;
  progress_.state = kNtfsSearchDone;
  button_->setEnabled(false);
}

void CNTFSUndeleteDlg::reject() { OnButton(); }
void CNTFSUndeleteDlg::accept() {}

void CNTFSUndeleteDlg::closeEvent(QCloseEvent* e) {
  e->ignore();
  OnButton();
}

void CNTFSUndeleteDlg::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      e->accept();
      return;
    default:
      QDialog::keyPressEvent(e);
  }
}

QString CNTFSUndeleteDlg::FormatSeconds(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const std::int64_t h = seconds / 3600;
  const std::int64_t m = seconds % 3600 / 60;
  const std::int64_t s = seconds % 60;
  return QString::asprintf("%02lld:%02lld:%02lld", static_cast<long long>(h), static_cast<long long>(m),
                           static_cast<long long>(s));
}

CNTFSUndeleteDlg::TimeTexts CNTFSUndeleteDlg::RenderTimes(std::uint64_t current, std::uint64_t count,
                                                          std::int64_t elapsedSeconds) {
  TimeTexts t;
  if (count != 0) {
    const std::uint64_t c = current > count ? count : current;
    // In 64 bits; past 1.8e17 records c x 100 would wrap, so the count is scaled down instead.
    constexpr std::uint64_t kExact = UINT64_MAX / 100;
    t.percent = static_cast<int>(c <= kExact ? c * 100 / count : c / (count / 100));
  }
  const std::int64_t e = elapsedSeconds <= 0 ? 1 : elapsedSeconds;
  t.elapsed = FormatSeconds(e);
  if (t.percent != 0) {
    const std::int64_t total = e * 100 / t.percent;
    t.total = FormatSeconds(total);
    t.remaining = FormatSeconds(total - e);
  }
  return t;
}

void CNTFSUndeleteDlg::ShowTimes(const TimeTexts& t) {
  const QString* texts[3] = {&t.elapsed, &t.total, &t.remaining};
  QLabel* fields[3] = {elapsed_, total_, remaining_};
  for (int i = 0; i < 3; ++i)
    if (fields[i]->text() != *texts[i]) fields[i]->setText(*texts[i]);
}

void CNTFSUndeleteDlg::OnTimer() {
  const NtfsSearchProgress& p = progress_;
  status_->setText(Text(p.Status()));
  record_->setText(Text(p.RecordText()));
  const std::uint64_t counts[4] = {p.deletedFiles.load(), p.deletedFolders.load(), p.liveFiles.load(),
                                   p.liveFolders.load()};
  for (int i = 0; i < 4; ++i) counts_[i]->setText(QString::number(counts[i]));
  const int percents[3] = {p.DeletedFilePercent(), p.DeletedFolderPercent(), p.DeletedPercent()};
  for (int i = 0; i < 3; ++i)
    percents_[i]->setText(percents[i] < 0 ? QString() : QStringLiteral("%1%").arg(percents[i]));
  const std::uint64_t extra[3] = {p.encrypted.load(), p.compressed.load(), p.sparse.load()};
  for (int i = 0; i < 3; ++i) extra_[i]->setText(QString::number(extra[i]));
  bar_->SetPos(p.percent.load());
  if (p.state.load() != kNtfsSearchRunning) return;
  const std::int64_t elapsed = static_cast<std::int64_t>(std::time(nullptr)) - p.startTime.load();
  ShowTimes(RenderTimes(p.currentRecord.load(), p.recordCount.load(), elapsed));
}

QString CNTFSUndeleteDlg::StatusText() const { return status_->text(); }
QString CNTFSUndeleteDlg::RecordText() const { return record_->text(); }
QString CNTFSUndeleteDlg::CountText(int which) const { return counts_[which]->text(); }
QString CNTFSUndeleteDlg::PercentText(int which) const { return percents_[which]->text(); }
QString CNTFSUndeleteDlg::ElapsedText() const { return elapsed_->text(); }
QString CNTFSUndeleteDlg::TotalText() const { return total_->text(); }
QString CNTFSUndeleteDlg::RemainingText() const { return remaining_->text(); }

NtfsSearchOptions CNTFSUndeleteDlg::CurrentOptions() {
  NtfsSearchOptions o;
  o.threads = std::max(1, g_nScanThreads);
  o.deletedOnly = g_bDeletedOnly != 0;
  // The chosen file formats, as the file-type dialog left them (upper case, without the dot).
  if (CPellamorApp* app = TheApp(); app && g_bUseExtensionFilter && g_nSelectedExtensions > 0) {
    o.extensionFilter = true;
    o.extensions.assign(app->settings.firstSet.begin(), app->settings.firstSet.end());
  }
  return o;
}

bool CNTFSUndeleteDlg::Open(QWidget* parent, const Args& args) {
  if (!args.fs || !args.fs->ntfs) return false;
  CNTFSUndeleteDlg dialog(args.fs, CurrentOptions(), parent, args.search);
  dialog.exec();
  return dialog.SetUpSucceeded();
}

CNTFSUndeleteDlg::Args CNTFSUndeleteDlg::ArgsFrom(const dlg::DialogArgs& values) {
  Args args;
  if (!values.isEmpty()) args.fs = static_cast<FILESYSTEMOBJ*>(values.front().value<void*>());
  if (values.size() > 1)
    if (auto* fn = static_cast<SearchFn*>(values.at(1).value<void*>())) args.search = *fn;
  return args;
}

int CNTFSUndeleteDlg::Scan(FILESYSTEMOBJ* fs) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() != app->thread()) return SearchNtfsVolume(fs);
  return dlg::Open<CNTFSUndeleteDlg>(QApplication::activeWindow(), Args{fs, {}}) ? 1 : 0;
}
