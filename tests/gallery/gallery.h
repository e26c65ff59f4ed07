// Pages of the control gallery: each page is one function in its own file (page_<name>.cpp),
// listed in the table of pages.cpp.
#pragma once

#include <QString>
#include <QWidget>

#include <vector>

struct GalleryPage {
  const char* name;  // file name of its screenshot, without ".png"
  QString title;     // tab text
  QWidget* (*make)();
};

const std::vector<GalleryPage>& GalleryPages();

QWidget* MakeTextProgressPage();
QWidget* MakePieProgressPage();
QWidget* MakePrefsStaticPage();
QWidget* MakeJorunListPage();
QWidget* MakeFlatHeaderPage();
QWidget* MakeButtonSSLPage();
QWidget* MakePushPinPage();
