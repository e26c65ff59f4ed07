// The icon table behind the indexes of CUseShGetFileInfo. User-interface thread only.
#pragma once

#include <QIcon>

// The icon of an index that CUseShGetFileInfo gave (the generic file icon for an unknown index).
QIcon ShellIconOfIndex(int index);
