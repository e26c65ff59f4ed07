#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QTreeWidget>

#include "controls/FlatHeaderCtrl.h"
#include "tests/gallery/gallery.h"

QWidget* MakeFlatHeaderPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  auto* tree = new QTreeWidget;
  auto* header = new CFlatHeaderCtrl(Qt::Horizontal, tree);
  tree->setHeader(header);
  tree->setRootIsDecorated(false);
  tree->setColumnCount(5);
  tree->setHeaderLabels({QStringLiteral("이름"), QStringLiteral("크기"), QStringLiteral("형식"),
                         QStringLiteral("수정한 날짜"), QStringLiteral("상태")});
  tree->headerItem()->setTextAlignment(1, Qt::AlignRight);
  tree->headerItem()->setTextAlignment(4, Qt::AlignHCenter);
  header->setStretchLastSection(false);
  header->setSectionsMovable(true);
  const int widths[] = {160, 80, 90, 130, 60};
  for (int i = 0; i < 5; ++i) header->resizeSection(i, widths[i]);

  auto extra = [](int style, int min, int max, const QString& tip) {
    HDITEMEX ex;
    ex.nStyle = style;
    ex.iMinWidth = min;
    ex.iMaxWidth = max;
    ex.strToolTip = tip;
    return ex;
  };
  header->SetItemEx(0, extra(HDF_EX_PERSISTENT, 80, 0, QStringLiteral("이름: 80 픽셀 이상, 헤더 밖으로 끌 수 없음")));
  header->SetItemEx(1, extra(0, 40, 120, QStringLiteral("크기: 40에서 120 픽셀")));
  header->SetItemEx(2, extra(HDF_EX_FIXEDWIDTH, 0, 0, QStringLiteral("형식: 고정 폭")));
  header->SetItemEx(3, extra(HDF_EX_AUTOWIDTH | HDF_EX_INCLUDESORT, 120, 0,
                             QStringLiteral("수정한 날짜: 제목에 맞춘 폭, 120 픽셀 이상")));
  header->SetItemEx(4, extra(0, 30, 0, QString()));
  header->SetSortColumn(1, false);
  QObject::connect(header, &QHeaderView::sectionClicked, header, [header](int column) {
    header->SetSortColumn(column, column == header->GetSortColumn() ? !header->GetSortAscending() : true);
  });

  const char16_t* rows[][5] = {
      {u"보고서.hwp", u"12,288", u"한글 문서", u"2009-03-14 10:22", u"좋음"},
      {u"사진_001.jpg", u"1,048,576", u"JPEG 이미지", u"2010-07-01 18:05", u"좋음"},
      {u"목록.txt", u"512", u"텍스트 문서", u"2008-12-25 09:00", u"덮어씀"},
  };
  for (const auto& row : rows) {
    auto* item = new QTreeWidgetItem(tree);
    for (int c = 0; c < 5; ++c) item->setText(c, QString::fromUtf16(row[c]));
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  }

  // Dropping a column here hides it.
  auto* target = new QLabel(QStringLiteral("열을 여기로 끌어 놓으면 숨깁니다"));
  target->setFrameShape(QFrame::StyledPanel);
  target->setAlignment(Qt::AlignCenter);
  target->setMinimumHeight(40);
  header->SetDragOffTarget(target);
  header->SetEndDragHook([header](int item, int, int state) {
    if (state == CFlatHeaderCtrl::DropOnTarget) header->hideSection(item);
    return false;
  });
  auto* showAll = new QCheckBox(QStringLiteral("맞춤 모드 (다음 열들이 폭을 채움)"));
  QObject::connect(showAll, &QCheckBox::toggled, header, [header](bool on) { header->SetFitMode(on); });
  auto* reset = new QCheckBox(QStringLiteral("숨긴 열 보이기"));
  QObject::connect(reset, &QCheckBox::toggled, header, [header, reset](bool on) {
    if (!on) return;
    for (int i = 0; i < header->count(); ++i) header->showSection(i);
    reset->setChecked(false);
  });

  grid->addWidget(tree, 0, 0, 1, 2);
  grid->addWidget(target, 1, 0, 1, 2);
  grid->addWidget(showAll, 2, 0);
  grid->addWidget(reset, 2, 1);
  return page;
}
