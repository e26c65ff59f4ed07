#include "Pellamor/MainMenus.h"

#include "Pellamor/CommandIds.h"

namespace main_menus {

const char* const kSkinTexts[9] = {"Office 2007 &Blue", "Office 2007 &Aqua", "Office 2007 B&lack",
                                   "Office 2007 &Silver", "Windows &2000", "Office &XP",
                                   "&Windows XP", "Office 200&3", "Visual Studio.NET 200&5"};

namespace {

using G = Group;
using R = Row;

// clang-format off
const MenuRow kMenuBar[] = {
  {R::kMenu, 0, "파일(&F)", G::kDrive},
    {R::kSubMenu, 0, "열기(&O)", G::kDrive},
      {R::kItem, cmd::kFileOpen, "드라이브(&D)...\tCtrl+D", G::kDrive},
      {R::kItem, cmd::kOpenVolume, "볼륨(&V)... ", G::kDrive},
      {R::kSeparator, 0, nullptr, G::kDrive},
      {R::kItem, cmd::kOpenImage, "이미지(&I)", G::kDrive},
      {R::kSeparator, 0, nullptr, G::kDrive},
      {R::kItem, cmd::kOpenDisk, "디스크(&H)...", G::kDrive},
      {R::kItem, cmd::kOpenPartition, "파티션(&P)...", G::kDrive},
    {R::kEnd, 0, nullptr, G::kDrive},
    {R::kSeparator, 0, nullptr, G::kDrive},
    {R::kSubMenu, 0, "저장(&S)", G::kQueue},
      {R::kItem, cmd::kQueueWindow, "임시보관함(&S)...\tCtrl+S", G::kQueue},
      {R::kSeparator, 0, nullptr, G::kQueue},
      {R::kSubMenu, 0, "추가(&A)", G::kQueue},
        {R::kItem, cmd::kRecoverSelected, "기본복구방식(&1)\tF9", G::kQueue},
        {R::kItem, cmd::kAddQueueLinear, "선형복구방식(&2)\tF8", G::kQueue},
        {R::kItem, cmd::kAddQueueSector, "섹터복구방식(&3)", G::kQueue},
      {R::kEnd, 0, nullptr, G::kQueue},
      {R::kSubMenu, 0, "모두 추가", G::kQueue},
        {R::kItem, cmd::kSaveAllDeleted, "삭제한 데이터 일괄저장(&B)", G::kQueue},
        {R::kItem, cmd::kSaveByExtension, "확장자별 저장(&E)", G::kQueue},
        {R::kItem, cmd::kSaveByDate, "날짜별 저장(&D)", G::kQueue},
        {R::kItem, cmd::kSaveByTime, "시간별 저장(&T)", G::kQueue},
        {R::kItem, cmd::kSaveByOther, "기타 조건별 저장(&C)", G::kQueue},
      {R::kEnd, 0, nullptr, G::kQueue},
    {R::kEnd, 0, nullptr, G::kQueue},
    {R::kItem, cmd::kCloseDrive, "닫기(&C)", G::kDrive},
    {R::kSeparator, 0, nullptr, G::kDrive},
    {R::kSubMenu, 0, "도구(&T)", G::kTools},
      {R::kItem, cmd::kPropertyCheck, "FAT 복구가능여부 진단(&C)\tCtrl+T", G::kTools},
      {R::kItem, cmd::kClusterViewer, "FAT 클러스터 뷰어(&V)\tCtrl+G", G::kTools},
      {R::kSeparator, 0, nullptr, G::kTools},
      {R::kItem, cmd::kDiskHex, "디스크 헥스에디터(&H)", G::kTools},
      {R::kItem, cmd::kMbrRepair, "MBR 복구(&M)", G::kTools},
      {R::kSeparator, 0, nullptr, G::kTools},
      {R::kItem, cmd::kBootRepair, "부트섹터 복구", G::kTools},
      {R::kItem, cmd::kPartitionManager, "파티션 관리(&P)", G::kTools},
      {R::kSeparator, 0, nullptr, G::kTools},
      {R::kItem, cmd::kDiskUsage, "디스크 사용량(&D)", G::kTools},
      {R::kItem, cmd::kVirtualDesktop, "바탕화면 전환(&V)", G::kTools},
      {R::kItem, cmd::kScreenKeyboard, "화상 키보드(&K)\tCtrl+K", G::kTools},
    {R::kEnd, 0, nullptr, G::kTools},
    {R::kSeparator, 0, nullptr, G::kFrame},
    {R::kItem, cmd::kAppExit, "종료(&X)", G::kFrame},
  {R::kEnd, 0, nullptr, G::kDrive},

  {R::kMenu, 0, "편집(&E)", G::kList},
    {R::kItem, cmd::kEditSelectAll, "전체 선택(&A)\tCtrl+A", G::kList},
    {R::kItem, cmd::kInvertSelection, "선택 반전(&R)", G::kList},
    {R::kSeparator, 0, nullptr, G::kList},
    {R::kItem, cmd::kSelectDeletedFiles, "지워진 파일 선택(&F)", G::kList},
    {R::kItem, cmd::kSelectDeletedFolders, "지워진 폴더 선택(&D)", G::kList},
    {R::kSeparator, 0, nullptr, G::kList},
    {R::kItem, cmd::kFind, "찾기(&F)", G::kList},
  {R::kEnd, 0, nullptr, G::kList},

  {R::kMenu, 0, "보기(&V)", G::kView},
    {R::kItem, cmd::kViewToolbar, "도구 모음(&T)", G::kView},
    {R::kItem, cmd::kViewStatusBar, "상태 표시줄(&S)", G::kView},
    {R::kSeparator, 0, nullptr, G::kView},
    {R::kItem, cmd::kFolderPane, "폴더창", G::kView},
    {R::kItem, cmd::kCheckBoxes, "체크박스(&U)", G::kView},
    {R::kItem, cmd::kFullScreen, "전체화면(&F)", G::kView},
    {R::kSeparator, 0, nullptr, G::kView},
    {R::kItem, cmd::kViewLargeIcon, "큰 아이콘(&S)", G::kView},
    {R::kItem, cmd::kViewSmallIcon, "아이콘(&N)", G::kView},
    {R::kItem, cmd::kViewList, "간단히(&L)", G::kView},
    {R::kItem, cmd::kViewDetails, "자세히(&D)", G::kView},
    {R::kSeparator, 0, nullptr, G::kView},
    {R::kItem, cmd::kViewLineUp, "아이콘 줄 맞춤(&L)", G::kView},
    {R::kSeparator, 0, nullptr, G::kView},
    {R::kSubMenu, 0, "스킨(&K)", G::kView},
      {R::kItem, cmd::kSkinFirst + 0, kSkinTexts[0], G::kView},
      {R::kItem, cmd::kSkinFirst + 1, kSkinTexts[1], G::kView},
      {R::kItem, cmd::kSkinFirst + 2, kSkinTexts[2], G::kView},
      {R::kItem, cmd::kSkinFirst + 3, kSkinTexts[3], G::kView},
      {R::kItem, cmd::kSkinFirst + 4, kSkinTexts[4], G::kView},
      {R::kItem, cmd::kSkinFirst + 5, kSkinTexts[5], G::kView},
      {R::kItem, cmd::kSkinFirst + 6, kSkinTexts[6], G::kView},
      {R::kItem, cmd::kSkinFirst + 7, kSkinTexts[7], G::kView},
      {R::kItem, cmd::kSkinFirst + 8, kSkinTexts[8], G::kView},
    {R::kEnd, 0, nullptr, G::kView},
  {R::kEnd, 0, nullptr, G::kView},

  {R::kMenu, 0, "설정(&O)", G::kSettings},
    {R::kItem, cmd::kPreferences, "환경설정(&P)\tCtrl+W", G::kSettings},
    {R::kSubMenu, 0, "빠른설정", G::kSettings},
      {R::kItem, cmd::kDirectSave, "저장위치 설정(&L)", G::kSettings},
      {R::kItem, cmd::kUpdateSettings, "업데이트 설정(&U)", G::kSettings},
    {R::kEnd, 0, nullptr, G::kSettings},
    {R::kSeparator, 0, nullptr, G::kSettings},
    {R::kSubMenu, 0, "언어 설정(&L)", G::kSettings},
      {R::kItem, cmd::kLangAuto, "자동감지(&A)", G::kSettings},
      {R::kSeparator, 0, nullptr, G::kSettings},
      {R::kItem, cmd::kLangKorean, "한글", G::kSettings},
      {R::kItem, cmd::kLangEnglish, "English", G::kSettings},
      {R::kItem, cmd::kLangJapanese, "日本語", G::kSettings},
      {R::kItem, cmd::kLangChineseSimplified, "中文??", G::kSettings},
      {R::kItem, cmd::kLangChineseTraditional, "中文繁體", G::kSettings},
    {R::kEnd, 0, nullptr, G::kSettings},
    {R::kItem, cmd::kLangBox, "언어 고급 설정(&A)", G::kSettings},
  {R::kEnd, 0, nullptr, G::kSettings},

  {R::kMenu, 0, "도움말(&H)", G::kHelp},
    {R::kItem, cmd::kHelp, "도움말 항목(&H) \tF1", G::kHelp},
    {R::kItem, cmd::kTipOfDay, "오늘의 팁(&T)\tAlt+F1", G::kHelp},
    {R::kSeparator, 0, nullptr, G::kHelp},
    {R::kItem, cmd::kCheckUpdate, "업데이트 확인(&C)", G::kHelp},
    {R::kItem, cmd::kAutoUpdate, "자동 업데이트(&U)", G::kHelp},
    {R::kSeparator, 0, nullptr, G::kHelp},
    {R::kItem, cmd::kAppAbout, "Pellamor 정보(&A)", G::kHelp},
  {R::kEnd, 0, nullptr, G::kHelp},
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
