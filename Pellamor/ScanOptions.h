// Scan options read by the searches and the save path; written on the UI thread between searches.
#pragma once

extern int g_bDeletedOnly;           // the NTFS search lists deleted entries only
extern int g_bUseExtensionFilter;    // the NTFS search keeps only the chosen file formats
extern int g_nSelectedExtensions;    // number of chosen file formats
extern int g_nDecompressionFormat;   // list index of the decompression format for compressed saves
extern int g_nMaxScanThreads;        // highest thread count offered (processors)
extern int g_nScanThreads;           // threads of the parallel NTFS search
