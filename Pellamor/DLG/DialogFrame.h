// The frame every dialog of the shell shares: the header band across the top and the push buttons
// along the bottom. A dialog built on a fixed template (sizes in dialog units, children anchored)
// uses DialogTemplate; a dialog built with layouts takes the band from MakeHeader and its button
// row from ButtonRowLayout.
//
// Every button made here is never auto-default: Enter presses the dialog's default button wherever
// the focus is (a browse button with the focus is not pressed again by Enter).
#pragma once

#include <QString>

#include <initializer_list>
#include <vector>

#include "controls/DialogUnits.h"

class CDialogHeaderCtrl;
class CResizableDialog;
class QDialog;
class QHBoxLayout;
class QLayout;
class QPushButton;
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

// The band with its title (also the dialog's window title), description and icon (an id without
// an icon gives none).
CDialogHeaderCtrl* MakeHeader(QDialog* dialog, const QString& title, const QString& description, int iconId);

// One push button of the dialog, or of a page inside one (see the note above on Enter); a role
// takes effect when `parent` is the dialog itself.
QPushButton* MakeButton(QWidget* parent, const ButtonSpec& spec);

// Lays a layout-built dialog out as the band across the top and `body` (with its own margins)
// below it; a body stretch of 1 gives the body all the height the band leaves.
void StackUnderBand(QDialog* dialog, CDialogHeaderCtrl* header, QLayout* body, int bodyStretch = 1);

// A right-aligned row of buttons for a layout-built dialog; `made` receives them in order.
QHBoxLayout* ButtonRowLayout(QDialog* dialog, std::initializer_list<ButtonSpec> specs,
                             std::vector<QPushButton*>* made = nullptr);

// A fixed template: width and body height in dialog units of the dialog's font, the band on top,
// the body below it and one row of buttons at the bottom, all anchored.
class DialogTemplate {
 public:
  static constexpr int kMargin = 7;
  static constexpr int kButtonWidth = 44;
  static constexpr int kButtonHeight = 14;
  static constexpr int kButtonGap = 4;

  // Sizes the dialog to the band's height plus `bodyHeight` and places the band across the top.
  DialogTemplate(CResizableDialog* dialog, int width, int bodyHeight, const QString& title,
                 const QString& description, int iconId);

  CDialogHeaderCtrl* Header() const { return header_; }

  // Dialog units to pixels.
  int X(int units) const { return DialogUnitsToPixelsX(units, base_); }
  int Y(int units) const { return DialogUnitsToPixelsY(units, base_); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The first pixel row below the band and its margin.
  int BodyTop() const;
  // The top of the button row.
  int ButtonTop() const;

  // Buttons left to right ending at the right margin, anchored bottom right.
  std::vector<QPushButton*> RightButtons(std::initializer_list<ButtonSpec> specs, int buttonWidth = kButtonWidth);
  // Buttons left to right from the left margin, anchored bottom left.
  std::vector<QPushButton*> LeftButtons(std::initializer_list<ButtonSpec> specs, int buttonWidth = kButtonWidth);

 private:
  std::vector<QPushButton*> Row(std::initializer_list<ButtonSpec> specs, int buttonWidth, bool right);

  CResizableDialog* dialog_;
  DialogBaseUnits base_;
  CDialogHeaderCtrl* header_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace dlgframe
