#include "Pellamor/ScanOptions.h"

#include "corvane/ntfs_search.h"

int g_bDeletedOnly = 1;
int g_bUseExtensionFilter = 0;
int g_nSelectedExtensions = 0;
int g_nDecompressionFormat = 0;
int g_nMaxScanThreads = DefaultSearchThreads();
int g_nScanThreads = DefaultSearchThreads();
