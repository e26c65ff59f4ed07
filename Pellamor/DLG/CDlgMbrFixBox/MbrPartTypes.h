// The partition types the MBR repair dialog offers, in the order its type list shows them. This
// short table is the dialog's own, apart from the disk page's full table of type names.
#pragma once

#include <array>

struct MbrPartTypeName {
  int type;
  const char16_t* name;  // each begins with one blank
};

extern const std::array<MbrPartTypeName, 37> g_PartTypeNames;
