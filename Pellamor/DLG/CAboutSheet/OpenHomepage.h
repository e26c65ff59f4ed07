// The homepage opener and the release of an owned window object.
#pragma once

#include <QString>

class QWidget;

// The maker's web page.
inline constexpr const char* kHomepageAddress = "https://www.pellamor.example/";

// Opens an address in the desktop's browser. Mode 0 opens `address`; another mode with a record
// address opens that one and clears *done. True when the desktop took the address.
bool OpenHomepage(const QString& address, int mode = 0, const QString* recordAddress = nullptr,
                  bool* done = nullptr);

// The homepage command: asks "펠라모르 홈페이지를 여시겠습니까?" and on Yes opens the homepage. True when
// it was opened.
bool AskAndOpenHomepage();

// For a held window object that is not null: destroys the window, deletes the object and clears
// the pointer.
void ReleaseOwnedWindow(QWidget*& window);
