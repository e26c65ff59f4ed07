#include <QVBoxLayout>

#include "controls/PrefsStatic.h"
#include "tests/gallery/gallery.h"

QWidget* MakePrefsStaticPage() {
  auto* page = new QWidget;
  auto* box = new QVBoxLayout(page);
  struct Row {
    const char16_t* caption;
    const char16_t* constant;
    const char* face;
    int height;
    int weight;
  } rows[] = {
      {u"일반", u"환경설정", "", 12, 400},
      {u"업데이트", u"환경설정", "NanumGothic", 16, 700},
      {u"복구 폴더", u"Pellamor", "NanumGothicCoding", 14, 400},
      {u"아주 긴 제목이 띠를 넘어가도 글자가 잘리는 곳까지만 그립니다", u"설정", "", 12, 400},
  };
  for (const Row& r : rows) {
    auto* caption = new CPrefsStatic;
    caption->setText(QString::fromUtf16(r.caption));
    caption->SetConstantText(QString::fromUtf16(r.constant));
    caption->SetFontName(QString::fromLatin1(r.face));
    caption->SetFontSize(r.height);
    caption->SetFontWeight(r.weight);
    caption->setMinimumHeight(32);
    box->addWidget(caption);
  }
  auto* white = new CPrefsStatic;
  white->setText(QStringLiteral("흰 글자"));
  white->SetTextColor(Qt::white);
  white->SetConstantText(QStringLiteral("옵션"));
  white->setMinimumHeight(32);
  box->addWidget(white);
  box->addStretch();
  return page;
}
