#include "ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace fv {

bool InstallJapaneseTranslations(QCoreApplication& app) {
  static QTranslator* qt = nullptr;
  if (qt) return true;
  auto* t = new QTranslator(&app);
  if (!t->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete t;
    return false;
  }
  app.installTranslator(t);
  qt = t;
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  return true;
}

}  // namespace fv
