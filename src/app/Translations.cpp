// Loads qtbase_ja.qm from Qt's translation folder. The program's own texts
// are Japanese already; only Qt's built-in ones need a translator.
#include "app/Translations.h"

#include <memory>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool installJapaneseTranslations(QCoreApplication& application)
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(japanese, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    // The application owns the translator from here on.
    translator->setParent(&application);
    return QCoreApplication::installTranslator(translator.release());
}
