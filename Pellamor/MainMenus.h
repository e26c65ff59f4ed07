// The main frame's menu bar, toolbar and accelerators as tables of command ids. Adding a
// command is one row here and one handler in the frame's command table.
#pragma once

#include <QStyle>

#include <span>

namespace main_menus {

enum class Row {
  kMenu,       // a top-level menu: text
  kSubMenu,    // a sub-menu of the menu being filled: text; its rows follow up to kEnd
  kEnd,        // ends the innermost open menu or sub-menu
  kItem,       // a command: id, text (an accelerator text after a tab)
  kSeparator,
};

struct MenuRow {
  Row kind;
  int id;
  const char* text;
};

struct ToolRow {
  int id;  // 0: separator
  const char* text;
  QStyle::StandardPixmap icon;
  const char* prompt;  // status-bar prompt, a line feed and the tooltip; null for none
};

struct KeyRow {
  const char* keys;
  int id;
};

std::span<const MenuRow> MenuBar();
std::span<const ToolRow> ToolBar();
std::span<const KeyRow> Accelerators();

// Texts of the nine skin items, in command order.
extern const char* const kSkinTexts[9];

}  // namespace main_menus
