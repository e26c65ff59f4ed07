#include "Pellamor/DLG/DRSaveBox/QueueItem.h"

#include "platform/file_ops.h"
#include "platform/message.h"
#include "platform/output_file.h"

namespace drsave {

std::u16string_view MethodText(std::uint32_t code) {
  switch (code) {
    case kMethodBasic: return u"기본";
    case kMethodLinear: return u"선형";
    case kMethodSector: return u"섹터";
    default: return {};
  }
}

std::u16string ClusterText(std::uint64_t cluster) {
  const std::string digits = std::to_string(cluster);
  return std::u16string(digits.begin(), digits.end());
}

bool IsAcceptableItemName(std::u16string_view name) { return name.empty() || platform::IsPlainFileName(name); }

bool IsUsableSaveFolder(std::u16string_view folder) {
  if (folder.empty() || folder.front() != u'/' || folder.find(u'\0') != std::u16string_view::npos)
    return false;
  return platform::IsFolder(folder);
}

QueueItem MakeHandMadeItem(std::u16string name, std::uint32_t methodCode, std::uint64_t cluster,
                           std::uint64_t size) {
  QueueItem item;
  item.name = std::move(name);
  item.methodCode = methodCode;
  item.methodText = std::u16string(MethodText(methodCode));
  item.firstCluster = cluster;
  item.addedCluster = cluster;
  item.clusterText = ClusterText(cluster);
  item.size = size;
  return item;
}

}  // namespace drsave
