// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The key list manager: a sorted drop-down list of key entries, each carrying the day it was
// added (a Julian Day Number) as item data, with lookup, add-without-duplicates, delete of
// the shown entry and undo of deletions in reverse order.
#include <QList>
#include <QString>
#include <optional>

class QComboBox;

namespace CB_Man {

// Item data role that holds an entry's date added.
constexpr int kDateAddedRole = Qt::UserRole;

// One key entry: target, " «", date of first use, "» ", key; trimmed, so an entry without
// target starts with "«" and one without date has the guillemets side by side.
QString ComposeKeyEntry(const QString& target, const QString& date, const QString& key);

// Deleted entries, most recent last. Plain values only, so undo restores exactly the text
// and date that were deleted however many deletions came before.
class DeletionStack {
public:
    struct Item {
        QString text;
        qint32 dateAdded = 0;
        bool operator==(const Item&) const = default;
    };

    void push(const QString& text, qint32 dateAdded) { items.append({text, dateAdded}); }
    std::optional<Item> pop();
    int count() const { return int(items.size()); }
    void reset() { items.clear(); }

private:
    QList<Item> items;
};

// The one deletion stack of the program (it belongs to the main window's key list).
DeletionStack& deletionStack();
int deletedCount();
void ResetDeletionStack();

// Index of the first item whose text equals text exactly (case-sensitive), or -1.
int FindListItem(const QComboBox* list, const QString& text);

// Inserts text at its sorted place (case-insensitive order of the current locale; equal
// texts keep their arrival order) with its date added, and returns its index. Does not
// check for duplicates and does not change the selection: the keyfile reader adds what the
// file holds this way.
int InsertSorted(QComboBox* list, const QString& text, qint32 dateAdded);

// Adds text unless it is empty or already present, then selects it and gives the selected
// item the number. The index is used only for a list that is not sorted (none is).
void AddListItemUnique(QComboBox* list, const QString& text, qint32 number = 0, int index = 0);

// Removes the selected item onto the deletion stack and selects its neighbour: the same
// index, or the new last item when the last one was removed, or nothing when none is left.
void DeleteShownItem(QComboBox* list);

// Restores the most recent deletion and selects it; an entry that was added again in the
// meantime is only selected.
void UndoLastDeletion(QComboBox* list);

// Date added of item index.
qint32 DateAdded(const QComboBox* list, int index);

} // namespace CB_Man
