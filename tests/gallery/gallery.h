// Pages of the control gallery: each page is one function in its own file (page_<name>.cpp),
// listed in the table of pages.cpp.
#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

#include <vector>

struct GalleryPage {
  const char* name;  // file name of its screenshot, without ".png"
  QString title;     // tab text
  QWidget* (*make)();
  QSize shotSize = {};  // screenshot size; empty for the gallery's default
  // Screenshot mode only: opens what else the page's PNGs show (windows it opens are saved too).
  void (*stage)(QWidget* page) = nullptr;
};

const std::vector<GalleryPage>& GalleryPages();

// Screenshot mode: saves a window as <page>.<suffix>.png beside the page being shot; nothing otherwise.
void SaveGalleryShot(QWidget* window, const QString& suffix);

QWidget* MakeTextProgressPage();
QWidget* MakePieProgressPage();
QWidget* MakePrefsStaticPage();
QWidget* MakeJorunListPage();
QWidget* MakeFlatHeaderPage();
QWidget* MakeButtonSSLPage();
QWidget* MakePushPinPage();
QWidget* MakeGridListPage();
void StageGridListPage(QWidget* page);
QWidget* MakeDialogFramePage();
void StageDialogFramePage(QWidget* page);
QWidget* MakeDialogHeaderPage();
QWidget* MakeHexEditPage();
