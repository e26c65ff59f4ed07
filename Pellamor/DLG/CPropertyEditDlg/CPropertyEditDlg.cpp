#include "Pellamor/DLG/CPropertyEditDlg/CPropertyEditDlg.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Pellamor/DLG/CPropertyEditDlg/PropertyTexts.h"
#include "Pellamor/DriveSession.h"
#include "Pellamor/WorkerJob.h"
#include "shared/DialogFrame.h"

namespace {

std::function<void()>& BeforeFillHook() {
  static std::function<void()> hook;
  return hook;
}

struct Field {
  int id;
  const char* label;
};
// Shown top to bottom.
constexpr Field kFields[] = {
    {1420, "파일명:"},          {1426, "종류:"},
    {1422, "위치:"},            {1076, "MS-DOS 이름:"},
    {1074, "만든 날짜:"},       {1075, "바뀐 날짜:"},
    {1077, "사용한 날짜:"},     {1072, "시작 클러스터:"},
    {1073, "디스크의 할당 크기:"}, {1424, "데이터의 원래 크기:"},
    {1429, "데이터의 원래 할당크기:"}, {1432, "데이터의 실제 클러스터 갯수:"},
};

}  // namespace

CPropertyEditDlg::CPropertyEditDlg(int index, QWidget* parent) : QDialog(parent), index_(index) {
  setWindowTitle(QStringLiteral("데이터 속성정보 & 진단"));
  auto* form = new QFormLayout;
  for (const Field& f : kFields) {
    auto* edit = new QLineEdit(this);
    edit->setReadOnly(true);
    edit->setObjectName(QStringLiteral("edit%1").arg(f.id));
    edit->setMinimumWidth(260);
    edits_[f.id] = edit;
    form->addRow(QString::fromUtf8(f.label), edit);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(dlgframe::ButtonRowLayout(this, {{u"확인", "ok", dlgframe::Role::Accept, true}}));
  StartFill();
}

CPropertyEditDlg::~CPropertyEditDlg() { StopFill(); }

QLineEdit* CPropertyEditDlg::Edit(int id) const {
  auto it = edits_.find(id);
  return it == edits_.end() ? nullptr : it->second;
}

bool CPropertyEditDlg::Filling() const { return job_ && job_->IsPending(); }

void CPropertyEditDlg::SetBeforeFillHook(std::function<void()> hook) { BeforeFillHook() = std::move(hook); }

void CPropertyEditDlg::StartFill() {
  if (index_ < 0) return;
  auto texts = std::make_shared<std::array<std::u16string, 12>>();
  const auto index = static_cast<std::uint32_t>(index_);
  std::function<void()> hook = BeforeFillHook();
  // The worker reads the open volume's tables: the session joins it before it frees them.
  session_ = CDriveSession::Current();
  job_ = StartJob(
      this,
      [texts, index, hook] {
        if (hook) hook();
        *texts = MakeFatPropertyTexts(index);
      },
      [this, texts] {
        for (std::size_t i = 0; i < kPropertyControls.size(); ++i)
          if (QLineEdit* edit = Edit(kPropertyControls[i])) edit->setText(QString::fromStdU16String((*texts)[i]));
        filled_ = true;
        if (session_ && readerId_) session_->RemoveReader(readerId_);
        readerId_ = 0;
        emit filled();
      });
  if (job_ && session_)
    readerId_ = session_->AddReader([this] { StopFill(); }, [this] { return job_ && job_->IsRunning(); });
}

void CPropertyEditDlg::StopFill() {
  if (job_) job_->Stop();
  if (session_ && readerId_) session_->RemoveReader(readerId_);
  readerId_ = 0;
}

void CPropertyEditDlg::done(int result) {
  StopFill();
  QDialog::done(result);
}

int CPropertyEditDlg::Open(QWidget* parent, const Args& args) {
  CPropertyEditDlg dialog(args.index, parent);
  return dialog.exec();
}

CPropertyEditDlg::Args CPropertyEditDlg::ArgsFrom(const dlg::DialogArgs& values) {
  return {dlg::IntArg(values, 0, -1)};
}
