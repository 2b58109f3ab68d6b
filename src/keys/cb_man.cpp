// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/cb_man.h"

#include <QCollator>
#include <QComboBox>

namespace CB_Man {

QString ComposeKeyEntry(const QString& target, const QString& date, const QString& key) {
    const QString entry =
        target + QStringLiteral(" \u00AB") + date + QStringLiteral("\u00BB ") + key;
    // Only spaces are trimmed: the parts were trimmed by the dialog already.
    qsizetype begin = 0;
    qsizetype end = entry.size();
    while (begin < end && entry[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && entry[end - 1] == QLatin1Char(' '))
        --end;
    return entry.mid(begin, end - begin);
}

std::optional<DeletionStack::Item> DeletionStack::pop() {
    if (items.isEmpty())
        return std::nullopt;
    return items.takeLast();
}

DeletionStack& deletionStack() {
    static DeletionStack stack;
    return stack;
}

int deletedCount() {
    return deletionStack().count();
}

void ResetDeletionStack() {
    deletionStack().reset();
}

int FindListItem(const QComboBox* list, const QString& text) {
    // findText's MatchExactly compares case-insensitively for strings; this must not.
    for (int i = 0; i < list->count(); ++i)
        if (list->itemText(i) == text)
            return i;
    return -1;
}

int InsertSorted(QComboBox* list, const QString& text, qint32 dateAdded) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // First position whose item sorts after text: equal entries keep their arrival order,
    // so a list read back from the keyfile keeps the stored order.
    int lo = 0;
    int hi = list->count();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (collator.compare(text, list->itemText(mid)) < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    const bool noSelection = list->currentIndex() < 0;
    list->insertItem(lo, text, QVariant(dateAdded));
    if (noSelection) // a combo box selects the first item put into an empty list
        list->setCurrentIndex(-1);
    return lo;
}

void AddListItemUnique(QComboBox* list, const QString& text, qint32 number, int /*index*/) {
    if (text.isEmpty() || FindListItem(list, text) >= 0)
        return;
    const int i = InsertSorted(list, text, number);
    list->setCurrentIndex(i);
}

void DeleteShownItem(QComboBox* list) {
    const int i = list->currentIndex();
    if (i < 0)
        return;
    deletionStack().push(list->itemText(i), DateAdded(list, i));
    list->removeItem(i);
    const int n = list->count();
    if (n == 0)
        list->setCurrentIndex(-1);
    else if (i == n)
        list->setCurrentIndex(i - 1);
    else
        list->setCurrentIndex(i);
}

void UndoLastDeletion(QComboBox* list) {
    const std::optional<DeletionStack::Item> item = deletionStack().pop();
    if (!item)
        return;
    const int existing = FindListItem(list, item->text);
    if (existing >= 0) {
        list->setCurrentIndex(existing);
        return;
    }
    AddListItemUnique(list, item->text, item->dateAdded, 0);
}

qint32 DateAdded(const QComboBox* list, int index) {
    return list->itemData(index, kDateAddedRole).toInt();
}

} // namespace CB_Man
