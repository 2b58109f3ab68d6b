// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/statustexts.h"

#include "text/programtext.h"

#include <QLocale>

namespace StatusTexts {

QString FillCount(const QString& templ, qint64 n) {
    QString s = templ;
    return s.replace(QLatin1Char('2'), QLocale().toString(n));
}

QString TextboxLabel(qint64 characters) {
    return characters == 1 ? GetText(11) : FillCount(GetText(12), characters);
}

QString ClipboardLabel(qint64 characters) {
    if (characters == 0)
        return GetText(213);
    return characters == 1 ? GetText(26) : FillCount(GetText(27), characters);
}

QString KeyCountLabel(qint64 keys) {
    if (keys == 0)
        return GetText(31);
    return keys == 1 ? GetText(32) : FillCount(GetText(33), keys);
}

} // namespace StatusTexts
