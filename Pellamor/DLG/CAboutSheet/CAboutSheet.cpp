#include "Pellamor/DLG/CAboutSheet/CAboutSheet.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cstdio>

#include "controls/GridListCtrlGroups.h"
#include "controls/TabCtrlSSL.h"
#include "corvane/dll_processor.h"
#include "corvane/module_table.h"
#include "shared/DialogFrame.h"

namespace {

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

// The last column's parts: the framework's common version with its day count and build date.
constexpr std::uint32_t kVersionTextMask = 16;

QString Printf(const char* format, int a, int b = 0, int c = 0) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b, c);
  return QString::fromLatin1(text);
}

const char16_t kNotices[] =
    u"Pellamor 데이터 복구 도구\n"
    u"Copyright (C) OrbaneLab. All rights reserved.\n"
    u"\n"
    u"Corvane 복구 엔진, Byteloom 헥사 편집기와 Bootmend MBR 편집기는 Pellamor와 함께 배포되는 "
    u"OrbaneLab의 제품입니다.\n"
    u"이 프로그램은 저작권법의 보호를 받습니다. 허가 없이 프로그램의 전부 또는 일부를 복제하거나 "
    u"배포하는 것을 금합니다.\n"
    u"\n"
    u"TradeMark Acknowledgement \n"
    u"Pellamor, Corvane, Byteloom, Bootmend는 OrbaneLab의 상표입니다.\n"
    u" \n"
    u"함께 배포되는 구성 요소\n"
    u"Qt 6: GNU Lesser General Public License 3 (LGPL-3.0)에 따라 동적 라이브러리로 연결됩니다. "
    u"라이선스 전문과 소스 코드는 Qt 배포처에서 받을 수 있으며, 사용자는 이 라이브러리를 다른 "
    u"빌드로 바꾸어 쓸 수 있습니다.";

}  // namespace

CDlgAboutModuleInfo::CDlgAboutModuleInfo(QWidget* parent) : CTabPageSSL(parent) {
  auto* caption = new QLabel(QStringLiteral("Installed products:"), this);
  list_ = new CGridListCtrlGroups(this);
  list_->setObjectName(QStringLiteral("list1510"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption);
  layout->addWidget(list_, 1);
  OnInitDialog();
}

void CDlgAboutModuleInfo::OnInitDialog() {
  const int rows = static_cast<int>(g_ModuleTable.size());
  // The modules report their versions again. The landed version readers take a 32-bit value, so
  // the record's address cannot be handed over: they are given 0.
  for (int place = 0; place < rows; ++place) {
    MODULEINFO& row = ModuleRow(place);
    if (IsLoadableModule(place) && row.versionFunction) row.versionFunction(0);
    if (pfn_load_module_version) pfn_load_module_version(&row.version);
  }

  list_->InsertColumn(0, Text(u"이름"), Qt::AlignLeft, 220);
  list_->InsertColumn(1, Text(u"버전"), Qt::AlignHCenter, 40);
  list_->InsertColumn(2, Text(u"빌드"), Qt::AlignLeft, 50);
  list_->InsertColumn(3, Text(u"패치"), Qt::AlignHCenter, 40);
  list_->InsertColumn(4, Text(u"수정한 날짜"), Qt::AlignLeft, 90);
  list_->InsertColumn(5, Text(u"버전구조"), Qt::AlignLeft, 120);
  list_->header()->setStretchLastSection(true);  // the version text takes the rest of the width
  for (int place = 0; place < rows; ++place) {
    const MODULEINFO& row = ModuleRow(place);
    const auto& v = row.version.module;
    const int at = list_->InsertItem(place, QString::fromStdU16String(row.fileName));
    list_->SetItemText(at, 1, Printf("%d.%d", static_cast<int>(v[kVerA]), static_cast<int>(v[kVerB])));
    list_->SetItemText(at, 2, Printf("%d", static_cast<int>(v[kVerC])));
    list_->SetItemText(at, 3, Printf("%d", static_cast<int>(v[kVerD])));
    list_->SetItemText(at, 4,
                       Printf("%04d-%02d-%02d", static_cast<int>(v[kBuildYear]), static_cast<int>(v[kBuildMonth]),
                              static_cast<int>(v[kBuildDay])));
    list_->SetItemText(at, 5, QString::fromStdU16String(FormatModuleVersionText(place, kVersionTextMask)));
  }
}

CDlgAboutCopyright::CDlgAboutCopyright(QWidget* parent) : CTabPageSSL(parent) {
  auto* notices = new QLabel(Text(kNotices), this);
  notices->setObjectName(QStringLiteral("notices"));
  notices->setWordWrap(true);
  notices->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  notices->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(notices, 1);
}

CAboutSheet::CAboutSheet(QWidget* parent, int page) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Pellamor ..."));
  tabs_ = new CTabCtrlSSL(this);
  modules_ = new CDlgAboutModuleInfo;
  notices_ = new CDlgAboutCopyright;
  tabs_->AddPage(Text(u"버전정보"), 0, modules_, 1);
  tabs_->AddPage(Text(u"저작권"), 1, notices_, 1);
  if (page > 0 && page < tabs_->count()) tabs_->setCurrentIndex(page);

  // Only OK, centred across the sheet.
  ok_ = dlgframe::MakeButton(this, {u"확인", "ok", dlgframe::Role::Accept, true});
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok_);
  row->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addLayout(row);
  resize(700, 440);
}

void CAboutSheet::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (centred_) return;
  centred_ = true;
  QRect area;
  if (QWidget* owner = parentWidget()) {
    area = owner->window()->frameGeometry();
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
}

bool CAboutSheet::Open(QWidget* parent, const Args& args) {
  CAboutSheet sheet(parent, args.page);
  return sheet.exec() == QDialog::Accepted;
}

CAboutSheet::Args CAboutSheet::ArgsFrom(const dlg::DialogArgs& values) { return {dlg::IntArg(values, 0, 0)}; }
