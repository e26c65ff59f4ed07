#include "Pellamor/DLG/CClusterViewer/CClusterViewer.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTabBar>
#include <QTreeWidgetItem>

#include <algorithm>

#include "Pellamor/DriveSession.h"
#include "controls/JorunListCtrl.h"
#include "controls/ReportCtrl.h"
#include "corvane/capabilities.h"
#include "corvane/dll_processor.h"
#include "corvane/fat_dir.h"
#include "corvane/fat_records.h"
#include "corvane/filesystem.h"

namespace {

constexpr int kMargin = 7;
constexpr int kLeftWidth = 230;

// The hex page's columns fit their texts: the offset, sixteen bytes as "00 " and sixteen characters.
int HexColumnWidth(const QFontMetrics& metrics, int column) {
  constexpr int kPadding = 24;
  if (column == 0) return metrics.horizontalAdvance(QStringLiteral("00000")) + kPadding;
  if (column == 1) {
    int digit = 0;
    for (QChar c : QStringLiteral("0123456789ABCDEF")) digit = std::max(digit, metrics.horizontalAdvance(c));
    return 16 * (2 * digit + metrics.horizontalAdvance(QLatin1Char(' '))) + kPadding;
  }
  return metrics.averageCharWidth() * 17 + kPadding;
}

QString Q(const std::u16string& s) { return QString::fromStdU16String(s); }

template <class F>
QString Call(F* f, const FATDIRENTRY* e) {
  return f ? Q(f(e)) : QString();
}

QChar Printable(std::uint8_t b) { return b >= 0x20 && b <= 0x7E ? QChar(char16_t(b)) : QChar(u'.'); }

}  // namespace

CClusterViewer::CClusterViewer(QWidget* parent) : CClusterViewer(parent, Args{}) {}

CClusterViewer::CClusterViewer(QWidget* parent, const Args& args) : CResizableDialog(parent) {
  setObjectName(QStringLiteral("CClusterViewer"));
  session_ = CDriveSession::Current();
  if (session_ && session_->IsOpen()) {
    letter_ = session_->DriveLetter();
    rec_ = CurrentFatRecord(session_->FileSystem());
    view_ = ChainViewOf(rec_);
    // Nothing of the engine outlives the drive: the dialog lets go and closes with it.
    connect(session_, &CDriveSession::closing, this, [this] {
      Forget();
      reject();
    });
  }

  // Wide enough for the hex page's three columns beside the cluster list.
  const QFontMetrics metrics(font());
  const int hexWidth = HexColumnWidth(metrics, 0) + HexColumnWidth(metrics, 1) + HexColumnWidth(metrics, 2);
  resize(std::max(660, 3 * kMargin + kLeftWidth + hexWidth + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8),
         440);
  const QSize client = size();
  // 1. The two tab bars: they hold no pages, a page change rebuilds the one view below.
  leftTabs_ = new QTabBar(this);
  leftTabs_->setObjectName(QStringLiteral("Tab1068"));
  leftTabs_->setDrawBase(true);
  leftTabs_->addTab(QStringLiteral(u"체인"));
  leftTabs_->addTab(QStringLiteral(u"파일 할당 테이블"));
  rightTabs_ = new QTabBar(this);
  rightTabs_->setObjectName(QStringLiteral("Tab1069"));
  rightTabs_->setDrawBase(true);
  rightTabs_->addTab(QStringLiteral(u"16진수 형식"));
  rightTabs_->addTab(QStringLiteral(u"텍스트 형식"));
  rightTabs_->addTab(QStringLiteral(u"디렉토리 형식"));
  const int tabHeight = std::max(leftTabs_->sizeHint().height(), rightTabs_->sizeHint().height());
  const int bodyTop = kMargin + tabHeight;
  const int bodyHeight = client.height() - bodyTop - kMargin;
  const int rightLeft = kMargin + kLeftWidth + kMargin;
  const int rightWidth = client.width() - rightLeft - kMargin;
  leftTabs_->setGeometry(kMargin, kMargin, kLeftWidth, tabHeight);
  rightTabs_->setGeometry(rightLeft, kMargin, rightWidth, tabHeight);

  // 3. The right view.
  list_ = new CJorunListCtrl(this);
  list_->setObjectName(QStringLiteral("List1064"));
  list_->SetHighlightType(CJorunListCtrl::HIGHLIGHT_ROW);
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setGeometry(rightLeft, bodyTop, rightWidth, bodyHeight);

  // 5. The left list: cluster numbers and their table values, asked for as they are painted.
  report_ = new CReportCtrl(this, kReportStyle, kReport);
  report_->setGeometry(kMargin, bodyTop, kLeftWidth, bodyHeight);
  report_->SetNotifyHandler([this](NMREPORT& nm) { return OnNotify(nm); });
  RVSUBITEM number;
  number.nFormat = RVCF_TEXT;
  number.iWidth = 90;
  number.strText = QStringLiteral(u"클러스터");
  RVSUBITEM next = number;
  next.iWidth = 110;
  next.strText = QStringLiteral(u"다음");
  report_->DefineSubItem(0, number);
  report_->DefineSubItem(1, next);
  report_->ShowSubItem(0);
  report_->ShowSubItem(1);
  report_->SetItemCount(RowCount());

  // 4. Anchors: the left side grows in height, the right side in both directions.
  AddAnchor(leftTabs_, anchor::TopLeft, anchor::BottomLeft);
  AddAnchor(report_, anchor::TopLeft, anchor::BottomLeft);
  AddAnchor(rightTabs_, anchor::TopLeft, anchor::BottomRight);
  AddAnchor(list_, anchor::TopLeft, anchor::BottomRight);
  leftTabs_->lower();
  rightTabs_->lower();

  connect(leftTabs_, &QTabBar::currentChanged, this, &CClusterViewer::OnLeftTab);
  connect(rightTabs_, &QTabBar::currentChanged, this, [this] { BuildPage(); });

  // 2. The caption, and the current row drawn selected: the remembered row, or cluster 0.
  const int rows = RowCount();
  const int first = rows > 0 ? std::clamp(args.row, 0, rows - 1) : -1;
  cluster_ = first > 0 ? std::uint32_t(first) : 0;
  SetCaption();
  if (first >= 0)
    ChooseRow(first);
  else
    BuildPage();
  report_->setFocus(Qt::OtherFocusReason);
}

CClusterViewer::~CClusterViewer() {
  if (report_) report_->SetNotifyHandler({});
}

void CClusterViewer::showEvent(QShowEvent* event) {
  CResizableDialog::showEvent(event);
  report_->setFocus(Qt::OtherFocusReason);  // the list has the focus when the viewer opens
}

int CClusterViewer::Open(QWidget* parent, const Args& args) {
  CDriveSession* session = CDriveSession::Current();
  if (!session || !session->IsOpen() || !session->Capabilities() || !session->Capabilities()->clusterViewer)
    return 0;
  CClusterViewer dialog(parent, args);
  return dialog.exec();
}

CClusterViewer::Args CClusterViewer::ArgsFrom(const dlg::DialogArgs& values) { return {dlg::IntArg(values, 0, -1)}; }

int CClusterViewer::RowCount() const {
  return rec_ && rec_->geometry.lastCluster >= 2 ? int(std::min<std::uint32_t>(rec_->geometry.lastCluster, INT32_MAX - 1)) + 1
                                                 : 0;
}

QString CClusterViewer::NextText(int row) const {
  if (row == 0 || row == 1) return QStringLiteral(u"<예약>");
  if (!view_.ok() || row < 0 || std::uint32_t(row) > view_.lastCluster) return {};
  const std::uint32_t v = view_.Entry(std::uint32_t(row));
  if (v == 0) return QStringLiteral(u"<미사용>");
  if (view_.IsEnd(v)) return QStringLiteral(u"<끝>");
  if (view_.IsBad(v)) return QStringLiteral(u"<불량>");
  return QString::number(v);
}

qintptr CClusterViewer::OnNotify(NMREPORT& nm) {
  switch (nm.code) {
    case RVN_ITEMCALLBACK: {
      RVITEM& item = static_cast<NMRVITEMCALLBACK&>(nm).item;
      item.strText = item.iSubItem == 0 ? QString::number(item.iItem) : NextText(item.iItem);
      item.nMask &= RVIM_TEXT;
      return 0;
    }
    case RVN_SELECTIONCHANGED: {
      const auto& n = static_cast<NMRVITEM&>(nm);
      if (n.nState & RVIS_SELECTED) {
        row_ = n.iItem;
        cluster_ = std::uint32_t(std::max(0, n.iItem));
        SetCaption();
        ReadCurrent();
        BuildPage();
      }
      return 0;
    }
    default:
      return 0;
  }
}

void CClusterViewer::ChooseRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  report_->SelectItems(row, row);
  report_->EnsureVisible(row);
}

void CClusterViewer::SetCaption() {
  if (leftTabs_ && leftTabs_->currentIndex() == 1) {
    setWindowTitle(QStringLiteral(u"클러스터 보기"));
    return;
  }
  setWindowTitle(QStringLiteral(u"(%1:) 드라이브 - 클러스터 %2").arg(QChar(char16_t(letter_))).arg(cluster_));
}

void CClusterViewer::OnLeftTab(int index) {
  SetCaption();
  if (index == 0) {
    ReadCurrent();
    BuildPage();
  }
}

// Only data clusters are read, into the viewer's own buffer; a failed read leaves it empty and
// says nothing.
void CClusterViewer::ReadCurrent() {
  data_.clear();
  if (!rec_ || cluster_ < 2 || cluster_ > rec_->geometry.lastCluster) return;
  const std::uint32_t bytes = FatClusterBytes(rec_);
  const std::uint32_t sectors = FatSectorsPerCluster();
  if (bytes == 0 || sectors == 0) return;
  std::vector<std::uint8_t> buffer(bytes);
  if (!ReadVolumeSectors(rec_, buffer.data(), ClusterToSector(cluster_, rec_), sectors)) return;
  data_ = std::move(buffer);
}

void CClusterViewer::BuildPage() {
  list_->clear();
  const int page = rightTabs_->currentIndex();
  struct Column {
    const char16_t* text;
    int width;
  };
  std::vector<Column> columns;
  if (page == kHexPage)
    columns = {{u"오프셋", HexColumnWidth(list_->fontMetrics(), 0)},
               {u"16진수 데이터", HexColumnWidth(list_->fontMetrics(), 1)},
               {u"텍스트", HexColumnWidth(list_->fontMetrics(), 2)}};
  else if (page == kTextPage)
    columns = {{u"텍스트", 600}};
  else
    columns = {{u"이름", 130}, {u"클러스터", 70}, {u"크기", 80}, {u"만든 날짜", 130},
               {u"액세스한 날짜", 100}, {u"수정한 날짜", 130}, {u"속성", 100}};
  QStringList labels;
  for (const Column& c : columns) labels << QString::fromUtf16(c.text);
  list_->setColumnCount(int(columns.size()));
  list_->setHeaderLabels(labels);
  for (std::size_t i = 0; i < columns.size(); ++i) list_->header()->resizeSection(int(i), columns[i].width);

  QList<QTreeWidgetItem*> rows;
  const std::size_t shown = std::min<std::size_t>(data_.size(), kShownBytes);
  if (page == kHexPage) {
    for (std::size_t at = 0; at < shown; at += 16) {
      QString hex, text;
      for (std::size_t i = at; i < std::min(shown, at + 16); ++i) {
        hex += QString::asprintf("%02X ", data_[i]);
        text += Printable(data_[i]);
      }
      rows << new QTreeWidgetItem(QStringList{QString::asprintf("%04X", unsigned(at)), hex, text});
    }
  } else if (page == kTextPage) {
    QString line;
    bool any = false;
    for (std::size_t i = 0; i < shown; ++i) {
      const std::uint8_t b = data_[i];
      if (b == '\r' || b == '\n') {
        rows << new QTreeWidgetItem(QStringList{line});
        line.clear();
        if (b == '\r' && i + 1 < shown && data_[i + 1] == '\n') ++i;  // one break for CR LF
        any = false;
        continue;
      }
      line += Printable(b);
      any = true;
    }
    if (any) rows << new QTreeWidgetItem(QStringList{line});
  } else if (!data_.empty()) {
    std::vector<FATDIRENTRY> entries;
    ParseFatDirectory(data_.data(), data_.size(), rec_ ? rec_->geometry.lastCluster : 0, &entries);
    for (const FATDIRENTRY& e : entries)
      rows << new QTreeWidgetItem(QStringList{
          Call(pfn_disp_struct_name_quorin, &e), Call(pfn_disp_struct_cluster_quorin, &e),
          Call(pfn_disp_struct_size_quorin, &e), Call(pfn_disp_struct_createdt_quorin, &e),
          Call(pfn_disp_struct_accessdt_quorin, &e), Call(pfn_disp_struct_modifydt_quorin, &e),
          Call(pfn_disp_struct_attr_quorin, &e)});
  }
  list_->addTopLevelItems(rows);
}

void CClusterViewer::Forget() {
  rec_ = nullptr;
  view_ = {};
  data_.clear();
  if (report_) report_->SetItemCount(0);
  if (list_) list_->clear();
}
