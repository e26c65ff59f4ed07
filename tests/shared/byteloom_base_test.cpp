#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <array>
#include <cstdlib>
#include <cstdint>
#include <vector>

#include "shared/ByteloomBase.h"
#include "tests/support/gui_support.h"

namespace {

using gui_test::App;
using gui_test::SaveShot;
using gui_test::Settle;

std::vector<std::uint8_t> Pattern() {
  std::vector<std::uint8_t> bytes(512);
  for (int i = 0; i < 512; ++i) bytes[i] = static_cast<std::uint8_t>(i);
  return bytes;
}

QByteArray Payload(std::uint32_t count, const QByteArray& bytes) {
  QByteArray p(4, '\0');
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((count >> (8 * i)) & 0xFF);
  return p + bytes;
}

void PutOnClipboard(const QByteArray& payload) {
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(CByteloomBase::kMimeType), payload);
  QGuiApplication::clipboard()->setMimeData(mime);
}

// Set up as every dialog of the suite does: multi-line, 4 address digits, both columns, auto-fit.
void SetUpAsDialogs(CByteloomBase& hex, const std::vector<std::uint8_t>& bytes) {
  hex.SetMultiLine(true);
  hex.SetAddressDigits(4);
  hex.ShowAddressColumn(true);
  hex.ShowAsciiColumn(true);
  hex.SetBytesPerRow(16, true);
  hex.SetData(bytes.data(), bytes.size());
}

QImage Render(QWidget& w) {
  QImage image(w.size(), QImage::Format_RGB32);
  image.fill(Qt::magenta);
  w.render(&image);
  return image;
}

// Pixels within a small distance of the colour (glyph edges are blended with the background).
int CountNear(const QImage& image, const QRect& area, const QColor& colour, int tolerance = 60) {
  int n = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance &&
          std::abs(c.blue() - colour.blue()) <= tolerance)
        ++n;
    }
  return n;
}

int CountColour(const QImage& image, const QRect& area, const QColor& colour) {
  int n = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (image.pixel(x, y) == colour.rgb()) ++n;
  return n;
}

class HexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    SetUpAsDialogs(hex, Pattern());
    hex.resize(620, 300);
    hex.show();
    hex.setFocus();
    Settle();
  }
  void TearDown() override { QGuiApplication::clipboard()->clear(); }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(&hex, key, mods); }
  void Type(const char* text) { QTest::keyClicks(&hex, QString::fromLatin1(text)); }
  std::uint8_t Byte(int i) const { return static_cast<std::uint8_t>(hex.Data()[i]); }
  // The centre of a byte's high digit in viewport pixels.
  QPoint DigitPoint(int byte) const {
    const int row = byte / hex.BytesPerRow() - hex.TopRow();
    const int col = byte % hex.BytesPerRow();
    return QPoint(hex.TextRect().left() + hex.HexLeft() + col * 3 * hex.CharWidth() + 1,
                  hex.TextRect().top() + row * hex.RowHeight() + hex.RowHeight() / 2);
  }

  QApplication& app_ = App();
  CByteloomBase hex;
};

TEST_F(HexTest, LaysOutAsTheDialogsSetIt) {
  const int cw = hex.CharWidth();
  EXPECT_GT(cw, 0);
  EXPECT_TRUE(CByteloomBase::IsFixedPitchFont(hex.ControlFont()));
  EXPECT_GE(cw, QFontMetricsF(hex.ControlFont()).horizontalAdvance(QLatin1Char('0')) - 0.01);
  EXPECT_EQ(hex.TextRect(), hex.viewport()->rect().adjusted(5, 5, -5, -5));
  EXPECT_EQ(hex.AddressWidth(), 4 * cw + 5);
  // Auto-fit: as many bytes as the free width takes at four characters each.
  const int room = hex.TextRect().width() - hex.AddressWidth() - 5;
  const int expected = room / (4 * cw) + (room % (4 * cw) >= 3 * cw ? 1 : 0);
  EXPECT_EQ(hex.BytesPerRow(), expected);
  EXPECT_EQ(hex.HexLeft(), hex.AddressWidth());
  EXPECT_EQ(hex.CharLeft(), hex.HexLeft() + cw * (3 * hex.BytesPerRow() - 1) + 5);
  EXPECT_EQ(hex.CharColumnWidth(), hex.BytesPerRow() * cw);
  EXPECT_EQ(hex.MaxTopRow(), (512 + hex.BytesPerRow() - 1) / hex.BytesPerRow() - hex.FullRows());
  EXPECT_TRUE(hex.verticalScrollBar()->isVisible());
  EXPECT_EQ(hex.verticalScrollBar()->maximum(), hex.MaxTopRow());
  EXPECT_EQ(hex.verticalScrollBar()->pageStep(), hex.FullRows());
  SaveShot(hex, "hex_edit_control");
}

TEST_F(HexTest, TypingOverwritesNibblesAndStopsOnTheLastByte) {
  QSignalSpy changed(&hex, &CByteloomBase::changed);
  Type("aB");
  EXPECT_EQ(Byte(0), 0xAB);
  EXPECT_EQ(hex.CaretByte(), 1);
  EXPECT_TRUE(hex.CaretOnHighNibble());
  Type("xg \b");  // not hex digits: nothing changes
  EXPECT_EQ(Byte(1), 0x01);
  EXPECT_EQ(changed.count(), 2);

  Key(Qt::Key_End);
  EXPECT_EQ(hex.CaretByte(), 511);
  EXPECT_FALSE(hex.CaretOnHighNibble());
  Type("7");
  EXPECT_EQ(Byte(511), 0xF7);
  EXPECT_EQ(hex.CaretByte(), 511);
  EXPECT_FALSE(hex.CaretOnHighNibble());
  Type("3");
  EXPECT_EQ(Byte(511), 0xF3);
  EXPECT_EQ(hex.CaretByte(), 511);
  EXPECT_FALSE(hex.CaretOnHighNibble());
  EXPECT_EQ(changed.count(), 4);

  hex.SetReadOnly(true);
  Type("0");
  EXPECT_EQ(Byte(511), 0xF3);
  EXPECT_EQ(changed.count(), 4);
}

TEST_F(HexTest, MovesStopAtBothEnds) {
  struct Case {
    Qt::Key first, second;
    int byte;
    bool high;
  };
  const std::array<Case, 4> cases = {{
      {Qt::Key_Home, Qt::Key_Left, 0, true},
      {Qt::Key_End, Qt::Key_Right, 511, false},
      {Qt::Key_Home, Qt::Key_Up, 0, true},
      {Qt::Key_End, Qt::Key_PageDown, 511, false},
  }};
  for (const Case& c : cases) {
    Key(c.first);
    Key(c.second);
    EXPECT_EQ(hex.CaretByte(), c.byte) << c.first << " " << c.second;
    EXPECT_EQ(hex.CaretOnHighNibble(), c.high) << c.first << " " << c.second;
  }
  // Right walks nibbles, Down a row; the caret's row is scrolled into view.
  Key(Qt::Key_Home);
  Key(Qt::Key_Right);
  EXPECT_EQ(hex.CaretByte(), 0);
  EXPECT_FALSE(hex.CaretOnHighNibble());
  Key(Qt::Key_Right);
  EXPECT_EQ(hex.CaretByte(), 1);
  EXPECT_TRUE(hex.CaretOnHighNibble());
  Key(Qt::Key_End);
  EXPECT_EQ(hex.TopRow(), hex.MaxTopRow());
  EXPECT_FALSE(hex.CaretRect().isEmpty());
}

TEST_F(HexTest, ShiftExtendsTheSelectionFromTheCaret) {
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);  // byte 1, high
  Key(Qt::Key_Right, Qt::ShiftModifier);
  Key(Qt::Key_Right, Qt::ShiftModifier);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(hex.SelectionStart(), 1);
  EXPECT_EQ(hex.SelectionEnd(), 2 + hex.BytesPerRow());
  Key(Qt::Key_Up, Qt::ShiftModifier);
  Key(Qt::Key_Up, Qt::ShiftModifier);  // before the anchor: ordered
  EXPECT_EQ(hex.SelectionStart(), 0);
  EXPECT_EQ(hex.SelectionEnd(), 1);
  Key(Qt::Key_Right);
  EXPECT_FALSE(hex.HasSelection());
}

TEST_F(HexTest, PageDownMovesAtLeastOneRow) {
  // A text area one row high (and one of no full row): Page Down still moves a row.
  for (int extra : {0, -3}) {
    hex.resize(620, hex.RowHeight() + 10 + extra + (hex.height() - hex.viewport()->height()));
    Settle();
    ASSERT_LE(hex.FullRows(), 1);
    Key(Qt::Key_Home);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(hex.CaretByte(), hex.BytesPerRow()) << extra;
    Key(Qt::Key_PageUp);
    EXPECT_EQ(hex.CaretByte(), 0) << extra;
  }
  SaveShot(hex, "hex_edit_one_row");
}

TEST_F(HexTest, FineWheelStepsAddUp) {
  auto wheel = [&](int delta) {
    QWheelEvent event(QPointF(50, 50), hex.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(hex.viewport(), &event);
  };
  for (int i = 0; i < 3; ++i) wheel(-40);
  EXPECT_EQ(hex.TopRow(), 1);
  wheel(-240);
  EXPECT_EQ(hex.TopRow(), 3);
  wheel(1200);
  EXPECT_EQ(hex.TopRow(), 0);
}

TEST_F(HexTest, MouseClickPlacesTheCaretAndDragSelects) {
  const QPoint a = DigitPoint(17);
  QTest::mouseClick(hex.viewport(), Qt::LeftButton, {}, a);
  EXPECT_EQ(hex.CaretByte(), 17);
  EXPECT_TRUE(hex.CaretOnHighNibble());
  QTest::mouseClick(hex.viewport(), Qt::LeftButton, {}, a + QPoint(hex.CharWidth(), 0));
  EXPECT_EQ(hex.CaretByte(), 17);
  EXPECT_FALSE(hex.CaretOnHighNibble());

  QTest::mousePress(hex.viewport(), Qt::LeftButton, {}, DigitPoint(3));
  QMouseEvent move(QEvent::MouseMove, DigitPoint(3 + 2 * hex.BytesPerRow()),
                   hex.viewport()->mapToGlobal(DigitPoint(3 + 2 * hex.BytesPerRow())), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(hex.viewport(), &move);
  QTest::mouseRelease(hex.viewport(), Qt::LeftButton, {}, DigitPoint(3 + 2 * hex.BytesPerRow()));
  EXPECT_EQ(hex.SelectionStart(), 3);
  EXPECT_EQ(hex.SelectionEnd(), 3 + 2 * hex.BytesPerRow());

  QTest::mouseDClick(hex.viewport(), Qt::LeftButton, {}, DigitPoint(40));
  EXPECT_EQ(hex.SelectionStart(), 40);
  EXPECT_EQ(hex.SelectionEnd(), 40);
  SaveShot(hex, "hex_edit_selection");
}

TEST_F(HexTest, DraggingBelowTheTextScrollsAndExtendsTheSelection) {
  ASSERT_GT(hex.MaxTopRow(), 2);
  QTest::mousePress(hex.viewport(), Qt::LeftButton, {}, DigitPoint(2));
  const QPoint below(DigitPoint(2).x(), hex.viewport()->height() + 20);
  QMouseEvent move(QEvent::MouseMove, below, hex.viewport()->mapToGlobal(below), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(hex.viewport(), &move);
  const int firstEnd = hex.SelectionEnd();
  EXPECT_EQ(hex.SelectionStart(), 2);
  ASSERT_TRUE(QTest::qWaitFor([&] { return hex.TopRow() >= 2; }));
  EXPECT_GT(hex.SelectionEnd(), firstEnd);
  EXPECT_EQ(hex.SelectionEnd(), hex.CaretByte());
  QTest::mouseRelease(hex.viewport(), Qt::LeftButton, {}, below);
  const int top = hex.TopRow();
  gui_test::Settle();
  QTest::qWait(30);
  EXPECT_EQ(hex.TopRow(), top);  // released: the scrolling stops
  EXPECT_EQ(hex.verticalScrollBar()->value(), top);
}

TEST_F(HexTest, PasteOverwritesUpToTheEndOfTheBlock) {
  QSignalSpy changed(&hex, &CByteloomBase::changed);
  PutOnClipboard(Payload(600, QByteArray(600, '\x5A')));
  hex.SetSelection(500, 500);
  hex.Paste();
  for (int i = 500; i < 512; ++i) EXPECT_EQ(Byte(i), 0x5A) << i;
  EXPECT_EQ(Byte(499), 499 & 0xFF);
  EXPECT_EQ(hex.SelectionStart(), 500);
  EXPECT_EQ(hex.SelectionEnd(), 511);
  EXPECT_EQ(hex.CaretByte(), 511);
  EXPECT_FALSE(hex.CaretOnHighNibble());
  EXPECT_EQ(changed.count(), 1);
}

TEST_F(HexTest, PasteTakesNoMoreThanThePayloadHolds) {
  struct Case {
    const char* what;
    QByteArray payload;
    int written;  // bytes written from byte 10 on
  };
  const std::vector<Case> cases = {
      {"payload shorter than its count", Payload(8, QByteArray(3, '\x11')), 3},
      {"count shorter than the payload", Payload(2, QByteArray(6, '\x11')), 2},
      {"count of 0", Payload(0, QByteArray(6, '\x11')), 0},
      {"2-byte payload", QByteArray(2, '\x05'), 0},
      {"count without bytes", Payload(4, QByteArray()), 0},
  };
  for (const Case& c : cases) {
    SetUpAsDialogs(hex, Pattern());
    hex.SetSelection(10, 10);
    QSignalSpy changed(&hex, &CByteloomBase::changed);
    PutOnClipboard(c.payload);
    hex.Paste();
    for (int i = 0; i < 512; ++i) {
      const int expected = i >= 10 && i < 10 + c.written ? 0x11 : (i & 0xFF);
      ASSERT_EQ(Byte(i), expected) << c.what << " byte " << i;
    }
    EXPECT_EQ(changed.count(), c.written > 0 ? 1 : 0) << c.what;
    EXPECT_EQ(hex.SelectionStart(), 10) << c.what;
    EXPECT_EQ(hex.SelectionEnd(), c.written > 0 ? 10 + c.written - 1 : 10) << c.what;
    EXPECT_GE(hex.CaretByte(), 0) << c.what;
  }
  // Read-only refuses.
  SetUpAsDialogs(hex, Pattern());
  hex.SetReadOnly(true);
  PutOnClipboard(Payload(2, QByteArray(2, '\x11')));
  EXPECT_FALSE(hex.CanPaste());
  hex.Paste();
  EXPECT_EQ(Byte(0), 0);
}

TEST_F(HexTest, SetDataTakesExactly512Bytes) {
  struct Case {
    std::size_t size;
    bool kept;
  };
  const std::vector<std::uint8_t> big(600, 0x42);
  for (const Case& c : {Case{511, false}, Case{513, false}, Case{0, false}, Case{512, true}}) {
    hex.SetData(big.data(), c.size);
    EXPECT_EQ(hex.HasData(), c.kept) << c.size;
    EXPECT_EQ(hex.DataSize(), c.kept ? 512 : 0) << c.size;
  }
  hex.SetData(nullptr, 512);
  EXPECT_FALSE(hex.HasData());
  // Without data the view shows the background only and keys and clipboard do nothing.
  Key(Qt::Key_End);
  Type("12");
  hex.SelectAll();
  EXPECT_FALSE(hex.HasSelection());
  const QImage empty = Render(hex);
  const QRect inside = hex.viewport()->geometry();
  EXPECT_EQ(CountColour(empty, inside, CByteloomBase::WindowBackground()), inside.width() * inside.height());
}

TEST_F(HexTest, SetSelectionOrdersClampsAndClears) {
  struct Case {
    int start, end, wantStart, wantEnd;
  };
  const std::array<Case, 6> cases = {{
      {20, 5, 5, 20},
      {5, 20, 5, 20},
      {-1, 20, -1, -1},
      {30, -1, -1, -1},
      {600, 3, 3, 511},
      {512, 900, 511, 511},
  }};
  for (const Case& c : cases) {
    hex.SetSelection(c.start, c.end);
    EXPECT_EQ(hex.SelectionStart(), c.wantStart) << c.start << ".." << c.end;
    EXPECT_EQ(hex.SelectionEnd(), c.wantEnd) << c.start << ".." << c.end;
  }
}

TEST_F(HexTest, ContextMenuEnablesCopyForASelection) {
  struct Seen {
    bool copy = false, paste = false;
    QPoint point;
    int calls = 0;
  };
  class Probe : public CByteloomBase {
   public:
    Seen seen;

   protected:
    void OnContextMenu(QMenu* menu, const QPoint& point) override {
      ++seen.calls;
      seen.copy = menu->actions().at(0)->isEnabled();
      seen.paste = menu->actions().at(1)->isEnabled();
      EXPECT_EQ(menu->actions().at(0)->text(), QString::fromUtf16(u"복사"));
      EXPECT_EQ(menu->actions().at(1)->text(), QString::fromUtf16(u"붙여넣기"));
      seen.point = point;
    }
  };
  Probe probe;
  SetUpAsDialogs(probe, Pattern());
  probe.resize(620, 300);
  probe.show();
  probe.setFocus();
  Settle();

  auto keyboardMenu = [&] {
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(200, 100), probe.mapToGlobal(QPoint(200, 100)));
    QApplication::sendEvent(&probe, &event);
    Settle();
    ASSERT_NE(probe.ContextMenu(), nullptr);
    probe.ContextMenu()->close();
    Settle();
  };
  probe.SetSelection(7, 7);
  keyboardMenu();
  EXPECT_TRUE(probe.seen.copy);
  EXPECT_FALSE(probe.seen.paste);
  EXPECT_EQ(probe.seen.point, QPoint(5, 5));

  probe.SetSelection(-1, -1);
  PutOnClipboard(Payload(1, QByteArray(1, '\x01')));
  keyboardMenu();
  EXPECT_FALSE(probe.seen.copy);
  EXPECT_TRUE(probe.seen.paste);

  // A right click outside the selection drops it and moves the caret there.
  probe.SetSelection(0, 3);
  const int cw = probe.CharWidth();
  const QPoint at(probe.TextRect().left() + probe.HexLeft() + 9 * 3 * cw + 1, probe.TextRect().top() + 2);
  QContextMenuEvent mouse(QContextMenuEvent::Mouse, at, probe.viewport()->mapToGlobal(at));
  QApplication::sendEvent(probe.viewport(), &mouse);
  Settle();
  EXPECT_EQ(probe.seen.calls, 3);
  EXPECT_FALSE(probe.HasSelection());
  EXPECT_EQ(probe.CaretByte(), 9);
  EXPECT_EQ(probe.seen.point, at);
  ASSERT_NE(probe.ContextMenu(), nullptr);
  SaveShot(*probe.ContextMenu(), "hex_edit_menu");
  probe.ContextMenu()->close();
}

TEST_F(HexTest, CopiesIntoAnotherControlThroughTheClipboard) {
  hex.SetSelection(0x41, 0x43);
  Key(Qt::Key_C, Qt::ControlModifier);
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  EXPECT_EQ(mime->data(QString::fromLatin1(CByteloomBase::kMimeType)), Payload(3, QByteArray("\x41\x42\x43", 3)));
  EXPECT_EQ(mime->text(), QStringLiteral("41 42 43\n"));

  CByteloomBase other;
  SetUpAsDialogs(other, std::vector<std::uint8_t>(512, 0));
  other.resize(620, 300);
  other.show();
  other.setFocus();
  Settle();
  QTest::keyClick(&other, Qt::Key_Right);
  QTest::keyClick(&other, Qt::Key_Right);
  QTest::keyClick(&other, Qt::Key_V, Qt::ControlModifier);
  const QByteArray got = other.Data();
  EXPECT_EQ(got.mid(0, 5), QByteArray("\0\x41\x42\x43\0", 5));
  EXPECT_EQ(other.SelectionStart(), 1);
  EXPECT_EQ(other.SelectionEnd(), 3);

  // Ctrl+A selects all; a long selection's text rows keep the view's columns.
  other.SetSelection(2, 2 + other.BytesPerRow() + 1);
  other.Copy();
  const QString text = QGuiApplication::clipboard()->mimeData()->text();
  const QStringList rows = text.split(QLatin1Char('\n'));
  ASSERT_EQ(rows.size(), 3);
  EXPECT_TRUE(rows[0].startsWith(QStringLiteral("      42 43 00 00")));
  EXPECT_EQ(rows[0].size(), other.BytesPerRow() * 3 - 1);
  EXPECT_EQ(rows[1], QStringLiteral("00 00 00 00"));
  QTest::keyClick(&other, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(other.SelectionStart(), 0);
  EXPECT_EQ(other.SelectionEnd(), 511);
}

TEST_F(HexTest, WindowShortcutsDoNotTakeTheControlKeys) {
  QMainWindow window;
  auto* host = new CByteloomBase;
  SetUpAsDialogs(*host, Pattern());
  window.setCentralWidget(host);
  int fired = 0;
  for (auto key : {Qt::Key_A, Qt::Key_C, Qt::Key_V}) {
    auto* action = new QAction(&window);
    action->setShortcut(QKeySequence(Qt::CTRL | key));
    QObject::connect(action, &QAction::triggered, [&] { ++fired; });
    window.addAction(action);
  }
  window.resize(640, 320);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  host->setFocus();
  QTest::keyClick(host, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(host->SelectionEnd(), 511);
  host->SetSelection(1, 1);
  QTest::keyClick(host, Qt::Key_C, Qt::ControlModifier);
  host->SetSelection(5, 5);
  QTest::keyClick(host, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(static_cast<std::uint8_t>(host->Data()[5]), 1);
  EXPECT_EQ(fired, 0);
}

TEST_F(HexTest, SingleLineModeShowsOneRowWithoutBarsOrMargins) {
  CByteloomBase line;
  const auto bytes = Pattern();
  line.SetAddressDigits(4);
  line.ShowAddressColumn(true);
  line.SetBytesPerRow(16, true);
  line.SetData(bytes.data(), bytes.size());
  line.resize(400, 40);
  line.show();
  Settle();
  EXPECT_FALSE(line.verticalScrollBar()->isVisible());
  EXPECT_FALSE(line.horizontalScrollBar()->isVisible());
  EXPECT_EQ(line.TextRect(), line.viewport()->rect());
  EXPECT_EQ(line.BytesPerRow(), 512);
  EXPECT_EQ(line.MaxTopRow(), 0);
  SaveShot(line, "hex_edit_single_line");
}

TEST_F(HexTest, PaintsColumnsInTheirColours) {
  hex.clearFocus();
  Settle();
  const QImage image = Render(hex);
  const QPoint origin = hex.viewport()->geometry().topLeft();
  const QRect text = hex.TextRect().translated(origin);
  const int rh = hex.RowHeight();
  const QRect address(text.left(), text.top(), 4 * hex.CharWidth(), rh);
  const QRect hexCells(text.left() + hex.HexLeft(), text.top(), hex.HexWidth() - 5, rh);
  const QRect chars(text.left() + hex.CharLeft(), text.top(), hex.CharColumnWidth(), rh);
  // Each column is its background with text of its colour on it.
  EXPECT_GT(CountColour(image, address, CByteloomBase::AddressBackground()), address.width() * rh / 3);
  EXPECT_GT(CountNear(image, address, CByteloomBase::AddressText()), 0);
  EXPECT_GT(CountColour(image, hexCells, CByteloomBase::HexBackground()), hexCells.width() * rh / 3);
  EXPECT_GT(CountNear(image, hexCells, CByteloomBase::HexText()), 0);
  EXPECT_GT(CountColour(image, chars, CByteloomBase::CharBackground()), chars.width() * rh / 4);
  // Row 0 holds bytes 0x00-0x0F, all shown as "."; green appears.
  EXPECT_GT(CountNear(image, chars, CByteloomBase::CharText()), 0);
  // The margin is the window background.
  EXPECT_EQ(CountColour(image, QRect(origin, QSize(hex.viewport()->width(), 5)), CByteloomBase::WindowBackground()),
            hex.viewport()->width() * 5);

  // A selection: active colours with the focus, the inactive ones (button face) without it.
  hex.SetSelection(0, 1);
  const QRect firstPair(text.left() + hex.HexLeft(), text.top(), 2 * hex.CharWidth(), rh);
  const QImage inactive = Render(hex);
  EXPECT_GT(CountColour(inactive, firstPair, hex.palette().color(QPalette::Inactive, QPalette::Button)), 0);
  hex.setFocus();
  Settle();
  const QImage active = Render(hex);
  SaveShot(active, "hex_edit_focused");
  EXPECT_GT(CountColour(active, firstPair.adjusted(0, 0, 3 * hex.CharWidth(), 0),
                        hex.palette().color(QPalette::Active, QPalette::Highlight)),
            0);
  EXPECT_FALSE(hex.CaretRect().isEmpty());
}

TEST_F(HexTest, CharacterColumnShowsOnlyPrintableAscii) {
  // Every byte outside 0x20-0x7E paints exactly as "." (0x2E) does.
  auto charColumn = [&](std::uint8_t first) {
    std::vector<std::uint8_t> bytes(512);
    for (int i = 0; i < 512; ++i) bytes[i] = first == 0x2E ? 0x2E : static_cast<std::uint8_t>(first + i % 128);
    hex.SetData(bytes.data(), bytes.size());
    const QImage image = Render(hex);
    const QRect text = hex.TextRect().translated(hex.viewport()->geometry().topLeft());
    return image.copy(QRect(text.left() + hex.CharLeft(), text.top(), hex.CharColumnWidth(),
                            hex.FullRows() * hex.RowHeight()));
  };
  hex.clearFocus();
  const QImage dots = charColumn(0x2E);
  EXPECT_EQ(charColumn(0x80), dots);
  const QImage ascii = charColumn(0x20);
  EXPECT_NE(ascii, dots);
}

TEST_F(HexTest, RefusesAFontThatIsNotFixedPitch) {
  const QFont before = hex.ControlFont();
  QFont proportional(QStringLiteral("Sans Serif"));
  proportional.setStyleHint(QFont::SansSerif);
  if (CByteloomBase::IsFixedPitchFont(proportional)) GTEST_SKIP() << "no proportional font on this machine";
  EXPECT_FALSE(hex.SetControlFont(proportional));
  EXPECT_EQ(hex.ControlFont(), before);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(fixed.pointSize() + 4);
  EXPECT_TRUE(hex.SetControlFont(fixed));
}

}  // namespace
