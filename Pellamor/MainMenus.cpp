#include "Pellamor/MainMenus.h"

#include "Pellamor/CommandIds.h"

namespace main_menus {

const char* const kSkinTexts[9] = {"Office 2007 &Blue", "Office 2007 &Aqua", "Office 2007 B&lack",
                                   "Office 2007 &Silver", "Windows &2000", "Office &XP",
                                   "&Windows XP", "Office 200&3", "Visual Studio.NET 200&5"};

namespace {

using R = Row;

// clang-format off
const MenuRow kMenuBar[] = {
  {R::kMenu, 0, "파일(&F)"},
    {R::kSubMenu, 0, "열기(&O)"},
      {R::kItem, cmd::kFileOpen, "드라이브(&D)...\tCtrl+D"},
      {R::kItem, cmd::kOpenVolume, "볼륨(&V)... "},
      {R::kSeparator, 0, nullptr},
      {R::kItem, cmd::kOpenImage, "이미지(&I)"},
      {R::kSeparator, 0, nullptr},
      {R::kItem, cmd::kOpenDisk, "디스크(&H)..."},
      {R::kItem, cmd::kOpenPartition, "파티션(&P)..."},
    {R::kEnd, 0, nullptr},
    {R::kSeparator, 0, nullptr},
    {R::kSubMenu, 0, "저장(&S)"},
      {R::kItem, cmd::kQueueWindow, "임시보관함(&S)...\tCtrl+S"},
      {R::kSeparator, 0, nullptr},
      {R::kSubMenu, 0, "추가(&A)"},
        {R::kItem, cmd::kRecoverSelected, "기본복구방식(&1)\tF9"},
        {R::kItem, cmd::kAddQueueLinear, "선형복구방식(&2)\tF8"},
        {R::kItem, cmd::kAddQueueSector, "섹터복구방식(&3)"},
      {R::kEnd, 0, nullptr},
      {R::kSubMenu, 0, "모두 추가"},
        {R::kItem, cmd::kSaveAllDeleted, "삭제한 데이터 일괄저장(&B)"},
        {R::kItem, cmd::kSaveByExtension, "확장자별 저장(&E)"},
        {R::kItem, cmd::kSaveByDate, "날짜별 저장(&D)"},
        {R::kItem, cmd::kSaveByTime, "시간별 저장(&T)"},
        {R::kItem, cmd::kSaveByOther, "기타 조건별 저장(&C)"},
      {R::kEnd, 0, nullptr},
    {R::kEnd, 0, nullptr},
    {R::kItem, cmd::kCloseDrive, "닫기(&C)"},
    {R::kSeparator, 0, nullptr},
    {R::kSubMenu, 0, "도구(&T)"},
      {R::kItem, cmd::kPropertyCheck, "FAT 복구가능여부 진단(&C)\tCtrl+T"},
      {R::kItem, cmd::kClusterViewer, "FAT 클러스터 뷰어(&V)\tCtrl+G"},
      {R::kSeparator, 0, nullptr},
      {R::kItem, cmd::kDiskHex, "디스크 헥스에디터(&H)"},
      {R::kItem, cmd::kMbrRepair, "MBR 복구(&M)"},
      {R::kSeparator, 0, nullptr},
      {R::kItem, cmd::kBootRepair, "부트섹터 복구"},
      {R::kItem, cmd::kPartitionManager, "파티션 관리(&P)"},
      {R::kSeparator, 0, nullptr},
      {R::kItem, cmd::kDiskUsage, "디스크 사용량(&D)"},
      {R::kItem, cmd::kVirtualDesktop, "바탕화면 전환(&V)"},
      {R::kItem, cmd::kScreenKeyboard, "화상 키보드(&K)\tCtrl+K"},
    {R::kEnd, 0, nullptr},
    {R::kSeparator, 0, nullptr},
    {R::kItem, cmd::kAppExit, "종료(&X)"},
  {R::kEnd, 0, nullptr},

  {R::kMenu, 0, "편집(&E)"},
    {R::kItem, cmd::kEditSelectAll, "전체 선택(&A)\tCtrl+A"},
    {R::kItem, cmd::kInvertSelection, "선택 반전(&R)"},
    {R::kSeparator, 0, nullptr},
    {R::kItem, cmd::kSelectDeletedFiles, "지워진 파일 선택(&F)"},
    {R::kItem, cmd::kSelectDeletedFolders, "지워진 폴더 선택(&D)"},
    {R::kSeparator, 0, nullptr},
    {R::kItem, cmd::kFind, "찾기(&F)"},
  {R::kEnd, 0, nullptr},

  {R::kMenu, 0, "보기(&V)"},
    {R::kItem, cmd::kViewToolbar, "도구 모음(&T)"},
    {R::kItem, cmd::kViewStatusBar, "상태 표시줄(&S)"},
    {R::kSeparator, 0, nullptr},
    {R::kItem, cmd::kFolderPane, "폴더창"},
    {R::kItem, cmd::kCheckBoxes, "체크박스(&U)"},
    {R::kItem, cmd::kFullScreen, "전체화면(&F)"},
    {R::kSeparator, 0, nullptr},
    {R::kItem, cmd::kViewLargeIcon, "큰 아이콘(&S)"},
    {R::kItem, cmd::kViewSmallIcon, "아이콘(&N)"},
    {R::kItem, cmd::kViewList, "간단히(&L)"},
    {R::kItem, cmd::kViewDetails, "자세히(&D)"},
    {R::kSeparator, 0, nullptr},
    {R::kItem, cmd::kViewLineUp, "아이콘 줄 맞춤(&L)"},
    {R::kSeparator, 0, nullptr},
    {R::kSubMenu, 0, "스킨(&K)"},
      {R::kItem, cmd::kSkinFirst + 0, kSkinTexts[0]},
      {R::kItem, cmd::kSkinFirst + 1, kSkinTexts[1]},
      {R::kItem, cmd::kSkinFirst + 2, kSkinTexts[2]},
      {R::kItem, cmd::kSkinFirst + 3, kSkinTexts[3]},
      {R::kItem, cmd::kSkinFirst + 4, kSkinTexts[4]},
      {R::kItem, cmd::kSkinFirst + 5, kSkinTexts[5]},
      {R::kItem, cmd::kSkinFirst + 6, kSkinTexts[6]},
      {R::kItem, cmd::kSkinFirst + 7, kSkinTexts[7]},
      {R::kItem, cmd::kSkinFirst + 8, kSkinTexts[8]},
    {R::kEnd, 0, nullptr},
  {R::kEnd, 0, nullptr},

  {R::kMenu, 0, "설정(&O)"},
    {R::kItem, cmd::kPreferences, "환경설정(&P)\tCtrl+W"},
    {R::kSubMenu, 0, "빠른설정"},
      {R::kItem, cmd::kDirectSave, "저장위치 설정(&L)"},
      {R::kItem, cmd::kUpdateSettings, "업데이트 설정(&U)"},
    {R::kEnd, 0, nullptr},
    {R::kSeparator, 0, nullptr},
    {R::kSubMenu, 0, "언어 설정(&L)"},
      {R::kItem, cmd::kLangAuto, "자동감지(&A)"},
      {R::kSeparator, 0, nullptr},
      {R::kItem, cmd::kLangKorean, "한글"},
      {R::kItem, cmd::kLangEnglish, "English"},
      {R::kItem, cmd::kLangJapanese, "日本語"},
      {R::kItem, cmd::kLangChineseSimplified, "中文??"},
      {R::kItem, cmd::kLangChineseTraditional, "中文繁體"},
    {R::kEnd, 0, nullptr},
    {R::kItem, cmd::kLangBox, "언어 고급 설정(&A)"},
  {R::kEnd, 0, nullptr},

  {R::kMenu, 0, "도움말(&H)"},
    {R::kItem, cmd::kHelp, "도움말 항목(&H) \tF1"},
    {R::kItem, cmd::kTipOfDay, "오늘의 팁(&T)\tAlt+F1"},
    {R::kSeparator, 0, nullptr},
    {R::kItem, cmd::kCheckUpdate, "업데이트 확인(&C)"},
    {R::kItem, cmd::kAutoUpdate, "자동 업데이트(&U)"},
    {R::kSeparator, 0, nullptr},
    {R::kItem, cmd::kAppAbout, "Pellamor 정보(&A)"},
  {R::kEnd, 0, nullptr},
};

const ToolRow kToolBar[] = {
  {cmd::kFileOpen, "드라이브열기", QStyle::SP_DriveHDIcon, "복구할 디스크를 선택합니다.\n디스크 열기"},
  {0, nullptr, QStyle::SP_CustomBase, nullptr},
  {cmd::kDirectSave, "저장설정", QStyle::SP_DirIcon, nullptr},
  {cmd::kQueueWindow, "임시보관함", QStyle::SP_FileDialogListView, nullptr},
  {0, nullptr, QStyle::SP_CustomBase, nullptr},
  {cmd::kRecoverSelected, "저장", QStyle::SP_DialogSaveButton, nullptr},
  {0, nullptr, QStyle::SP_CustomBase, nullptr},
  {cmd::kFullScreenButton, "찾기", QStyle::SP_FileDialogContentsView, nullptr},
  {cmd::kPropertyCheck, "복구율진단", QStyle::SP_FileDialogInfoView, nullptr},
  {0, nullptr, QStyle::SP_CustomBase, nullptr},
  {cmd::kPreferences, "환경설정", QStyle::SP_FileDialogDetailedView, nullptr},
  {0, nullptr, QStyle::SP_CustomBase, nullptr},
  {cmd::kFolderPane, "폴더창", QStyle::SP_DirOpenIcon, nullptr},
  {cmd::kFullScreen, "전체화면", QStyle::SP_TitleBarMaxButton, nullptr},
};

// The keys send their own ids: F9 the basic add (not the menu's 32786), F6 the cluster viewer
// (the menu says Ctrl+G, which, like Ctrl+K, does nothing).
const KeyRow kAccelerators[] = {
  {"F1", cmd::kHelp},              {"Ctrl+S", cmd::kQueueWindow},      {"Alt+F1", cmd::kTipOfDay},
  {"Ctrl+C", cmd::kEditCopy},      {"Ctrl+Ins", cmd::kEditCopy},       {"Shift+Del", cmd::kEditCut},
  {"Ctrl+X", cmd::kEditCut},       {"Ctrl+V", cmd::kEditPaste},        {"Shift+Ins", cmd::kEditPaste},
  {"Ctrl+A", cmd::kEditSelectAll}, {"Alt+Backspace", cmd::kEditUndo},  {"Ctrl+Z", cmd::kEditUndo},
  {"Ctrl+N", cmd::kFileNew},       {"Ctrl+D", cmd::kFileOpen},         {"Ctrl+P", cmd::kFilePrint},
  {"Ctrl+T", cmd::kPropertyCheck}, {"F9", cmd::kAddQueueBasic},        {"F8", cmd::kAddQueueLinear},
  {"Ctrl+W", cmd::kPreferences},   {"F4", cmd::kF4},                   {"F6", cmd::kClusterViewer},
};
// clang-format on

}  // namespace

std::span<const MenuRow> MenuBar() { return kMenuBar; }
std::span<const ToolRow> ToolBar() { return kToolBar; }
std::span<const KeyRow> Accelerators() { return kAccelerators; }

}  // namespace main_menus
