#include "util/shell_icons.h"

#include <QFileIconProvider>
#include <QHash>
#include <QMimeDatabase>

#include "util/shell_file_info.h"

QIcon ShellIconOfIndex(int index) {
  static QFileIconProvider provider;
  static QHash<int, QIcon> cache;
  auto it = cache.find(index);
  if (it != cache.end()) return *it;
  const QString type = QString::fromStdU16String(CUseShGetFileInfo::MediaTypeOfIndex(index));
  QIcon icon;
  if (type == QLatin1String("inode/directory")) {
    icon = provider.icon(QAbstractFileIconProvider::Folder);
  } else {
    QMimeType mime = QMimeDatabase().mimeTypeForName(type);
    if (mime.isValid()) icon = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
    if (icon.isNull()) icon = provider.icon(QAbstractFileIconProvider::File);
  }
  cache.insert(index, icon);
  return icon;
}
