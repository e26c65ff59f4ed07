#include <QLabel>
#include <QVBoxLayout>

#include <cstdint>
#include <vector>

#include "shared/ByteloomBase.h"
#include "tests/gallery/gallery.h"

namespace {

// A boot-sector-like block: code bytes, a text and the 55 AA signature.
std::vector<std::uint8_t> SampleBlock() {
  std::vector<std::uint8_t> bytes(512);
  for (int i = 0; i < 512; ++i) bytes[i] = static_cast<std::uint8_t>((i * 37) & 0xFF);
  const char text[] = "Missing operating system. Press any key...";
  for (std::size_t i = 0; i + 1 < sizeof(text); ++i) bytes[0x60 + i] = static_cast<std::uint8_t>(text[i]);
  bytes[510] = 0x55;
  bytes[511] = 0xAA;
  return bytes;
}

}  // namespace

QWidget* MakeHexEditPage() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  const auto bytes = SampleBlock();

  column->addWidget(new QLabel(QString::fromUtf16(u"여러 줄 (주소 4자리, 문자 열, 너비 맞춤)")));
  auto* multi = new CByteloomBase;
  multi->SetMultiLine(true);
  multi->SetAddressDigits(4);
  multi->ShowAddressColumn(true);
  multi->ShowAsciiColumn(true);
  multi->SetBytesPerRow(16, true);
  multi->SetData(bytes.data(), bytes.size());
  multi->SetSelection(0x60, 0x89);
  column->addWidget(multi, 1);

  column->addWidget(new QLabel(QString::fromUtf16(u"한 줄 (512바이트가 한 행)")));
  auto* single = new CByteloomBase;
  single->ShowAddressColumn(true);
  single->SetAddressDigits(4);
  single->SetData(bytes.data(), bytes.size());
  single->setFixedHeight(single->RowHeight() + 2 * single->frameWidth());
  column->addWidget(single);

  column->addWidget(new QLabel(QString::fromUtf16(u"데이터 없음")));
  auto* empty = new CByteloomBase;
  empty->SetMultiLine(true);
  empty->setFixedHeight(40);
  column->addWidget(empty);
  return page;
}
