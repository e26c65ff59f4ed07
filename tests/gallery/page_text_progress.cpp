#include <QFormLayout>
#include <QSlider>

#include "controls/TextProgressCtrl.h"
#include "tests/gallery/gallery.h"

QWidget* MakeTextProgressPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  auto add = [&](const QString& label, int lower, int upper, int pos, const QString& text = {}) {
    auto* bar = new CTextProgressCtrl;
    bar->SetRange(lower, upper);
    bar->SetPos(pos);
    bar->SetWindowText(text);
    form->addRow(label, bar);
    return bar;
  };
  add(QStringLiteral("0 %"), 0, 100, 0);
  add(QStringLiteral("33 %"), 0, 300, 100);
  add(QStringLiteral("50 %"), 0, 100, 50);
  add(QStringLiteral("100 %"), 0, 100, 100);
  add(QStringLiteral("범위 밖 (150/100)"), 0, 100, 150);
  add(QStringLiteral("글자 지정"), 0, 100, 42, QStringLiteral("레코드 검색 중... 42/100"));
  add(QStringLiteral("빈 범위 (그리지 않음)"), 50, 50, 50);
  auto* driven = add(QStringLiteral("슬라이더"), 0, 1000, 250);
  auto* slider = new QSlider(Qt::Horizontal);
  slider->setRange(0, 1000);
  slider->setValue(250);
  QObject::connect(slider, &QSlider::valueChanged, driven, [driven](int v) { driven->SetPosAndRedraw(v); });
  form->addRow(QString(), slider);
  return page;
}
