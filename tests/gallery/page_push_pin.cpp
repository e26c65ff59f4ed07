#include <QGridLayout>
#include <QLabel>
#include <QPainter>

#include "controls/PushPinButton.h"
#include "tests/gallery/gallery.h"

namespace {

// A strip of count coloured squares, numbered.
QPixmap NumberedStrip(int count) {
  QPixmap strip(20 * count, 20);
  strip.fill(Qt::transparent);
  QPainter p(&strip);
  for (int i = 0; i < count; ++i) {
    p.fillRect(QRect(20 * i, 0, 20, 20), QColor::fromHsv(i * 50, 120, 230));
    p.drawText(QRect(20 * i, 0, 20, 20), Qt::AlignCenter, QString::number(i));
  }
  return strip;
}

}  // namespace

QWidget* MakePushPinPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  auto* pin = new CPushPinButton;
  auto* state = new QLabel(QStringLiteral("고정 안 됨"));
  QObject::connect(pin, &QAbstractButton::clicked, state, [pin, state] {
    state->setText(pin->IsPinned() ? QStringLiteral("고정됨") : QStringLiteral("고정 안 됨"));
  });
  grid->addWidget(new QLabel(QStringLiteral("기본 그림 (누르면 고정)")), 0, 0);
  grid->addWidget(pin, 0, 1);
  grid->addWidget(state, 0, 2);

  auto* pinned = new CPushPinButton;
  pinned->SetPinned(true);
  grid->addWidget(new QLabel(QStringLiteral("고정된 상태")), 1, 0);
  grid->addWidget(pinned, 1, 1);

  // The six images of the built-in strip side by side.
  auto* strip = new QLabel;
  strip->setPixmap(CPushPinButton().ImageStrip());
  grid->addWidget(new QLabel(QStringLiteral("그림 띠 (0 고정 안 됨 ... 5 고정 누름)")), 2, 0);
  grid->addWidget(strip, 2, 1, 1, 2);

  for (int count : {1, 2, 6}) {
    auto* custom = new CPushPinButton;
    custom->SetImageStrip(NumberedStrip(count), count);
    grid->addWidget(new QLabel(QStringLiteral("그림 %1장 띠").arg(count)), 2 + count, 0);
    grid->addWidget(custom, 2 + count, 1);
  }
  grid->setRowStretch(9, 1);
  grid->setColumnStretch(3, 1);
  return page;
}
