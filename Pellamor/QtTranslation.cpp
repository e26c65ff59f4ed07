#include "Pellamor/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

std::unique_ptr<QTranslator>& Installed() {
  static std::unique_ptr<QTranslator> translator;
  return translator;
}

}  // namespace

QTranslator* InstallQtTranslation(const QLocale& locale) {
  RemoveQtTranslation();
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return nullptr;
  if (!QCoreApplication::installTranslator(translator.get())) return nullptr;
  Installed() = std::move(translator);
  return Installed().get();
}

void RemoveQtTranslation() {
  if (!Installed()) return;
  QCoreApplication::removeTranslator(Installed().get());
  Installed().reset();
}
