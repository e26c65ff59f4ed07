#include "Pellamor/SaveFolder.h"

std::u16string g_strDefaultSaveFolder;
int g_bDefaultSaveFolderSet = 0;
