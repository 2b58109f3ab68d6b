// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/registry.h"
#include "text/programtext.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Registry;

namespace {
const QString kOk = QStringLiteral("  The operation completed successfully.");
} // namespace

class TestRegistry : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString file;

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }
    void init() {
        static int n = 0;
        file = dir.filePath(QStringLiteral("registry%1.ini").arg(++n));
        setSettingsFileOverride(file);
        ProgramText::setLanguage(ProgramText::English);
    }
    void cleanup() {
        setSettingsFileOverride(QString());
        ProgramText::setLanguage(ProgramText::English);
    }

    void newKeyThenExistingKey_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("created");
        QTest::addColumn<QString>("exists");
        QTest::newRow("English") << ProgramText::English << "0 New key created."
                                 << "0 Key already exists.";
        QTest::newRow("German") << ProgramText::German
                                << QString::fromUtf8("0 Neuer Schlüssel verursacht.")
                                << QString::fromUtf8("0 Schlüssel besteht bereits.");
    }
    void newKeyThenExistingKey() {
        QFETCH(int, language);
        QFETCH(QString, created);
        QFETCH(QString, exists);
        ProgramText::setLanguage(language);
        const QString key = QStringLiteral("Software\\Tessamail\\Settings");
        QCOMPARE(WriteRegistryString(HKEY_CURRENT_USER_ROOT, key, "Language", "EN"), created + kOk);
        QCOMPARE(ReadRegistryString(HKEY_CURRENT_USER_ROOT, key, "Language"), QString("EN"));
        QCOMPARE(WriteRegistryString(HKEY_CURRENT_USER_ROOT, key, "Language", "DE"), exists + kOk);
        QCOMPARE(ReadRegistryString(HKEY_CURRENT_USER_ROOT, key, "Language"), QString("DE"));
    }

    void pathBecomesNestedGroups() {
        QCOMPARE(WriteRegistryString(HKEY_CURRENT_USER_ROOT, "Software\\A\\B", "Language", "DE"),
                 "0 New key created." + kOk);
        // The intermediate keys exist now, and the value went to the file.
        QSettings settings(file, QSettings::IniFormat);
        QCOMPARE(settings.childGroups(), QStringList({"Software"}));
        settings.beginGroup("Software");
        QCOMPARE(settings.childGroups(), QStringList({"A"}));
        settings.endGroup();
        QCOMPARE(settings.value("Software/A/B/Language").toString(), QString("DE"));
        // A key that holds only subkeys already exists.
        QCOMPARE(WriteRegistryString(HKEY_CURRENT_USER_ROOT, "Software\\A", "Other", "x"),
                 "0 Key already exists." + kOk);
        // A sibling does not.
        QCOMPARE(WriteRegistryString(HKEY_CURRENT_USER_ROOT, "Software\\C", "Language", "EN"),
                 "0 New key created." + kOk);
    }

    void unwritableSettingsFileIsReported_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("failure");
        QTest::newRow("English") << ProgramText::English << "Unable to create (or find) key.";
        QTest::newRow("German") << ProgramText::German
                                << QString::fromUtf8(
                                       "Nicht imstande, Schlüssel zu verursachen (oder finden).");
    }
    void unwritableSettingsFileIsReported() {
        QFETCH(int, language);
        QFETCH(QString, failure);
        ProgramText::setLanguage(language);
        // Root may write anywhere; a folder that is a regular file stops everyone.
        const QString blocker = dir.filePath("blocker");
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        setSettingsFileOverride(blocker + "/registry.ini");
        QCOMPARE(
            WriteRegistryString(HKEY_CURRENT_USER_ROOT, "Software\\Tessamail", "Language", "EN"),
            "5 " + failure + "  Access is denied.");
        QCOMPARE(ReadRegistryString(HKEY_CURRENT_USER_ROOT, "Software\\Tessamail", "Language"),
                 QString());
    }

#ifndef Q_OS_WIN
    void defaultFileIsInConfigFolder() {
        QStandardPaths::setTestModeEnabled(true);
        setSettingsFileOverride(QString());
        const QString expected =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            "/Tessamail/registry.ini";
        QFile::remove(expected);
        WriteRegistryString(HKEY_CURRENT_USER_ROOT, "Software\\Tessamail", "Language", "EN");
        QVERIFY(QFile::exists(expected));
        QFile::remove(expected);
        QDir().rmdir(QFileInfo(expected).path());
        QStandardPaths::setTestModeEnabled(false);
    }

    void onlyTheUsersOwnBranch() {
        const quint32 localMachine = 0x80000002u;
        QCOMPARE(WriteRegistryString(localMachine, "Software\\Tessamail", "Language", "EN"),
                 "6 Unable to create (or find) key.  The handle is invalid.");
        QVERIFY(!QFile::exists(file));
    }
#endif
};

QTEST_MAIN(TestRegistry)
#include "tst_registry.moc"
