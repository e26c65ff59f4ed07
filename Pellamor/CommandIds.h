// Numeric command ids of menus, toolbar buttons and accelerators.
#pragma once

namespace cmd {

// The framework's own ids.
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;  // open a drive
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kFilePrint = 57607;
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditCut = 57635;
inline constexpr int kEditPaste = 57637;
inline constexpr int kEditSelectAll = 57642;
inline constexpr int kEditUndo = 57643;
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kViewSmallIcon = 59408;
inline constexpr int kViewLargeIcon = 59409;
inline constexpr int kViewList = 59410;
inline constexpr int kViewDetails = 59411;
inline constexpr int kViewLineUp = 59412;
inline constexpr int kIndicatorCaps = 59137;
inline constexpr int kIndicatorNum = 59138;
inline constexpr int kIndicatorScrl = 59139;

// The program's ids.
inline constexpr int kOpenVolume = 32851;
inline constexpr int kOpenImage = 32990;
inline constexpr int kOpenDisk = 32815;
inline constexpr int kOpenPartition = 32850;
inline constexpr int kCloseDrive = 32992;
inline constexpr int kQueueWindow = 32916;
inline constexpr int kRecoverSelected = 32786;
inline constexpr int kAddQueueBasic = 32988;
inline constexpr int kAddQueueLinear = 32976;
inline constexpr int kAddQueueSector = 32994;
inline constexpr int kSaveAllDeleted = 32884;
inline constexpr int kSaveByExtension = 32885;
inline constexpr int kSaveByDate = 32886;
inline constexpr int kSaveByTime = 32887;
inline constexpr int kSaveByOther = 32888;
inline constexpr int kDirectSave = 32791;
inline constexpr int kPropertyCheck = 32776;
inline constexpr int kClusterViewer = 32800;
inline constexpr int kDiskHex = 32955;
inline constexpr int kMbrRepair = 32982;
inline constexpr int kBootRepair = 32809;
inline constexpr int kPartitionManager = 32806;
inline constexpr int kDiskUsage = 32918;
inline constexpr int kVirtualDesktop = 32943;
inline constexpr int kScreenKeyboard = 32949;
inline constexpr int kSysInfo = 32951;
inline constexpr int kInstalledSoftware = 32932;
inline constexpr int kHomePage = 32898;
inline constexpr int kInvertSelection = 32958;
inline constexpr int kSelectDeletedFiles = 32779;
inline constexpr int kSelectDeletedFolders = 32897;
inline constexpr int kFind = 32775;
inline constexpr int kFolderPane = 32805;
inline constexpr int kCheckBoxes = 32804;
inline constexpr int kFullScreen = 32970;
inline constexpr int kFullScreenButton = 32971;
inline constexpr int kSkinFirst = 32960;
inline constexpr int kSkinLast = 32968;
inline constexpr int kPreferences = 32826;
inline constexpr int kUpdateSettings = 32892;
inline constexpr int kLangAuto = 32904;
inline constexpr int kLangKorean = 32905;
inline constexpr int kLangEnglish = 32906;
inline constexpr int kLangJapanese = 32910;
inline constexpr int kLangChineseSimplified = 32911;
inline constexpr int kLangChineseTraditional = 32912;
inline constexpr int kLangBox = 32914;
inline constexpr int kHelp = 32793;
inline constexpr int kTipOfDay = 32819;
inline constexpr int kCheckUpdate = 32781;
inline constexpr int kAutoUpdate = 32947;
inline constexpr int kF4 = 32929;
inline constexpr int kNoEffect1 = 32921;
inline constexpr int kNoEffect2 = 32802;

}  // namespace cmd
