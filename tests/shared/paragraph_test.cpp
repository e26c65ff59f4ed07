#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>

#include <algorithm>

#include "shared/Paragraph.h"
#include "tests/support/gui_support.h"

namespace {

using gui_test::App;

TEST(ParagraphTest, WordsKeepOneTrailingBlank) {
  struct Case {
    QString text;
    QStringList words;
  } cases[] = {
      {"one\r\ntwo  three", {"one ", "two ", "three"}},
      {"a\n\nb", {"a ", "b"}},
      {"tail  ", {"tail "}},
      {"\r\r", {}},
      {"", {}},
      {QString::fromUtf16(u"항목 정보를\r\n보여줍니다."), {QString::fromUtf16(u"항목 "), QString::fromUtf16(u"정보를 "),
                                                   QString::fromUtf16(u"보여줍니다.")}},
  };
  CParagraph p;
  for (const Case& c : cases) {
    p.SetText(c.text);
    EXPECT_EQ(p.Words(), c.words) << c.text.toStdString();
    EXPECT_EQ(p.Text(), c.text);
  }
}

class ParagraphLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
  QApplication& app_ = App();
  QFont font_ = DialogFaceFont(13, 400);
  QFontMetrics metrics_{font_};
  int Width(const QString& s) const { return metrics_.horizontalAdvance(s); }
  // Every line lies inside the band: it starts at 2 and ends before the width.
  void ExpectInside(const std::vector<CParagraph::Line>& lines, const QRect& band) const {
    for (const auto& line : lines) {
      EXPECT_GE(line.origin.x(), band.left() + 2) << line.text.toStdString();
      EXPECT_LT(line.origin.x() - band.left() + Width(line.text), band.width()) << line.text.toStdString();
    }
  }
};

TEST_F(ParagraphLayoutTest, LongTextEndsInDotsOnTheLastLineThatFits) {
  CParagraph p;
  p.SetText("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron pi rho sigma");
  const int lineHeight = metrics_.height();
  const QRect band(50, 16, Width("alpha beta gamma ") + 6, 2 + 2 * lineHeight + 1);
  p.SetRect(band);
  const auto lines = p.Layout(metrics_);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "alpha beta gamma ");
  EXPECT_EQ(lines[0].origin, QPoint(52, 18));
  EXPECT_EQ(lines[1].origin, QPoint(52, 18 + lineHeight));
  EXPECT_TRUE(lines[1].text.endsWith("...")) << lines[1].text.toStdString();
  EXPECT_TRUE(lines[1].text.startsWith("delta")) << lines[1].text.toStdString();
  ExpectInside(lines, band);

  // Text that fits has no dots.
  p.SetText("alpha beta");
  const auto whole = p.Layout(metrics_);
  ASSERT_EQ(whole.size(), 1u);
  EXPECT_EQ(whole[0].text, "alpha beta");
}

TEST_F(ParagraphLayoutTest, NarrowBandsDrawNothingOrStayInside) {
  CParagraph p;
  p.SetText("alpha beta gamma");
  for (int width : {0, -1, -40, -65535}) {
    p.SetRect(QRect(50, 16, width, 40));
    EXPECT_TRUE(p.Layout(metrics_).empty()) << width;
  }
  p.SetRect(QRect(50, 16, 200, 0));
  EXPECT_TRUE(p.Layout(metrics_).empty());
  // Room for less than "...": nothing.
  p.SetRect(QRect(0, 0, Width("...") + 1, 200));
  p.SetText("abcdefghijklmnopqrstuvwxyz");
  EXPECT_TRUE(p.Layout(metrics_).empty());
}

TEST_F(ParagraphLayoutTest, WordWiderThanTheBandIsCutOnItsOwnLine) {
  CParagraph p;
  const QRect band(0, 0, Width("short word ") + 6, 20 * metrics_.height());
  p.SetRect(band);
  struct Case {
    QString text;
    QStringList starts;  // each line begins so; a line of the long word ends in "..."
  } cases[] = {
      {"short averyveryverylongwordthatcannotfit word", {"short ", "avery", "word"}},
      {"averyveryverylongwordthatcannotfit short", {"avery", "short"}},
  };
  for (const Case& c : cases) {
    p.SetText(c.text);
    const auto lines = p.Layout(metrics_);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(c.starts.size())) << c.text.toStdString();
    for (int i = 0; i < c.starts.size(); ++i) {
      EXPECT_TRUE(lines[i].text.startsWith(c.starts[i])) << lines[i].text.toStdString();
      EXPECT_FALSE(lines[i].text.trimmed().isEmpty());
    }
    ExpectInside(lines, band);
    const auto cut = std::find_if(lines.begin(), lines.end(), [](const auto& l) { return l.text.startsWith("avery"); });
    ASSERT_NE(cut, lines.end());
    EXPECT_TRUE(cut->text.endsWith("..."));
  }
}

TEST_F(ParagraphLayoutTest, AlignmentPlacesEachLine) {
  CParagraph p;
  p.SetText("abc");
  p.SetRect(QRect(10, 0, 200, 100));
  const int w = Width("abc");
  const std::pair<int, int> cases[] = {
      {CParagraph::kLeft, 12}, {CParagraph::kCenter, 10 + (200 - w) / 2 + 2}, {CParagraph::kRight, 10 + 200 - w - 2}};
  for (const auto& [alignment, x] : cases) {
    p.SetAlignment(alignment);
    const auto lines = p.Layout(metrics_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].origin.x(), x) << alignment;
  }
}

TEST_F(ParagraphLayoutTest, FontIsTheApplicationsFamilyAtThePixelHeight) {
  CParagraph p;
  p.SetFont("Tahoma", 13, true);
  EXPECT_EQ(p.FaceName(), "Tahoma");
  EXPECT_EQ(p.Font().family(), QApplication::font().family());
  EXPECT_EQ(p.Font().pixelSize(), 13);
  EXPECT_TRUE(p.Font().bold());
}

}  // namespace
