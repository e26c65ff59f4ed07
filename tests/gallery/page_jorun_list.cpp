#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>

#include "controls/JorunListCtrl.h"
#include "tests/gallery/gallery.h"

namespace {

CJorunListCtrl* DriveList(int mode) {
  auto* list = new CJorunListCtrl;
  list->SetHighlightType(mode);
  list->SetShowSelectionAlways(true);
  list->setColumnCount(3);
  list->setHeaderLabels({QStringLiteral("볼륨명"), QStringLiteral("파일시스템"), QStringLiteral("매체유형")});
  list->header()->resizeSection(0, 120);
  list->header()->resizeSection(1, 70);
  list->header()->resizeSection(2, 160);
  const QIcon drive = QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon);
  const QIcon floppy = QApplication::style()->standardIcon(QStyle::SP_DriveFDIcon);
  struct Row {
    const char16_t* name;
    const char16_t* fs;
    const char16_t* type;
    bool removable;
  } rows[] = {
      {u"A 3.5 플로피", u"", u"이동식/카드리더기", true},
      {u"C 드라이브 시스템", u"NTFS", u"하드디스크/플래시드라이브", false},
      {u"D 드라이브 자료", u"FAT32", u"하드디스크/플래시드라이브", false},
      {u"E 이동식 디스크", u"", u"이동식/카드리더기", true},
  };
  for (const Row& r : rows) {
    auto* item = new QTreeWidgetItem(list, {QString::fromUtf16(r.name), QString::fromUtf16(r.fs),
                                            QString::fromUtf16(r.type)});
    item->setIcon(0, r.removable ? floppy : drive);
  }
  list->setCurrentItem(list->topLevelItem(1));
  list->SetItemDropHighlighted(3, true);
  return list;
}

}  // namespace

QWidget* MakeJorunListPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  const char16_t* titles[] = {u"0: 이름만 (E 행은 끌어 놓기 대상)", u"1: 모든 열", u"2: 창 끝까지"};
  for (int mode = 0; mode < 3; ++mode) {
    grid->addWidget(new QLabel(QString::fromUtf16(titles[mode])), mode * 2, 0);
    grid->addWidget(DriveList(mode), mode * 2 + 1, 0);
  }
  return page;
}
