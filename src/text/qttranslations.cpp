// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/qttranslations.h"

#include "text/programtext.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace QtTranslations {

bool Apply(int language) {
    static QTranslator* german = nullptr;
    static bool installed = false;
    if (language != ProgramText::German) {
        if (installed)
            QCoreApplication::removeTranslator(german);
        installed = false;
        return true;
    }
    if (installed)
        return true;
    if (!german) {
        auto* t = new QTranslator(QCoreApplication::instance());
        if (!t->load(QStringLiteral("qtbase_de"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete t;
            return false;
        }
        german = t;
    }
    installed = QCoreApplication::installTranslator(german);
    return installed;
}

} // namespace QtTranslations
