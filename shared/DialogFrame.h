// The frame every dialog of the suite shares, in the main program and in the stand-alone programs:
// the header band across the top and the push buttons along the bottom. A dialog built on a fixed
// template (sizes in dialog units, children anchored) uses DialogTemplate; a dialog built with
// layouts uses BandLayout, or takes the band from MakeHeader and its button row from
// ButtonRowLayout.
//
// Every button made here is never auto-default: Enter presses the dialog's default button wherever
// the focus is (a browse button with the focus is not pressed again by Enter).
#pragma once

#include <QMargins>
#include <QRect>
#include <QString>

#include <initializer_list>
#include <vector>

#include "controls/DialogUnits.h"

class CDialogHeaderCtrl;
class CResizableDialog;
class QDialog;
class QHBoxLayout;
class QLayout;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace dlgframe {

// What pressing a button does by itself.
enum class Role {
  None,    // nothing: the dialog connects it
  Accept,  // the dialog's accept()
  Reject,  // the dialog's reject()
};

struct ButtonSpec {
  const char16_t* text = u"";
  const char* name = "";  // object name, for tests and style sheets
  Role role = Role::None;
  bool isDefault = false;  // pressed by Enter
};

// "확인": the dialog's default button, accepting it.
inline constexpr ButtonSpec kOk{u"확인", "ok", Role::Accept, true};
// "취소": rejects the dialog.
inline constexpr ButtonSpec kCancel{u"취소", "cancel", Role::Reject};

// The band with its title (also the dialog's window title), description and icon (an id without
// an icon gives none).
CDialogHeaderCtrl* MakeHeader(QDialog* dialog, const QString& title, const QString& description, int iconId);

// One push button of the dialog, or of a page inside one (see the note above on Enter); a role
// takes effect when `parent` is the dialog itself.
QPushButton* MakeButton(QWidget* parent, const ButtonSpec& spec);

// Lays a layout-built dialog out as the band across the top, at its own height, and `body` (with
// its own margins) below it; a body stretch of 1 gives the body all the height the band leaves.
void StackUnderBand(QDialog* dialog, CDialogHeaderCtrl* header, QLayout* body, int bodyStretch = 1);

// A right-aligned row of buttons for a layout-built dialog; `made` receives them in order.
QHBoxLayout* ButtonRowLayout(QDialog* dialog, std::initializer_list<ButtonSpec> specs,
                             std::vector<QPushButton*>* made = nullptr);

// The read-only text of an information box, without wrapping.
QPlainTextEdit* MakeInfoText(QWidget* parent, const char* name);
// Shows `text` in it; a carriage return and line feed end a line, as does a lone line feed.
void ShowInfoText(QPlainTextEdit* box, const QString& text);

// A layout-built dialog: the band on top and a column below it, inside `margins`, that takes all
// the height the band leaves. The dialog adds its controls to Column() and ends it with its
// button row.
class BandLayout {
 public:
  static constexpr QMargins kMargins{11, 8, 11, 11};

  BandLayout(QDialog* dialog, const QString& title, const QString& description, int iconId,
             const QMargins& margins = kMargins);

  CDialogHeaderCtrl* Header() const { return header_; }
  QVBoxLayout* Column() const { return column_; }

  // Ends the column with a right-aligned row of these buttons, returned in order.
  std::vector<QPushButton*> AddButtonRow(std::initializer_list<ButtonSpec> specs);
  // Ends the column with "확인" alone.
  QPushButton* AddOkRow();

 private:
  QDialog* dialog_;
  CDialogHeaderCtrl* header_ = nullptr;
  QVBoxLayout* column_ = nullptr;
};

// A fixed template: width and height in dialog units of the dialog's font, the band (if any) on
// top, the body below it and one row of buttons at the bottom, all anchored.
class DialogTemplate {
 public:
  static constexpr int kMargin = 7;
  static constexpr int kButtonWidth = 44;
  static constexpr int kButtonHeight = 14;
  static constexpr int kButtonGap = 4;

  // Sizes the dialog to the band's height plus `bodyHeight` and places the band across the top.
  DialogTemplate(CResizableDialog* dialog, int width, int bodyHeight, const QString& title,
                 const QString& description, int iconId);
  // A template whose `height` is the whole dialog's, the band's included.
  static DialogTemplate WholeHeight(CResizableDialog* dialog, int width, int height, const QString& title,
                                    const QString& description, int iconId);
  // A template without the band, `width` by `height`; `title` is the window's.
  static DialogTemplate WithoutBand(CResizableDialog* dialog, int width, int height, const QString& title);

  // Null without the band.
  CDialogHeaderCtrl* Header() const { return header_; }

  // Dialog units to pixels.
  int X(int units) const { return DialogUnitsToPixelsX(units, base_); }
  int Y(int units) const { return DialogUnitsToPixelsY(units, base_); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The first pixel row below the band (or the top) and its margin.
  int BodyTop() const;
  // The top of the button row.
  int ButtonTop() const;
  // The body between the band and the button row, inside the margins.
  QRect BodyRect() const;

  // Buttons left to right ending at the right margin, anchored bottom right.
  std::vector<QPushButton*> RightButtons(std::initializer_list<ButtonSpec> specs, int buttonWidth = kButtonWidth);
  // Buttons left to right from the left margin, anchored bottom left.
  std::vector<QPushButton*> LeftButtons(std::initializer_list<ButtonSpec> specs, int buttonWidth = kButtonWidth);

 private:
  explicit DialogTemplate(CResizableDialog* dialog);
  // Sizes the dialog in pixels and places the band, if any, across the top at its own height.
  void Resize(int width, int height);
  std::vector<QPushButton*> Row(std::initializer_list<ButtonSpec> specs, int buttonWidth, bool right);

  CResizableDialog* dialog_;
  DialogBaseUnits base_;
  CDialogHeaderCtrl* header_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace dlgframe
