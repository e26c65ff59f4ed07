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
      {"grid_list", QStringLiteral("표 목록"), MakeGridListPage, QSize(800, 560), StageGridListPage},
      {"dialog_frame", QStringLiteral("대화 상자"), MakeDialogFramePage, {}, StageDialogFramePage},
      {"dialog_header", QStringLiteral("머리 띠"), MakeDialogHeaderPage},
      {"hex_edit", QStringLiteral("16진수 편집"), MakeHexEditPage},
  };
  return pages;
}
