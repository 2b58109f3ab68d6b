// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/accesskeys.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QSet>
#include <QWidget>
#include <climits>

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

const char* const kNoneProperty = "tsmNoAccessKey";

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

// How many distinct letters of caption are still free.
int freeLetters(const QString& caption, const QSet<QChar>& used) {
    QSet<QChar> free;
    for (QChar c : caption)
        if (usable(c) && !used.contains(c.toUpper()))
            free.insert(c.toUpper());
    return int(free.size());
}

} // namespace

void SetNone(QWidget* button) {
    button->setProperty(kNoneProperty, true);
}

QChar keyOfButton(const QWidget* button) {
    const auto* b = qobject_cast<const QAbstractButton*>(button);
    if (!b)
        return QChar();
    if (const QChar k = keyOf(b->text()); !k.isNull())
        return k;
    const QKeySequence shortcut = b->shortcut();
    if (shortcut.count() != 1 || shortcut[0].keyboardModifiers() != Qt::AltModifier)
        return QChar();
    const int key = shortcut[0].key();
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return QChar(key);
    return QChar();
}

void Assign(QWidget* window) {
    // Focus-chain order, so the keys follow the order in which the controls are reached.
    QList<QAbstractButton*> buttons;
    // Only the window's own buttons: a dialog the window owns (the key entry dialog once it
    // was opened, a progress window while it exists) keeps its keys to itself. Counting its
    // buttons here made the window's keys depend on which dialogs had been shown so far.
    QList<QAbstractButton*> all = window->findChildren<QAbstractButton*>();
    all.removeIf([window](const QAbstractButton* b) { return b->window() != window; });
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain())
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && all.contains(b))
            buttons.append(b);
    for (QAbstractButton* b : all)
        if (!buttons.contains(b))
            buttons.append(b);

    QSet<QChar> used;
    QList<QAbstractButton*> open;
    for (QAbstractButton* b : buttons) {
        if (const QChar k = keyOfButton(b); !k.isNull())
            used.insert(k);
        else if (!b->text().isEmpty() && !b->property(kNoneProperty).toBool())
            open.append(b);
    }
    // The caption with the fewest free letters chooses first, so that a short caption
    // ("Beenden") is not left without a key by longer ones that had other letters to take.
    while (!open.isEmpty()) {
        qsizetype best = -1;
        int fewest = INT_MAX;
        for (qsizetype n = 0; n < open.size(); ++n) {
            const int free = freeLetters(open[n]->text(), used);
            if (free < fewest) {
                fewest = free;
                best = n;
            }
        }
        QAbstractButton* b = open.takeAt(best);
        const QString caption = b->text();
        const qsizetype i = choose(caption, used);
        if (i < 0)
            continue;
        used.insert(caption[i].toUpper());
        b->setText(caption.left(i) + QLatin1Char('&') + caption.mid(i));
    }
}

} // namespace AccessKeys
