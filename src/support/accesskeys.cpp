#include "support/accesskeys.h"

#include <QAbstractButton>
#include <QSet>
#include <QWidget>

namespace AccessKeys {

QChar keyOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] == QLatin1Char('&')) {
            ++i; // a literal "&"
            continue;
        }
        return caption[i + 1].toUpper();
    }
    return QChar();
}

QString plain(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

namespace {

bool usable(QChar c) {
    return (c.isLetter() && c.unicode() < 128) || c.isDigit();
}

// Position in caption (which has no marker) of the letter to mark, or -1.
qsizetype choose(const QString& caption, const QSet<QChar>& used) {
    for (int pass = 0; pass < 2; ++pass) {
        for (qsizetype i = 0; i < caption.size(); ++i) {
            const QChar c = caption[i];
            if (caption[i] == QLatin1Char('&')) {
                ++i; // skip the literal "&&"
                continue;
            }
            if (!usable(c) || used.contains(c.toUpper()))
                continue;
            const bool wordStart = i == 0 || !caption[i - 1].isLetterOrNumber();
            if (pass == 1 || wordStart)
                return i;
        }
    }
    return -1;
}

} // namespace

void Assign(QWidget* window) {
    // Focus-chain order, so the keys follow the order in which the controls are reached.
    QList<QAbstractButton*> buttons;
    const QList<QAbstractButton*> all = window->findChildren<QAbstractButton*>();
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain())
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && all.contains(b))
            buttons.append(b);
    for (QAbstractButton* b : all)
        if (!buttons.contains(b))
            buttons.append(b);

    QSet<QChar> used;
    for (const QAbstractButton* b : buttons)
        if (const QChar k = keyOf(b->text()); !k.isNull())
            used.insert(k);
    for (QAbstractButton* b : buttons) {
        const QString caption = b->text();
        if (caption.isEmpty() || !keyOf(caption).isNull())
            continue;
        const qsizetype i = choose(caption, used);
        if (i < 0)
            continue;
        used.insert(caption[i].toUpper());
        b->setText(caption.left(i) + QLatin1Char('&') + caption.mid(i));
    }
}

} // namespace AccessKeys
