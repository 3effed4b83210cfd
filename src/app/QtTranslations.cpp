#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tidemark {

bool installChineseQtTranslations(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    // "qt_zh_CN" is the catalogue that pulls in each module's own
    // (qtbase_zh_CN holds the buttons and menus).
    if (!translator->load(QStringLiteral("qt_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace tidemark
