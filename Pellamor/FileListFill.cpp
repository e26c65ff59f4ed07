#include "Pellamor/FileListFill.h"

#include <QMimeDatabase>
#include <QMimeType>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>

#include "corvane/dll_processor.h"
#include "corvane/exfat_records.h"
#include "corvane/fat_records.h"
#include "corvane/ntfs_records.h"

namespace {

using Texts = std::array<std::u16string, kListTextCount>;

char16_t Folded(char16_t c) { return QChar(c).toCaseFolded().unicode(); }

// The characters one element of a glob pattern can stand for, folded: a literal, or the members
// of a [...] class; false (any character) for a wildcard, a negated class or a wide range.
bool ElementChars(const QString& p, qsizetype begin, qsizetype end, std::u16string* chars) {
  chars->clear();
  if (end - begin == 1) {
    const char16_t c = p[begin].unicode();
    if (c == u'*' || c == u'?' || c == u'\\') return false;
    chars->push_back(Folded(c));
    return true;
  }
  // A class: [begin] is '[' and [end - 1] is ']'.
  if (p[begin + 1] == u'!' || p[begin + 1] == u'^') return false;
  for (qsizetype i = begin + 1; i < end - 1; ++i) {
    const char16_t c = p[i].unicode();
    if (i + 2 < end - 1 && p[i + 1] == u'-') {
      const char16_t to = p[i + 2].unicode();
      if (to < c || to - c > 255) return false;
      for (char16_t x = c; x <= to; ++x) chars->push_back(Folded(x));
      i += 2;
    } else {
      chars->push_back(Folded(c));
    }
  }
  return !chars->empty();
}

// What a name must have for one pattern to claim it: as many dots as the pattern has outside its
// classes (each matches only a dot), and a first and a last character the pattern's first and
// last element can stand for.
struct PatternEnds {
  std::size_t dots = 0;
  bool anyFirst = true, anyLast = true;
  std::u16string first, last;

  explicit PatternEnds(const QString& p) {
    bool inClass = false;
    for (QChar c : p) {
      if (c == u'[') inClass = true;
      else if (c == u']') inClass = false;
      else if (c == u'.' && !inClass) ++dots;
    }
    if (p.isEmpty()) return;
    qsizetype firstEnd = 1;
    if (p[0] == u'[') {
      const qsizetype close = p.indexOf(u']', 2);
      if (close < 0) return;
      firstEnd = close + 1;
    }
    anyFirst = !ElementChars(p, 0, firstEnd, &first);
    qsizetype lastBegin = p.size() - 1;
    if (p.back() == u']') {
      const qsizetype open = p.lastIndexOf(u'[', p.size() - 2);
      if (open < 0) return;
      lastBegin = open;
    }
    anyLast = !ElementChars(p, lastBegin, p.size(), &last);
  }
  bool MayClaim(std::size_t nameDots, char16_t first1, char16_t last1) const {
    return dots <= nameDots && (anyFirst || first.find(first1) != std::u16string::npos) &&
           (anyLast || last.find(last1) != std::u16string::npos);
  }
};

// The names that a pattern other than "*.ext" of the media-type database could claim: such names
// are never cached. One expression says it; each pattern's first and last element say first, in a
// few comparisons, which names it cannot claim, so that most names never reach the expression.
class SpecialNameSet {
 public:
  SpecialNameSet() {
    QStringList parts;
    for (const QMimeType& t : QMimeDatabase().allMimeTypes()) {
      for (const QString& p : t.globPatterns()) {
        const bool plain = p.startsWith(QLatin1String("*.")) && p.size() > 2 &&
                           p.indexOf(QRegularExpression(QStringLiteral("[*?\\[.]")), 2) < 0;
        if (plain) continue;
        parts << QStringLiteral("(?:%1)").arg(QRegularExpression::wildcardToRegularExpression(p));
        ends_.emplace_back(p);
      }
    }
    re_ = QRegularExpression(parts.isEmpty() ? QStringLiteral("(?!)") : parts.join(u'|'),
                             QRegularExpression::CaseInsensitiveOption);
    re_.optimize();
  }

  bool Claims(std::u16string_view name) const {
    if (!name.empty()) {
      const std::size_t dots = static_cast<std::size_t>(std::count(name.begin(), name.end(), u'.'));
      const char16_t first = Folded(name.front()), last = Folded(name.back());
      if (std::none_of(ends_.begin(), ends_.end(),
                       [&](const PatternEnds& e) { return e.MayClaim(dots, first, last); }))
        return false;
    }
    const QString q = QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size()));
    return re_.match(q).hasMatch();
  }

 private:
  QRegularExpression re_;
  std::vector<PatternEnds> ends_;
};

const SpecialNameSet& SpecialNames() {
  static const SpecialNameSet names;
  return names;
}

template <class F, class... A>
auto Call(F* f, A... args) -> decltype(f(args...)) {
  return f ? f(args...) : decltype(f(args...)){};
}

// The row's type name: the cached one when the name has it, otherwise typeOf(), which then goes
// into the cache. With image, the icon is cached along with it (imageOf() on a miss) and a slot
// counts as known only once it has an icon.
template <class TypeOf, class ImageOf>
std::u16string CachedType(CFileTypeCache& cache, const std::u16string& name, bool folder, TypeOf typeOf,
                          int* image, ImageOf imageOf) {
  CFileTypeCache::Entry* slot = cache.Slot(name, folder);
  if (slot && (image ? slot->image >= 0 : !slot->typeName.empty())) {
    if (image) *image = slot->image;
    return slot->typeName;
  }
  std::u16string type = typeOf();
  if (image) *image = imageOf();
  if (slot) {
    slot->typeName = type;
    if (image) slot->image = *image;
  }
  return type;
}

template <class TypeOf>
std::u16string CachedType(CFileTypeCache& cache, const std::u16string& name, bool folder, TypeOf typeOf) {
  return CachedType(cache, name, folder, typeOf, nullptr, [] { return 0; });
}

// The texts of an NTFS row other than its name and type are made only when first asked for
// (painted, sorted by, read): most are in no column, and the shown ones are painted for the rows
// on screen only. The row keeps the entry's fixed fields after its name, the only bytes the
// display module reads for them. (The name and the type are the rows' sort keys and make the
// type cache's key, so they are made at once.)
constexpr std::size_t kNtfsFixedAt = offsetof(NTFSFILEENTRY, firstCluster);
constexpr std::uint32_t kNtfsFixedBytes = sizeof(NTFSFILEENTRY) - kNtfsFixedAt;

std::u16string NtfsDeferredText(const std::uint8_t* block, int field) {
  thread_local NTFSFILEENTRY entry{};  // only its fixed fields are ever set
  std::memcpy(reinterpret_cast<std::uint8_t*>(&entry) + kNtfsFixedAt, block, kNtfsFixedBytes);
  const NTFSFILEENTRY* e = &entry;
  switch (field) {
    case kTextStatus: return Call(pfn_disp_struct_status_ntfs, e);
    case kTextCluster: return Call(pfn_disp_struct_cluster_ntfs, e);
    case kTextSize: return Call(pfn_disp_struct_size_ntfs, e);
    case kTextFirstSector: return Call(pfn_disp_struct_1stsector_ntfs, e);
    case kTextRunCount: return Call(pfn_disp_struct_runcount_ntfs, e);
    case kTextParentRecord: return Call(pfn_disp_struct_parentmft_ntfs, e);
    case kTextRecordNumber: return Call(pfn_disp_struct_mftid_ntfs, e);
    case kTextByteSize: return Call(pfn_disp_struct_bytesize_ntfs, e);
    case kTextDataSize: return Call(pfn_disp_struct_datasize_ntfs, e);
    case kTextCreated: return Call(pfn_disp_struct_createdt_ntfs, e);
    case kTextAccessed: return Call(pfn_disp_struct_accessdt_ntfs, e);
    case kTextModified: return Call(pfn_disp_struct_modifydt_ntfs, e);
    default: return {};
  }
}

constexpr std::uint32_t kNtfsDeferredFields = 1u << kTextStatus | 1u << kTextCluster | 1u << kTextSize |
                                              1u << kTextFirstSector | 1u << kTextRunCount |
                                              1u << kTextParentRecord | 1u << kTextRecordNumber |
                                              1u << kTextByteSize | 1u << kTextDataSize | 1u << kTextCreated |
                                              1u << kTextAccessed | 1u << kTextModified;
constexpr LISTDEFERREDTEXTS kNtfsDeferred{kNtfsDeferredFields, kNtfsFixedBytes, &NtfsDeferredText};

}  // namespace

CFileTypeCache::Entry* CFileTypeCache::Slot(std::u16string_view name, bool folder) {
  const std::size_t dot = name.rfind(u'.');
  if (dot != std::u16string_view::npos && name.find(u'.') != dot) return nullptr;
  if (name.find_first_of(u"\\/") != std::u16string_view::npos) return nullptr;
  if (SpecialNames().Claims(name)) return nullptr;
  std::u16string key(1, folder ? u'D' : u'F');
  if (dot != std::u16string_view::npos) key.append(name.substr(dot));
  return &entries_[key];
}

int AppendFatRows(CFileListModel& model, const FATDIRENTRY* entries, std::uint32_t count, CFileTypeCache& cache) {
  if (!entries) return 0;
  model.Reserve(count);
  Texts t;
  for (std::uint32_t i = 0; i < count; ++i) {
    const FATDIRENTRY* e = &entries[i];
    t = {};
    t[kTextName] = Call(pfn_disp_struct_name_quorin, e);
    t[kTextStatus] = Call(pfn_disp_struct_status_quorin, e);
    t[kTextAttributes] = Call(pfn_disp_struct_attr_quorin, e);
    t[kTextCluster] = Call(pfn_disp_struct_cluster_quorin, e);
    t[kTextSize] = Call(pfn_disp_struct_size_quorin, e);
    t[kTextByteSize] = Call(pfn_disp_struct_bytesize_quorin, e);
    t[kTextLocation] = Call(pfn_disp_struct_location_quorin, e);
    t[kTextCreated] = Call(pfn_disp_struct_createdt_quorin, e);
    t[kTextAccessed] = Call(pfn_disp_struct_accessdt_quorin, e);
    t[kTextModified] = Call(pfn_disp_struct_modifydt_quorin, e);
    t[kTextFileType] = CachedType(cache, t[kTextName], e->directory != 0,
                                  [e] { return Call(pfn_disp_struct_fileformat_quorin, e); });
    LISTROWKEYS k;
    k.byteSize = pfn_disp_struct_bytesize_num_quorin ? pfn_disp_struct_bytesize_num_quorin(e) : double(e->size);
    k.folder = e->directory;
    k.volumeLabel = e->volumeLabel;
    k.deleted = e->deleted;
    k.firstCluster = e->firstCluster;
    k.entryIndex = i;
    k.imageIndex = Call(pfn_disp_struct_image_quorin, e, 1);
    model.Append(t, k);
  }
  return static_cast<int>(count);
}

int AppendExfatRows(CFileListModel& model, const EXFATFILEENTRY* entries, std::uint32_t count,
                    CFileTypeCache& cache) {
  if (!entries) return 0;
  model.Reserve(count);
  Texts t;
  for (std::uint32_t i = 0; i < count; ++i) {
    const EXFATFILEENTRY* e = &entries[i];
    t = {};
    t[kTextName] = Call(pfn_disp_struct_name_exfat, e);
    t[kTextStatus] = Call(pfn_disp_struct_status_exfat, e);
    t[kTextFragment] = Call(pfn_disp_struct_fragment_exfat, e);
    t[kTextChecksum] = Call(pfn_disp_struct_checksum_exfat, e);
    t[kTextAttributes] = Call(pfn_disp_struct_attr_exfat, e);
    t[kTextCluster] = Call(pfn_disp_struct_cluster_exfat, e);
    t[kTextSize] = Call(pfn_disp_struct_size_exfat, e);
    t[kTextByteSize] = Call(pfn_disp_struct_bytesize_exfat, e);
    t[kTextCreated] = Call(pfn_disp_struct_createdt_exfat, e);
    t[kTextAccessed] = Call(pfn_disp_struct_accessdt_exfat, e);
    t[kTextModified] = Call(pfn_disp_struct_modifydt_exfat, e);
    t[kTextFileType] = CachedType(cache, t[kTextName], e->folder != 0,
                                  [e] { return Call(pfn_disp_struct_fileformat_exfat, e); });
    LISTROWKEYS k;
    k.byteSize = pfn_disp_struct_bytesize_num_exfat ? pfn_disp_struct_bytesize_num_exfat(e)
                                                    : static_cast<double>(e->dataLength);
    k.folder = e->folder;
    k.volumeLabel = static_cast<std::int32_t>(e->reserved);
    k.deleted = e->deleted;
    k.firstCluster = e->firstCluster;
    k.entryIndex = i;
    k.imageIndex = Call(pfn_disp_struct_image_exfat, e, 1);
    model.Append(t, k);
  }
  return static_cast<int>(count);
}

std::span<const std::uint32_t> CNtfsChildIndex::Children(const NTFSFILEENTRY* entries, std::uint32_t count,
                                                         std::int64_t parent) {
  if (!entries || count == 0) return {};
  if (entries != entries_ || count != count_) {
    order_.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) order_[i] = i;
    // Stable, so the children of one parent stay in table order.
    std::stable_sort(order_.begin(), order_.end(), [entries](std::uint32_t a, std::uint32_t b) {
      return entries[a].parentRecordNumber < entries[b].parentRecordNumber;
    });
    entries_ = entries;
    count_ = count;
  }
  auto first = std::lower_bound(order_.begin(), order_.end(), parent, [entries](std::uint32_t i, std::int64_t k) {
    return entries[i].parentRecordNumber < k;
  });
  auto last = std::upper_bound(first, order_.end(), parent, [entries](std::int64_t k, std::uint32_t i) {
    return k < entries[i].parentRecordNumber;
  });
  return {order_.data() + (first - order_.begin()), static_cast<std::size_t>(last - first)};
}

void CNtfsChildIndex::Clear() {
  std::vector<std::uint32_t>().swap(order_);
  entries_ = nullptr;
  count_ = 0;
}

int AppendNtfsRows(CFileListModel& model, const NTFSFILEENTRY* entries, std::uint32_t count, std::int64_t key,
                   CFileTypeCache& cache, CNtfsChildIndex* index) {
  constexpr std::int64_t kRootRecord = 5;
  if (!entries) return 0;
  int added = 0;
  Texts t;
  const bool deferred = model.DeferTexts(kNtfsDeferred);
  auto append = [&](std::uint32_t i) {
    const NTFSFILEENTRY* e = &entries[i];
    t = {};
    t[kTextName] = Call(pfn_disp_struct_name_ntfs, e);
    if (!deferred) {
      t[kTextStatus] = Call(pfn_disp_struct_status_ntfs, e);
      t[kTextCluster] = Call(pfn_disp_struct_cluster_ntfs, e);
      t[kTextSize] = Call(pfn_disp_struct_size_ntfs, e);
      t[kTextFirstSector] = Call(pfn_disp_struct_1stsector_ntfs, e);
      t[kTextRunCount] = Call(pfn_disp_struct_runcount_ntfs, e);
      t[kTextParentRecord] = Call(pfn_disp_struct_parentmft_ntfs, e);
      t[kTextRecordNumber] = Call(pfn_disp_struct_mftid_ntfs, e);
      t[kTextByteSize] = Call(pfn_disp_struct_bytesize_ntfs, e);
      t[kTextDataSize] = Call(pfn_disp_struct_datasize_ntfs, e);
      t[kTextCreated] = Call(pfn_disp_struct_createdt_ntfs, e);
      t[kTextAccessed] = Call(pfn_disp_struct_accessdt_ntfs, e);
      t[kTextModified] = Call(pfn_disp_struct_modifydt_ntfs, e);
    }
    LISTROWKEYS k;
    // The type name and the icon both follow from the name and the folder flag.
    t[kTextFileType] = CachedType(
        cache, t[kTextName], e->folder == 1, [e] { return Call(pfn_disp_struct_fileformat_ntfs, e); },
        &k.imageIndex, [&t, e] {
          return pfn_disp_struct_image_ntfs_ex ? pfn_disp_struct_image_ntfs_ex(t[kTextName], e->folder)
                                               : Call(pfn_disp_struct_image_ntfs, e, 1);
        });
    k.fileAttributes = e->fileAttributes;
    k.byteSize = pfn_disp_struct_bytesize_num_ntfs ? pfn_disp_struct_bytesize_num_ntfs(e)
                                                   : static_cast<double>(e->dataSize);
    k.folder = e->folder;
    k.deleted = e->deleted;
    k.recordNumber = e->recordNumber;
    k.entryIndex = i;
    model.Append(t, k, deferred ? reinterpret_cast<const std::uint8_t*>(e) + kNtfsFixedAt : nullptr);
    ++added;
  };
  if (index && key != kNtfsDeletedFiles && key != kNtfsDeletedTopLevel) {
    const std::span<const std::uint32_t> children = index->Children(entries, count, key);
    model.Reserve(children.size());
    for (std::uint32_t i : children)
      if (entries[i].recordNumber != key) append(i);
    return added;
  }
  auto take = [&](const NTFSFILEENTRY* e) {
    if (key == kNtfsDeletedFiles) return e->deleted == 1 && e->folder != 1;
    if (key == kNtfsDeletedTopLevel)
      return e->deleted == 1 && e->parentRecordNumber == kRootRecord && e->recordNumber != kRootRecord;
    return e->parentRecordNumber == key && e->recordNumber != key;
  };
  // Picked first, so that the rows and their texts are allocated once and the table is read once.
  std::vector<std::uint32_t> picked;
  for (std::uint32_t i = 0; i < count; ++i)
    if (take(&entries[i])) picked.push_back(i);
  model.Reserve(picked.size());
  for (std::uint32_t i : picked) append(i);
  return added;
}
