#include <QGridLayout>
#include <QLabel>

#include "controls/ReportCtrl.h"
#include "tests/gallery/gallery.h"

namespace {

void Columns(CReportCtrl* ctrl, const char16_t* first, const char16_t* second) {
  RVSUBITEM a;
  a.nFormat = RVCF_TEXT;
  a.iWidth = 90;
  a.strText = QString::fromUtf16(first);
  RVSUBITEM b = a;
  b.iWidth = 150;
  b.nFormat = RVCF_TEXT | RVCF_EX_TOOLTIP;
  b.strText = QString::fromUtf16(second);
  ctrl->DefineSubItem(0, a);
  ctrl->DefineSubItem(1, b);
  ctrl->ShowSubItem(0);
  ctrl->ShowSubItem(1);
}

}  // namespace

QWidget* MakeReportCtrlPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);

  // Callback mode over a FAT32-sized row count, as the cluster viewer uses it.
  grid->addWidget(new QLabel(QStringLiteral(u"콜백: 268,435,447 행, 격자")), 0, 0);
  auto* clusters = new CReportCtrl(nullptr, 0x50810800u | RVS_SINGLESELECT | RVS_SHOWHGRID | RVS_SHOWVGRID);
  clusters->SetNotifyHandler([](NMREPORT& nm) -> qintptr {
    if (nm.code != RVN_ITEMCALLBACK) return 0;
    RVITEM& item = static_cast<NMRVITEMCALLBACK&>(nm).item;
    const int row = item.iItem;
    if (item.iSubItem == 0)
      item.strText = QString::number(row);
    else
      item.strText = row < 2 ? QStringLiteral(u"<예약>") : row % 5 == 0 ? QStringLiteral(u"<끝>") : QString::number(row + 1);
    item.nMask &= RVIM_TEXT;
    return 0;
  });
  Columns(clusters, u"클러스터", u"다음");
  clusters->SetItemCount(268435447);
  clusters->SelectItems(3, 3);
  grid->addWidget(clusters, 1, 0);

  // Stored cells in the input row: a check box, a radio mark and a cut text; an empty list text.
  grid->addWidget(new QLabel(QStringLiteral(u"입력 행, 빈 목록")), 0, 1);
  auto* input = new CReportCtrl(nullptr, RVS_WS_BORDER | RVS_SHOWEDITROW | RVS_EXPANDSUBITEMS);
  Columns(input, u"이름", u"설명");
  input->SetItemText(-1, 0, QStringLiteral(u"새 항목"));
  RVITEM check;
  check.nMask = RVIM_CHECK | RVIM_TEXT;
  check.iItem = -1;
  check.iSubItem = 1;
  check.iCheck = 3;
  check.strText = QStringLiteral(u"잘리는 아주 긴 설명 텍스트입니다");
  input->SetItem(check);
  input->SetEmptyListText(QStringLiteral(u"표시할 항목이 없습니다."));
  grid->addWidget(input, 1, 1);
  return page;
}
