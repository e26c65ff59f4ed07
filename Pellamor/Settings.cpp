#include "Pellamor/Settings.h"

#include <QSettings>

#include <memory>

#include "platform/environment.h"

namespace profile {
namespace {

QString g_file;

std::unique_ptr<QSettings> Open() {
  QString file = g_file;
  if (file.isEmpty()) {
    file = QString::fromLocal8Bit(platform::SettingsFileFromEnvironment());
  }
  if (!file.isEmpty()) return std::make_unique<QSettings>(file, QSettings::IniFormat);
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, kMakerKey, kProgramName);
}

QString Key(const QString& section, const QString& key) { return section + "/" + key; }

bool Flush(QSettings& s) {
  s.sync();
  return s.status() == QSettings::NoError;
}

}  // namespace

void SetProfileFile(const QString& path) { g_file = path; }

QString ProfileFile() { return Open()->fileName(); }

int GetProfileInt(const QString& section, const QString& key, int defaultValue) {
  bool ok = false;
  int value = Open()->value(Key(section, key)).toInt(&ok);
  return ok ? value : defaultValue;
}

bool WriteProfileInt(const QString& section, const QString& key, int value) {
  auto s = Open();
  s->setValue(Key(section, key), value);
  return Flush(*s);
}

QString GetProfileString(const QString& section, const QString& key, const QString& defaultValue) {
  return Open()->value(Key(section, key), defaultValue).toString();
}

bool WriteProfileString(const QString& section, const QString& key, const QString& value) {
  auto s = Open();
  s->setValue(Key(section, key), value);
  return Flush(*s);
}

bool HasProfileKey(const QString& section, const QString& key) { return Open()->contains(Key(section, key)); }

}  // namespace profile
