#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

#include "controls/PieProgress.h"
#include "tests/gallery/gallery.h"

QWidget* MakePieProgressPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  const int positions[] = {0, 10, 25, 50, 75, 100};
  int column = 0;
  for (int pos : positions) {
    auto* pie = new CPieProgress;
    pie->m_nPos = pos;
    pie->m_crFirst = QColor(255, 0, 255);
    pie->m_crSecond = QColor(0, 0, 255);
    pie->setMinimumSize(90, 70);
    grid->addWidget(pie, (column / 3) * 2, column % 3);
    grid->addWidget(new QLabel(QStringLiteral("사용 %1 %").arg(pos)), (column / 3) * 2 + 1, column % 3, Qt::AlignHCenter);
    ++column;
  }
  auto* live = new CPieProgress;
  live->m_nPos = 60;
  live->setMinimumSize(90, 70);
  auto* spin = new QSpinBox;
  spin->setRange(-10, 110);
  spin->setValue(60);
  spin->setSuffix(QStringLiteral(" % (팔레트 색)"));
  QObject::connect(spin, &QSpinBox::valueChanged, live, [live](int v) {
    live->m_nPos = v;
    live->update();
  });
  grid->addWidget(live, 4, 0, 1, 2);
  grid->addWidget(spin, 4, 2);
  return page;
}
