// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/keysearch.h"

namespace KeySearch {

QString Recipient(const QString& entry) {
    const qsizetype p = entry.indexOf(QChar(0x00AB)); // «
    if (p <= 0)
        return QString();
    return entry.left(p).trimmed();
}

QString Folded(const QString& text, bool spellOutUmlauts) {
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        const QChar lower = c.toCaseFolded();
        if (spellOutUmlauts) {
            switch (lower.unicode()) {
            case 0x00E4: // ä
                out += QStringLiteral("ae");
                continue;
            case 0x00F6: // ö
                out += QStringLiteral("oe");
                continue;
            case 0x00FC: // ü
                out += QStringLiteral("ue");
                continue;
            default:
                break;
            }
        }
        if (lower.unicode() == 0x00DF) { // ß
            out += QStringLiteral("ss");
            continue;
        }
        // The base letter of an accented one: its canonical decomposition without the marks.
        const QString decomposed = QString(lower).normalized(QString::NormalizationForm_KD);
        for (const QChar d : decomposed)
            if (d.category() != QChar::Mark_NonSpacing)
                out += d.toCaseFolded();
    }
    return out;
}

bool Matches(const QString& entry, const QString& fragment) {
    const QString typed = fragment.trimmed();
    if (typed.isEmpty())
        return false;
    const QString recipient = Recipient(entry);
    if (recipient.isEmpty())
        return false;
    const QString plainRecipient = Folded(recipient);
    const QString spelledRecipient = Folded(recipient, true);
    const QString plainTyped = Folded(typed);
    return plainRecipient.contains(plainTyped) || spelledRecipient.contains(plainTyped) ||
           spelledRecipient.contains(Folded(typed, true));
}

QList<int> MatchingEntries(const QStringList& entries, const QString& fragment) {
    QList<int> rows;
    for (int i = 0; i < entries.size(); ++i)
        if (Matches(entries[i], fragment))
            rows.append(i);
    return rows;
}

} // namespace KeySearch
