#include "tests/gallery/gallery.h"

const std::vector<GalleryPage>& GalleryPages() {
  static const std::vector<GalleryPage> pages = {
      {"text_progress", QStringLiteral("진행 막대"), MakeTextProgressPage},
      {"pie_progress", QStringLiteral("원형 그래프"), MakePieProgressPage},
      {"prefs_static", QStringLiteral("제목 띠"), MakePrefsStaticPage},
      {"jorun_list", QStringLiteral("목록"), MakeJorunListPage},
      {"flat_header", QStringLiteral("헤더"), MakeFlatHeaderPage},
      {"button_ssl", QStringLiteral("단추"), MakeButtonSSLPage},
      {"push_pin", QStringLiteral("고정 핀"), MakePushPinPage},
  };
  return pages;
}
