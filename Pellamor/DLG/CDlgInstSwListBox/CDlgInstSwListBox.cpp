#include "Pellamor/DLG/CDlgInstSwListBox/CDlgInstSwListBox.h"

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

#include "Pellamor/DLG/CDlgInstSwListBox/DpkgStatus.h"
#include "shared/DialogFrame.h"

namespace {

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

CDlgInstSwListBox::KeySource& Source() {
  static CDlgInstSwListBox::KeySource source;
  return source;
}

std::string& StatusFile() {
  static std::string path;
  return path;
}

}  // namespace

// ---- the result list ----

void CSortedNameModel::SetNames(QStringList names) {
  // As a sorted list box: letter case aside first, then by code point so the order is total.
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  beginResetModel();
  names_ = std::move(names);
  endResetModel();
}

int CSortedNameModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

QVariant CSortedNameModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= names_.size() || role != Qt::DisplayRole) return {};
  return names_[index.row()];
}

// ---- the dialog ----

void CDlgInstSwListBox::SetKeySource(KeySource source) { Source() = std::move(source); }
void CDlgInstSwListBox::SetStatusFile(std::string path) { StatusFile() = std::move(path); }

std::optional<CDlgInstSwListBox::KeyListing> CDlgInstSwListBox::DefaultListing(int entry) {
  if (entry != 1) return std::nullopt;  // the vendor's per-user key exists nowhere here
  std::optional<QStringList> packages =
      instsw::InstalledPackages(StatusFile().empty() ? std::string(instsw::kDpkgStatusFile) : StatusFile());
  if (!packages) return std::nullopt;
  return KeyListing{std::move(*packages), {}};
}

CDlgInstSwListBox::CDlgInstSwListBox(QWidget* parent) : QDialog(parent) {
  dlgframe::BandLayout frame(this, Text(u"설치된 소프트웨어 목록 관리자"),
                             Text(u"컴퓨터에 설치된 소프트웨어 목록을 보여줍니다."), 242);
  header_ = frame.Header();
  intro_ = new QLabel(Text(u"이 컴퓨터에 설치된 소프트웨어 목록입니다."), this);
  intro_->setObjectName(QStringLiteral("intro"));
  sources_ = new QComboBox(this);
  sources_->setObjectName(QStringLiteral("sources"));
  sources_->addItems({Text(u"항목을 선택하십시오"), Text(u"Windows에 설치된 소프트웨어 목록"), Text(u"Microsoft 제품")});
  sources_->setCurrentIndex(0);
  results_ = new QListView(this);
  results_->setObjectName(QStringLiteral("results"));
  results_->setModel(&model_);
  results_->setUniformItemSizes(true);
  results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  results_->setMinimumSize(360, 240);
  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("count"));

  frame.Column()->addWidget(intro_);
  frame.Column()->addWidget(sources_);
  frame.Column()->addWidget(results_, 1);
  frame.Column()->addWidget(count_);
  ok_ = frame.AddOkRow();

  connect(sources_, &QComboBox::currentIndexChanged, this, &CDlgInstSwListBox::OnSelChange);
}

void CDlgInstSwListBox::OnSelChange(int index) {
  model_.Clear();
  count_->clear();
  if (index != 1 && index != 2) return;
  const KeySource& source = Source();
  const std::optional<KeyListing> key = source ? source(index) : DefaultListing(index);
  if (!key) return;
  QString count;
  if (!key->subkeys.isEmpty()) count = Text(u"%1개 항목이 검색되었습니다.").arg(key->subkeys.size());
  if (!key->values.isEmpty()) count += Text(u"\n%1개 값이 검색되었습니다.\n").arg(key->values.size());
  count_->setText(count);
  model_.SetNames(key->subkeys + key->values);
}

int CDlgInstSwListBox::Open(QWidget* parent, const Args&) {
  CDlgInstSwListBox dialog(parent);
  return dialog.exec() == QDialog::Accepted ? 1 : 0;
}
