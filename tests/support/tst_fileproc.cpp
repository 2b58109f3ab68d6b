// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/diskproc.h"
#include "support/fileproc.h"
#include "support/folder.h"
#include "support/scripted.h"
#include "testsupport/testsupport.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#endif

using namespace FileProc;
using TestSupport::readAll;
using TestSupport::writeFile;
#ifdef Q_OS_UNIX
using TestSupport::FileSizeLimit;
#endif

class TestFileProc : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QStandardPaths::setTestModeEnabled(true);
    }
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { Folder::setAppDataOverride(QString()); }

    // ---- size texts ---------------------------------------------------------------------
    void kbTextRoundsUp_data() {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0") << 0 << "0 KB";
        QTest::newRow("1") << 1 << "1 KB";
        QTest::newRow("1,023") << 1023 << "1 KB";
        QTest::newRow("1,024") << 1024 << "1 KB";
        QTest::newRow("1,025") << 1025 << "2 KB";
        QTest::newRow("2,048") << 2048 << "2 KB";
        QTest::newRow("2,049") << 2049 << "3 KB";
        QTest::newRow("102,400") << 102400 << "100 KB";
        QTest::newRow("102,401") << 102401 << "101 KB";
        QTest::newRow("grouped") << 1024 * 1024 * 1024 << "1,048,576 KB";
        QTest::newRow("largest count") << 2147483647 << "2,097,152 KB";
    }
    void kbTextRoundsUp() {
        QFETCH(int, bytes);
        QFETCH(QString, expected);
        QCOMPARE(KBText(bytes), expected);
    }

    // Sizes are 64-bit: a file, or a total of several, can pass 2 GB.
    void sizeTextsBeyondTwoGigabytes() {
        QCOMPARE(KBText(qint64(2147483648)), QString("2,097,152 KB"));
        QCOMPARE(KBText(qint64(3) << 30 | 1), QString("3,145,729 KB"));
        QCOMPARE(SizeText(qint64(5) << 40, false),
                 QString("5,497,558,138,880 bytes (5,368,709,120 KB)"));
        QCOMPARE(BytesText(qint64(4294967296), true), QString("4,294,967,296 Bytes"));
    }

    void sizeTextsUseLocaleGrouping_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("capitalised");
        QTest::addColumn<QString>("bytesText");
        QTest::addColumn<QString>("sizeText");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("one, capitalised") << us << 1 << true << "1 Bytes"
                                          << "1 Bytes (1 KB)";
        QTest::newRow("lower case") << us << 1234 << false << "1,234 bytes"
                                    << "1,234 bytes (2 KB)";
        QTest::newRow("capitalised") << us << 1234 << true << "1,234 Bytes"
                                     << "1,234 Bytes (2 KB)";
        QTest::newRow("limit") << us << 102400 << false << "102,400 bytes"
                               << "102,400 bytes (100 KB)";
        QTest::newRow("German") << de << 1234 << false << "1.234 bytes"
                                << "1.234 bytes (2 KB)";
        QTest::newRow("German millions") << de << 1234567 << true << "1.234.567 Bytes"
                                         << "1.234.567 Bytes (1.206 KB)";
    }
    void sizeTextsUseLocaleGrouping() {
        QFETCH(QLocale, locale);
        QFETCH(int, bytes);
        QFETCH(bool, capitalised);
        QFETCH(QString, bytesText);
        QFETCH(QString, sizeText);
        QLocale::setDefault(locale);
        QCOMPARE(BytesText(bytes, capitalised), bytesText);
        QCOMPARE(SizeText(bytes, capitalised), sizeText);
    }

    // ---- binary files -------------------------------------------------------------------
    void binaryRoundTripKeepsEveryByte() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString file = path("all.bin");
        QCOMPARE(WriteBinaryFile(all, file), QString());
        QCOMPARE(readAll(file), all);
        QByteArray back("stale");
        QCOMPARE(ReadBinaryFile(file, back), QString());
        QCOMPARE(back, all);
    }

    void shorterWriteReplacesLongerFile() {
        const QString file = path("shrink.bin");
        QVERIFY(writeFile(file, QByteArray(5000, 'x')));
        QCOMPARE(WriteBinaryFile("abc", file), QString());
        QCOMPARE(readAll(file), QByteArray("abc"));
    }

    void emptyFileReadsBackEmpty() {
        const QString file = path("empty.bin");
        QCOMPARE(WriteBinaryFile(QByteArray(), file), QString());
        QVERIFY(DiskProc::FileExists(file));
        QByteArray back("stale");
        QCOMPARE(ReadBinaryFile(file, back), QString());
        QCOMPARE(back, QByteArray());
    }

    void missingFileLeavesContentsAlone() {
        QByteArray contents("keep me");
        QCOMPARE(ReadBinaryFile(path("no-such.bin"), contents), QString("File not found"));
        QCOMPARE(contents, QByteArray("keep me"));
        // A folder is not a file either.
        QCOMPARE(ReadBinaryFile(dir.path(), contents), QString("File not found"));
        QCOMPARE(contents, QByteArray("keep me"));
    }

    void writeIntoImpossibleFolderReportsError() {
        QVERIFY(writeFile(path("plain-file"), "x"));
        const QString inside = path("plain-file/target.bin");
        QVERIFY(!WriteBinaryFile("data", inside).isEmpty());
        QVERIFY(!WriteTextFile("data", inside, true, false).isEmpty());
        QVERIFY(!WriteTextFile("data", inside, true, true).isEmpty());
        QVERIFY(!WriteBinaryFile("data", path("no-folder/target.bin")).isEmpty());
        QCOMPARE(readAll(path("plain-file")), QByteArray("x"));
    }

#ifdef Q_OS_UNIX
    // The fault a truncate-then-write leaves behind: the disk fills half-way and the old
    // contents are gone. The old file must survive whole, and the report must say why.
    void failedReplaceKeepsOldFile_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("buffered write") << 8192;
        QTest::newRow("direct write") << 100000;
    }
    void failedReplaceKeepsOldFile() {
        QFETCH(int, size);
        QTemporaryDir local;
        const QByteArray old("the key list that must not be lost\r\n");
        const QString binary = local.filePath("keep.bin");
        const QString text = local.filePath("keep.txt");
        const QString copyTarget = local.filePath("keep-copy.bin");
        const QString bigSource = local.filePath("big.src");
        QVERIFY(writeFile(binary, old));
        QVERIFY(writeFile(text, old));
        QVERIFY(writeFile(copyTarget, old));
        QVERIFY(writeFile(bigSource, QByteArray(size, 'b')));
        const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
        QString binaryError, textError, appendError, copyError, newCopyError;
        bool copied = true, newCopied = true;
        {
            FileSizeLimit limit(4096);
            binaryError = WriteBinaryFile(QByteArray(size, 'n'), binary);
            textError = WriteTextFile(QString(size, 'n'), text, true, false);
            appendError = WriteTextFile(QString(size, 'n'), local.filePath("log.txt"), true, true);
            copied = DiskProc::CopyFile(bigSource, copyTarget, copyError, true);
            newCopied =
                DiskProc::CopyFile(bigSource, local.filePath("new-copy.bin"), newCopyError, false);
        }
        QCOMPARE(binaryError, reason);
        QCOMPARE(textError, reason);
        QCOMPARE(appendError, reason);
        QVERIFY(!copied);
        QCOMPARE(copyError, reason);
        QVERIFY(!newCopied);
        QVERIFY(!newCopyError.isEmpty());
        QCOMPARE(readAll(binary), old);
        QCOMPARE(readAll(text), old);
        QCOMPARE(readAll(copyTarget), old);
        // Nothing half-written or temporary is left behind.
        QCOMPARE(QDir(local.path()).entryList(QDir::Files),
                 QStringList({"big.src", "keep-copy.bin", "keep.bin", "keep.txt", "log.txt"}));
    }
#endif

    // ---- text files ---------------------------------------------------------------------
    void writeTextFileForms_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("printForm");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("print form") << "abc" << true << QByteArray("abc\r\n");
        QTest::newRow("quoted") << "C:\\keys\\tsm.dat" << false
                                << QByteArray("\"C:\\keys\\tsm.dat\"\r\n");
        QTest::newRow("empty quoted") << "" << false << QByteArray("\"\"\r\n");
        QTest::newRow("Windows-1252") << QString::fromUtf8("caf\u00e9 \u20ac5") << true
                                      << QByteArray("caf\xE9 \x80"
                                                    "5\r\n");
        QTest::newRow("line breaks kept") << "a\r\nb" << true << QByteArray("a\r\nb\r\n");
    }
    void writeTextFileForms() {
        QFETCH(QString, text);
        QFETCH(bool, printForm);
        QFETCH(QByteArray, bytes);
        const QString file = path("form.txt");
        QVERIFY(writeFile(file, QByteArray(100, 'z'))); // replaced, not overwritten in place
        QCOMPARE(WriteTextFile(text, file, printForm, false), QString());
        QCOMPARE(readAll(file), bytes);
    }

    void writeTextFileAppends() {
        const QString file = path("append.txt");
        QFile::remove(file);
        QCOMPARE(WriteTextFile("first", file, false, true), QString()); // append creates
        QCOMPARE(WriteTextFile("1", file, false, true), QString());
        QCOMPARE(WriteTextFile("end", file, true, true), QString());
        QCOMPARE(readAll(file), QByteArray("\"first\"\r\n\"1\"\r\nend\r\n"));
    }

    void readTextFileKeepsBytesAsCharacters() {
        const QString file = path("read.txt");
        QVERIFY(writeFile(file, QByteArrayLiteral("abc\r\n\xE9\x80\x00z")));
        Seams::ScriptedMessageBoxes boxes;
        bool ok = false;
        QCOMPARE(ReadTextFile(file, &ok),
                 QString::fromUtf8("abc\r\n\u00e9\u20ac") + QChar(0) + "z");
        QVERIFY(ok);
        QVERIFY(boxes.shown.isEmpty());
    }

    void readTextFileOfMissingFileShowsBox() {
        Seams::ScriptedMessageBoxes boxes;
        bool ok = true;
        QString error("stale");
        QCOMPARE(ReadTextFile(path("vanished.txt"), &ok, &error), QString());
        QVERIFY(!ok);
        QCOMPARE(error, QString());
        QCOMPARE(boxes.shown.size(), 1);
        const Seams::MessageBoxRequest& box = boxes.shown.first();
        QCOMPARE(box.prompt, QString("File Not Found"));
        QCOMPARE(box.icon, Seams::Icon::Critical);
        QCOMPARE(box.buttons, Seams::Buttons::OK);
        QCOMPARE(box.title, QCoreApplication::applicationName());
    }

    // ---- files, folders, copies ---------------------------------------------------------
    void existenceTests() {
        QVERIFY(writeFile(path("exists.txt"), "x"));
        QVERIFY(DiskProc::FileExists(path("exists.txt")));
        QVERIFY(!DiskProc::FileExists(dir.path()));
        QVERIFY(!DiskProc::FileExists(path("missing.txt")));
        QVERIFY(!DiskProc::FileExists(QString()));
        QVERIFY(Folder::FolderExists(dir.path()));
        QVERIFY(!Folder::FolderExists(path("exists.txt")));
        QVERIFY(!Folder::FolderExists(path("missing")));
        QVERIFY(!Folder::FolderExists(QString()));
    }

    void copyFile() {
        const QString source = path("copy-src.bin");
        const QString target = path("copy-dst.bin");
        QVERIFY(writeFile(source, "new contents"));
        QFile::remove(target);
        QString error("stale");

        QVERIFY(DiskProc::CopyFile(source, target, error, false));
        QCOMPARE(error, QString());
        QCOMPARE(readAll(target), QByteArray("new contents"));

        QVERIFY(writeFile(target, "old"));
        QVERIFY(!DiskProc::CopyFile(source, target, error, false));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(target), QByteArray("old"));

        QVERIFY(DiskProc::CopyFile(source, target, error, true));
        QCOMPARE(error, QString());
        QCOMPARE(readAll(target), QByteArray("new contents"));

        QVERIFY(!DiskProc::CopyFile(path("no-source"), target, error, true));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(target), QByteArray("new contents"));
    }

    void firstFixedDriveIsHomeWithoutDriveLetters() {
#ifdef Q_OS_WIN
        QVERIFY(DiskProc::FirstFixedDrive().endsWith(':'));
#else
        QCOMPARE(DiskProc::FirstFixedDrive(), QDir::homePath());
#endif
    }

    void specialFolders() {
        QCOMPARE(Folder::SpecialFolderPath(Folder::kAppDataFolder),
                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
        QVERIFY(QStandardPaths::isTestModeEnabled()); // so never the user's real folder
        QCOMPARE(Folder::SpecialFolderPath(5), QString());
        Folder::setAppDataOverride(path("elsewhere"));
        QCOMPARE(Folder::SpecialFolderPath(26), path("elsewhere"));
    }

    void dataFilePathCreatesFolderOnFirstRun() {
        // A fresh account may lack the data folder itself, not only ours inside it.
        const QString base = path("fresh/share");
        Folder::setAppDataOverride(base);
        QVERIFY(!Folder::FolderExists(base));
        const QString result = Folder::DataFilePath("tsm.usr", "Tessamail");
        QCOMPARE(result, base + "/Tessamail/tsm.usr");
        QVERIFY(Folder::FolderExists(base + "/Tessamail"));
        QVERIFY(!DiskProc::FileExists(result));
        // Second run: same path, folder left as it is.
        QVERIFY(writeFile(base + "/Tessamail/tsm.usr", "x"));
        QCOMPARE(Folder::DataFilePath("tsm.usr", "Tessamail"), result);
        QCOMPARE(readAll(result), QByteArray("x"));
    }
};

QTEST_MAIN(TestFileProc)
#include "tst_fileproc.moc"
