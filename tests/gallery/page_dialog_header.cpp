#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "shared/DialogHeaderCtrl.h"
#include "shared/Paragraph.h"
#include "tests/gallery/gallery.h"

namespace {

CDialogHeaderCtrl* Band(int icon, const char16_t* title, const char16_t* description, int width = -1) {
  auto* band = new CDialogHeaderCtrl;
  band->SetIconId(icon);
  band->SetTitle(QString::fromUtf16(title));
  band->SetDescription(QString::fromUtf16(description));
  band->setFixedHeight(band->sizeHint().height());
  if (width > 0) band->setFixedWidth(width);
  return band;
}

// One paragraph in a framed box, in one of the three alignments.
class ParagraphBox : public QWidget {
 public:
  ParagraphBox(int alignment, const QString& text) {
    paragraph_.SetFont(QStringLiteral("Tahoma"), 13, false);
    paragraph_.SetAlignment(alignment);
    paragraph_.SetText(text);
    setMinimumSize(120, 70);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Text));
    painter.setFont(paragraph_.Font());
    paragraph_.SetRect(rect().adjusted(4, 4, -4, -4));
    paragraph_.Draw(painter);
  }

 private:
  CParagraph paragraph_;
};

}  // namespace

QWidget* MakeDialogHeaderPage() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  column->addWidget(Band(242, u"항목 정보", u"목록에서 표시되는 항목이 많은 경우 선택한 항목의 모든 열을 일목요연하게 보여줍니다."));
  column->addWidget(Band(256, u"디스크 선택",
                         u"복구할 파일이 있던 디스크나 볼륨을 고르십시오. 좁은 띠에서는 들어가지 않는 글이 "
                         u"줄임표로 끝납니다. 읽는 디스크에는 아무것도 쓰지 않습니다.",
                         330));
  column->addWidget(Band(9999, u"아이콘 없음", u"알 수 없는 아이콘 번호: 제목은 제자리에 있습니다."));
  column->addWidget(Band(305, u"긴 낱말",
                         u"경로: D:\\자료\\내려받기\\아주_긴_폴더_이름_하나로_띠보다_넓은_낱말입니다\\보고서.hwp 끝",
                         420));

  auto* boxes = new QGridLayout;
  const char16_t* text = u"문단은 낱말 단위로 줄을 바꾸고, 상자에 다 들어가지 않으면 마지막 줄이 줄임표로 "
                         u"끝납니다. 왼쪽, 가운데, 오른쪽 정렬.";
  const char16_t* names[] = {u"왼쪽", u"가운데", u"오른쪽"};
  for (int a = 0; a < 3; ++a) {
    boxes->addWidget(new QLabel(QString::fromUtf16(names[a])), 0, a);
    boxes->addWidget(new ParagraphBox(a, QString::fromUtf16(text)), 1, a);
  }
  boxes->setRowStretch(1, 1);
  column->addLayout(boxes, 1);
  return page;
}
