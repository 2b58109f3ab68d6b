// SPDX-License-Identifier: GPL-3.0-or-later
// Finding a key in a long key list by typing part of its address or name.
#include "mainwindow/frmmain.h"

#include "keys/keysearch.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QShortcut>
#include <QStandardItemModel>

namespace {
// The list index an offered entry stands for.
constexpr int kListIndexRole = Qt::UserRole + 1;
} // namespace

void frmMain::SetUpKeySearch() {
    // The completer only shows what the search found: its own prefix matching knows neither
    // accents nor spelled-out umlauts.
    m_keyMatches = new QStandardItemModel(this);
    keySearchCompleter = new QCompleter(m_keyMatches, this);
    keySearchCompleter->setObjectName(QStringLiteral("keySearchCompleter"));
    keySearchCompleter->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    keySearchCompleter->setMaxVisibleItems(12);
    keySearchCompleter->setWidget(txbKeySearch);
    keySearchCompleter->popup()->setObjectName(QStringLiteral("keySearchResults"));

    connect(txbKeySearch, &QLineEdit::textEdited, this, &frmMain::KeySearchEdited);
    connect(
        keySearchCompleter, qOverload<const QModelIndex&>(&QCompleter::activated), this,
        [this](const QModelIndex& found) { ChooseFoundKey(found.data(kListIndexRole).toInt()); });
    // Enter with nothing picked from the offers takes the first of them.
    connect(txbKeySearch, &QLineEdit::returnPressed, this, [this] {
        if (m_keyMatches->rowCount() > 0)
            ChooseFoundKey(m_keyMatches->item(0)->data(kListIndexRole).toInt());
    });

    auto* findKey = new QShortcut(QKeySequence(kFindKeyKey), this);
    findKey->setObjectName(QStringLiteral("scFindKey"));
    connect(findKey, &QShortcut::activated, this, [this] {
        if (!txbKeySearch->isEnabled())
            return;
        txbKeySearch->setFocus(Qt::ShortcutFocusReason);
        txbKeySearch->selectAll();
    });
}

void frmMain::KeySearchEdited(const QString& text) {
    QStringList entries;
    entries.reserve(cboKeys->count());
    for (int i = 0; i < cboKeys->count(); ++i)
        entries.append(cboKeys->itemText(i));
    m_keyMatches->clear();
    for (const int index : KeySearch::MatchingEntries(entries, text)) {
        auto* item = new QStandardItem(entries[index]);
        item->setData(index, kListIndexRole);
        item->setEditable(false);
        m_keyMatches->appendRow(item);
    }
    if (m_keyMatches->rowCount() == 0) {
        keySearchCompleter->popup()->hide();
        return;
    }
    keySearchCompleter->complete();
}

void frmMain::ChooseFoundKey(int index) {
    if (index < 0 || index >= cboKeys->count() || !cboKeys->isEnabled())
        return;
    keySearchCompleter->popup()->hide();
    cboKeys->setCurrentIndex(index);
    txbKeySearch->clear();
    m_keyMatches->clear();
    // Chosen as in the opened list: on to the mode's command.
    cboKeys_Click();
}
