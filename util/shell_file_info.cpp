#include "util/shell_file_info.h"

#include <algorithm>
#include <mutex>
#include <vector>

#ifdef PELLAMOR_SHELL_INFO_QT
#include <QMimeDatabase>
#include <QMimeType>
#include <QString>
#endif

namespace {

constexpr char16_t kFolderType[] = u"inode/directory";
constexpr char16_t kGenericType[] = u"application/octet-stream";

std::u16string Extension(const std::u16string& name) {
  std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string::npos || dot + 1 >= name.size()) return {};
  if (name.find_first_of(u"\\/", dot) != std::u16string::npos) return {};
  return name.substr(dot + 1);
}

std::u16string Upper(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return s;
}

std::u16string GenericTypeName(const std::u16string& name) {
  std::u16string ext = Extension(name);
  return ext.empty() ? std::u16string(u"파일") : Upper(ext) + u" 파일";
}

#ifdef PELLAMOR_SHELL_INFO_QT

// Every media type of the database, sorted by name: an index means the same type in every copy of
// this code in the process.
const std::vector<std::u16string>& MediaTypes() {
  static const std::vector<std::u16string> types = [] {
    std::vector<std::u16string> v;
    for (const QMimeType& t : QMimeDatabase().allMimeTypes()) v.push_back(t.name().toStdU16String());
    for (const char16_t* extra : {kFolderType, kGenericType})
      if (std::find(v.begin(), v.end(), extra) == v.end()) v.push_back(extra);
    std::sort(v.begin(), v.end());
    return v;
  }();
  return types;
}

QMimeType TypeOfName(const std::u16string& name) {
  return QMimeDatabase().mimeTypeForFile(QString::fromStdU16String(name), QMimeDatabase::MatchExtension);
}

std::u16string MediaTypeOfName(const std::u16string& name) { return TypeOfName(name).name().toStdU16String(); }

std::u16string TypeName(const std::u16string& name) {
  QMimeType t = TypeOfName(name);
  if (!t.isValid() || t.isDefault()) return GenericTypeName(name);
  return t.comment().toStdU16String();
}

#else

// Without the media-type database: a few common extensions.
struct KnownType {
  const char16_t* extension;
  const char16_t* mediaType;
  const char16_t* typeName;
};
constexpr KnownType kKnown[] = {
    {u"TXT", u"text/plain", u"텍스트 문서"},   {u"HTM", u"text/html", u"HTML 문서"},
    {u"HTML", u"text/html", u"HTML 문서"},     {u"JPG", u"image/jpeg", u"JPEG 이미지"},
    {u"PNG", u"image/png", u"PNG 이미지"},     {u"PDF", u"application/pdf", u"PDF 문서"},
    {u"ZIP", u"application/zip", u"ZIP 압축 파일"},
};

const std::vector<std::u16string>& MediaTypes() {
  static const std::vector<std::u16string> types = [] {
    std::vector<std::u16string> v = {kFolderType, kGenericType};
    for (const KnownType& k : kKnown)
      if (std::find(v.begin(), v.end(), k.mediaType) == v.end()) v.push_back(k.mediaType);
    std::sort(v.begin(), v.end());
    return v;
  }();
  return types;
}

const KnownType* Known(const std::u16string& name) {
  std::u16string ext = Upper(Extension(name));
  for (const KnownType& k : kKnown)
    if (ext == k.extension) return &k;
  return nullptr;
}

std::u16string MediaTypeOfName(const std::u16string& name) {
  const KnownType* k = Known(name);
  return k ? k->mediaType : kGenericType;
}

std::u16string TypeName(const std::u16string& name) {
  const KnownType* k = Known(name);
  return k ? std::u16string(k->typeName) : GenericTypeName(name);
}

#endif

int IndexOfMediaType(const std::u16string& type) {
  const auto& types = MediaTypes();
  auto it = std::lower_bound(types.begin(), types.end(), type);
  if (it == types.end() || *it != type) it = std::lower_bound(types.begin(), types.end(), kGenericType);
  return static_cast<int>(it - types.begin());
}

}  // namespace

int CUseShGetFileInfo::GetFileIconIndex(std::u16string name, bool) const {
  return IndexOfMediaType(MediaTypeOfName(name));
}

int CUseShGetFileInfo::GetFolderIconIndex(bool) const { return IndexOfMediaType(kFolderType); }

std::u16string CUseShGetFileInfo::GetFileTypeName(std::u16string name) const { return TypeName(name); }

std::u16string CUseShGetFileInfo::MediaTypeOfIndex(int index) {
  const auto& types = MediaTypes();
  if (index < 0 || static_cast<std::size_t>(index) >= types.size()) return {};
  return types[static_cast<std::size_t>(index)];
}
