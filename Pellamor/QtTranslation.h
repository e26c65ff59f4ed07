// Qt's own texts (standard buttons, the folder browser) in the interface language.
#pragma once

#include <QLocale>

class QTranslator;

// Loads Qt's base catalogue for the locale's language (qtbase_<lang>.qm from Qt's translations
// folder) and installs it on the application, replacing one installed before. Null, with the
// English texts left, when no catalogue exists for it.
QTranslator* InstallQtTranslation(const QLocale& locale);
// Removes the installed catalogue.
void RemoveQtTranslation();
