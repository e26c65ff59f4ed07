#include <QAbstractTableModel>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include <cstdint>
#include <vector>

#include "controls/GridListCtrlGroups.h"
#include "tests/gallery/gallery.h"
#ifdef GALLERY_ROW_BOX
#include "Pellamor/DLG/ListInfoBox/DlgListInfoBox.h"
#endif

namespace {

// A million found files: the six texts of a row are made when asked for, from the row number.
class FoundFilesModel : public QAbstractTableModel {
 public:
  static constexpr int kRows = 1000000;
  static constexpr int kSizeColumn = 1;

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kRows; }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 6; }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const int row = index.row();
    if (role == kGridSortKeyRole && index.column() == kSizeColumn) return qlonglong(Size(row));
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
      case 0:
        return QStringLiteral("%1_%2.%3")
            .arg(QString::fromUtf16(kStems[Mix(row, 3) % 8]))
            .arg(row, 7, 10, QLatin1Char('0'))
            .arg(QLatin1String(kTypes[Type(row)].extension));
      case 1:
        return QLocale(QLocale::English).toString(qlonglong(Size(row)));
      case 2:
        return QString::fromUtf16(kTypes[Type(row)].name);
      case 3: {
        const QDate day = QDate(2005, 1, 1).addDays(Mix(row, 5) % 2000);
        const int minute = int(Mix(row, 7) % 1440);
        return QStringLiteral("%1 %2:%3")
            .arg(day.toString(Qt::ISODate))
            .arg(minute / 60, 2, 10, QLatin1Char('0'))
            .arg(minute % 60, 2, 10, QLatin1Char('0'));
      }
      case 4: {
        const uint32_t h = Mix(row, 11) % 10;
        return QString::fromUtf16(h < 7 ? u"좋음" : h < 9 ? u"덮어씀" : u"손상");
      }
      case 5:
        return QStringLiteral("D:\\%1\\%2\\")
            .arg(QString::fromUtf16(kFolders[Mix(row, 13) % 4]))
            .arg(row / 1000, 3, 10, QLatin1Char('0'));
    }
    return {};
  }

 private:
  struct FileType {
    const char16_t* name;
    const char* extension;
  };
  static constexpr FileType kTypes[] = {
      {u"한글 문서", "hwp"},   {u"JPEG 이미지", "jpg"}, {u"텍스트 문서", "txt"}, {u"압축 파일", "zip"},
      {u"MP3 오디오", "mp3"}, {u"응용 프로그램", "exe"}, {u"PDF 문서", "pdf"},   {u"동영상", "avi"},
  };
  static constexpr const char16_t* kStems[] = {u"보고서", u"사진", u"목록", u"회의록",
                                               u"노래",   u"설치", u"계약서", u"여행"};
  static constexpr const char16_t* kFolders[] = {u"자료", u"문서", u"사진첩", u"내려받기"};

  static uint32_t Mix(int row, uint32_t salt) {
    uint32_t x = uint32_t(row) * 2654435761u + salt * 0x9E3779B9u;
    x ^= x >> 15;
    x *= 0x85EBCA6Bu;
    x ^= x >> 13;
    return x;
  }
  static int Type(int row) { return int(Mix(row, 1) % 8); }
  static int64_t Size(int row) {
    // Spread over several orders of magnitude, so the sorted column shows short and long numbers.
    return 1 + int64_t(Mix(row, 2) % (uint32_t(1) << (8 + Mix(row, 4) % 18)));
  }
};

CGridListCtrlGroups* StoredList() {
  auto* list = new CGridListCtrlGroups;
  list->InsertColumn(0, QStringLiteral("구성 요소"), Qt::AlignLeft, 150);
  list->InsertColumn(1, QStringLiteral("버전"), Qt::AlignRight, 70);
  list->InsertColumn(2, QStringLiteral("설명"), Qt::AlignLeft, 300);
  const char16_t* rows[][3] = {
      {u"win.dll", u"1.2.0", u"디스크와 볼륨 읽기"},
      {u"fs.dll", u"1.1.4", u"파일 시스템 해석"},
      {u"ntfs.dll", u"1.3.1", u"NTFS 레코드 복원"},
      {u"exfat.dll", u"1.0.2", u"exFAT 디렉터리 항목"},
      {u"cdfs.dll", u"1.0.0", u"CD 파일 시스템"},
  };
  for (const auto& r : rows) {
    const int row = list->InsertItem(list->GetItemCount(), QString::fromUtf16(r[0]));
    list->SetItemText(row, 1, QString::fromUtf16(r[1]));
    list->SetItemText(row, 2, QString::fromUtf16(r[2]));
  }
  return list;
}

constexpr int kMaxRowBoxes = 20;

}  // namespace

QWidget* MakeGridListPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);

  auto* hint = new QLabel(QStringLiteral(
      "머리글 클릭: 정렬 · 머리글 오른쪽 클릭: 열 숨기기, 그룹 · 글자 입력: 찾기 · Ctrl+C: 복사 · 끌어서 행 옮기기"));
  hint->setWordWrap(true);
  grid->addWidget(hint, 0, 0, 1, 2);

  auto* list = new CGridListCtrlGroups;
  list->setObjectName(QStringLiteral("foundFiles"));
  const struct {
    const char16_t* heading;
    Qt::Alignment alignment;
    int width;
  } columns[] = {
      {u"이름", Qt::AlignLeft, 170},        {u"크기", Qt::AlignRight, 90},
      {u"형식", Qt::AlignLeft, 100},        {u"수정한 날짜", Qt::AlignLeft, 130},
      {u"상태", Qt::AlignHCenter, 60}, {u"경로", Qt::AlignLeft, 150},
  };
  for (int c = 0; c < 6; ++c)
    list->InsertColumn(c, QString::fromUtf16(columns[c].heading), columns[c].alignment, columns[c].width);
  auto* model = new FoundFilesModel;
  model->setParent(list);
  list->SetOwnerModel(model);
  grid->addWidget(list, 1, 0, 1, 2);
  grid->setRowStretch(1, 1);

  // Sorted by size, largest first, then grouped by type: the members keep the sorted order. The
  // fifth group is open, the others collapsed, with three of its rows selected.
  list->SortColumn(FoundFilesModel::kSizeColumn, false);
  list->GroupByColumn(2);
  list->SetSortArrow(FoundFilesModel::kSizeColumn, false);
  list->CollapseAllGroups();
  list->SetGroupState(list->GetGroupId(4), CGridListCtrlGroups::kGroupNormal);
  const int first = list->GetOrderModel()->GroupViewRow(4) + 2;
  list->SelectOwnerRows({list->OwnerRow(first), list->OwnerRow(first + 1), list->OwnerRow(first + 2)});
  list->SetFocusRow(first + 2);

  auto* status = new QLabel;
  auto showCount = [list, status] {
    status->setText(QStringLiteral("선택한 항목: %1개 / %2개")
                        .arg(QLocale(QLocale::English).toString(list->GetSelectedCount()))
                        .arg(QLocale(QLocale::English).toString(list->GetItemCount())));
  };
  showCount();
  QObject::connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, status, showCount);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(status, 1);
  auto* group = new QPushButton(QStringLiteral("그룹 해제"));
  QObject::connect(group, &QPushButton::clicked, list, [list, group] {
    if (list->IsGroupStateEnabled()) {
      list->RemoveAllGroups();
      group->setText(QStringLiteral("형식별 그룹"));
    } else {
      list->GroupByColumn(2);
      group->setText(QStringLiteral("그룹 해제"));
    }
  });
  buttons->addWidget(group);
  auto* copy = new QPushButton(QStringLiteral("복사"));
  QObject::connect(copy, &QPushButton::clicked, list, [list] { list->CopyToClipboard(); });
  buttons->addWidget(copy);
#ifdef GALLERY_ROW_BOX
  auto* info = new QPushButton(QStringLiteral("행 정보"));
  info->setObjectName(QStringLiteral("rowInfo"));
  // One box per selected row: a select-all of the million would open a million windows.
  QObject::connect(info, &QPushButton::clicked, list, [list, status] {
    if (list->GetSelectedCount() > kMaxRowBoxes)
      status->setText(QStringLiteral("행 정보는 %1개 이하의 행을 선택하십시오.").arg(kMaxRowBoxes));
    else
      ShowListRowInfo(list);
  });
  buttons->addWidget(info);
#endif
  grid->addLayout(buttons, 2, 0, 1, 2);

  grid->addWidget(new QLabel(QStringLiteral("저장된 행 (InsertItem, SetItemText)")), 3, 0, 1, 2);
  auto* stored = StoredList();
  stored->setFixedHeight(120);
  grid->addWidget(stored, 4, 0, 1, 2);
  return page;
}

void StageGridListPage(QWidget* page) {
  // The row box of the first selected row.
  auto* list = page->findChild<CGridListCtrlGroups*>(QStringLiteral("foundFiles"));
  if (!list) return;
  const std::vector<int> selected = list->GetSelectedOwnerRows();
  if (selected.empty()) return;
  list->SelectOwnerRows({list->OwnerRow(list->GetFocusRow())});
  if (auto* info = page->findChild<QPushButton*>(QStringLiteral("rowInfo"))) info->click();
  list->SelectOwnerRows(selected);
}
