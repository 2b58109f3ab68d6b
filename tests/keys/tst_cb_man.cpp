// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/cb_man.h"

#include <QComboBox>
#include <QtTest>

namespace {

QStringList texts(const QComboBox& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.itemText(i);
    return out;
}

void fill(QComboBox& list, const QStringList& entries) {
    qint32 day = 2451545;
    for (const QString& e : entries)
        CB_Man::AddListItemUnique(&list, e, day++);
}

} // namespace

class TestCbMan : public QObject {
    Q_OBJECT
private slots:
    void init() { CB_Man::ResetDeletionStack(); }

    void composeKeyEntry_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("entry");
        QTest::newRow("all parts")
            << "ann@example.org"
            << "2007-03-09"
            << "Correct Horse Battery"
            << QString::fromUtf8("ann@example.org «2007-03-09» Correct Horse Battery");
        QTest::newRow("no target") << ""
                                   << "2007-03-09"
                                   << "k1" << QString::fromUtf8("«2007-03-09» k1");
        QTest::newRow("no date") << "Bob"
                                 << ""
                                 << "k2" << QString::fromUtf8("Bob «» k2");
        QTest::newRow("key only") << ""
                                  << ""
                                  << "k3" << QString::fromUtf8("«» k3");
    }
    void composeKeyEntry() {
        QFETCH(QString, target);
        QFETCH(QString, date);
        QFETCH(QString, key);
        QTEST(CB_Man::ComposeKeyEntry(target, date, key), "entry");
    }

    void addKeepsCaseInsensitiveOrderAndSelectsTheNewEntry() {
        QComboBox list;
        CB_Man::AddListItemUnique(&list, "bob", 10);
        CB_Man::AddListItemUnique(&list, "Carl", 11);
        CB_Man::AddListItemUnique(&list, "alice", 12);
        CB_Man::AddListItemUnique(&list, "Bob", 13); // differs in case only: a new entry
        QCOMPARE(texts(list), QStringList({"alice", "bob", "Bob", "Carl"}));
        QCOMPARE(list.currentIndex(), 2);
        QCOMPARE(CB_Man::DateAdded(&list, 0), 12);
        QCOMPARE(CB_Man::DateAdded(&list, 2), 13);
        QCOMPARE(CB_Man::FindListItem(&list, "Bob"), 2);
        QCOMPARE(CB_Man::FindListItem(&list, "BOB"), -1);
    }

    void exactDuplicateAndEmptyTextAddNothing() {
        QComboBox list;
        fill(list, {"a", "b"});
        list.setCurrentIndex(0);
        CB_Man::AddListItemUnique(&list, "b", 99);
        CB_Man::AddListItemUnique(&list, "", 99);
        QCOMPARE(texts(list), QStringList({"a", "b"}));
        QCOMPARE(list.currentIndex(), 0);
        QCOMPARE(CB_Man::DateAdded(&list, 1), 2451546);
    }

    void insertSortedLeavesAnEmptySelectionAlone() {
        QComboBox list;
        CB_Man::InsertSorted(&list, "b", 1);
        CB_Man::InsertSorted(&list, "a", 2);
        QCOMPARE(list.currentIndex(), -1);
        QCOMPARE(texts(list), QStringList({"a", "b"}));
    }

    void deleteSelectsTheNeighbour_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("middle keeps its index") << 3 << 1 << 1;
        QTest::newRow("first") << 3 << 0 << 0;
        QTest::newRow("last selects new last") << 3 << 2 << 1;
        QTest::newRow("only entry leaves none") << 1 << 0 << -1;
    }
    void deleteSelectsTheNeighbour() {
        QFETCH(int, count);
        QFETCH(int, selected);
        QComboBox list;
        fill(list, QStringList({"a", "b", "c"}).mid(0, count));
        list.setCurrentIndex(selected);
        CB_Man::DeleteShownItem(&list);
        QCOMPARE(list.count(), count - 1);
        QTEST(list.currentIndex(), "selectedAfter");
        QCOMPARE(CB_Man::deletedCount(), 1);
    }

    void deleteWithoutSelectionDoesNothing() {
        QComboBox list;
        fill(list, {"a"});
        list.setCurrentIndex(-1);
        CB_Man::DeleteShownItem(&list);
        QCOMPARE(list.count(), 1);
        QCOMPARE(CB_Man::deletedCount(), 0);
    }

    // Far more deletions than the first allocation of the stack: every one comes back, in
    // reverse order, with its own date added.
    void undoRestoresManyDeletionsWithTheirDates() {
        QComboBox list;
        QStringList entries;
        for (int i = 0; i < 150; ++i)
            entries << QStringLiteral("key %1").arg(i, 3, 10, QLatin1Char('0'));
        fill(list, entries);
        for (int i = 0; i < 150; ++i) {
            list.setCurrentIndex(0);
            CB_Man::DeleteShownItem(&list);
        }
        QCOMPARE(list.count(), 0);
        QCOMPARE(CB_Man::deletedCount(), 150);
        for (int i = 149; i >= 0; --i) {
            CB_Man::UndoLastDeletion(&list);
            QCOMPARE(list.currentText(), entries[i]);
            QCOMPARE(CB_Man::DateAdded(&list, list.currentIndex()), 2451545 + i);
        }
        QCOMPARE(texts(list), entries);
        QCOMPARE(CB_Man::deletedCount(), 0);
        CB_Man::UndoLastDeletion(&list); // nothing left: no change
        QCOMPARE(list.count(), 150);
    }

    void undoOfAnEntryAddedAgainOnlySelectsIt() {
        QComboBox list;
        fill(list, {"a", "b", "c"});
        list.setCurrentIndex(1);
        CB_Man::DeleteShownItem(&list);
        CB_Man::AddListItemUnique(&list, "b", 777);
        list.setCurrentIndex(0);
        CB_Man::UndoLastDeletion(&list);
        QCOMPARE(texts(list), QStringList({"a", "b", "c"}));
        QCOMPARE(list.currentIndex(), 1);
        QCOMPARE(CB_Man::DateAdded(&list, 1), 777);
    }

    // An entry holding a TAB (the separator of the keyfile records) still comes back whole.
    void undoKeepsTextWithTabs() {
        QComboBox list;
        CB_Man::AddListItemUnique(&list, "a\tb 12", -5);
        CB_Man::DeleteShownItem(&list);
        CB_Man::UndoLastDeletion(&list);
        QCOMPARE(list.currentText(), QString("a\tb 12"));
        QCOMPARE(CB_Man::DateAdded(&list, 0), -5);
    }
};

QTEST_MAIN(TestCbMan)
#include "tst_cb_man.moc"
