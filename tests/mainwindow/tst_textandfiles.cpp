// SPDX-License-Identifier: GPL-3.0-or-later
// The logic behind the text box and attached-file commands: the name offered for a
// received file, the text box's line breaks and the size text of large files.
#include "mainwindow/textandfiles.h"

#include <QLocale>
#include <QtTest>

using namespace TextAndFiles;

class TestTextAndFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // What a sender puts in the package must not choose the folder or break the dialog.
    void suggestedSaveName_data() {
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("suggested");
        QTest::newRow("plain name") << "report.pdf"
                                    << "report.pdf";
        QTest::newRow("relative climb") << "../../.profile"
                                        << ".profile";
        QTest::newRow("Windows path") << "C:\\Windows\\System32\\evil.dll"
                                      << "evil.dll";
        QTest::newRow("drive without folder") << "C:evil.txt"
                                              << "Cevil.txt";
        QTest::newRow("forbidden characters") << "a<b>c:d\"e|f?g*h.txt"
                                              << "abcdefgh.txt";
        QTest::newRow("control characters") << QString("a\x01\tb\x7f.txt") << "ab.txt";
        QTest::newRow("trailing dots and spaces") << " name. . "
                                                  << "name";
        QTest::newRow("folder climb only") << ".."
                                           << "";
        QTest::newRow("ends in a separator") << "folder/"
                                             << "";
        QTest::newRow("device name") << "NUL"
                                     << "_NUL";
        QTest::newRow("device name with extension") << "com1.txt"
                                                    << "_com1.txt";
        QTest::newRow("longer than a device name") << "CONSOLE.txt"
                                                   << "CONSOLE.txt";
        QTest::newRow("accented letters stay")
            << QString::fromUtf8("Grüße.txt") << QString::fromUtf8("Grüße.txt");
        QTest::newRow("too long keeps its extension")
            << QString(300, 'n') + ".jpeg" << QString(250, 'n') + ".jpeg";
        // A file system counts bytes: a right quotation mark takes three in UTF-8.
        QTest::newRow("too long in bytes")
            << "@" + QString(100, QChar(0x201D)) << "@" + QString(84, QChar(0x201D));
        QTest::newRow("too long in bytes keeps its extension")
            << QString(200, QChar(0xFC)) + ".txt" << QString(125, QChar(0xFC)) + ".txt";
        QTest::newRow("cut before a dot drops the dot")
            << QString(254, 'a') + "." + QString(30, 'b') << QString(254, 'a');
    }
    void suggestedSaveName() {
        QFETCH(QString, received);
        QTEST(SuggestedSaveName(received), "suggested");
    }

    void lineBreaksOfTheTextBox() {
        // A text document separates paragraphs by U+2029; a no-break space is text.
        const QString raw = QString("a") + QChar::ParagraphSeparator + QChar::Nbsp + "b" +
                            QChar::LineSeparator + "\tc" + QChar::ParagraphSeparator;
        QCOMPARE(MessageText(raw), QString("a\r\n") + QChar::Nbsp + "b\r\n\tc\r\n");
        QCOMPARE(ClipboardText(raw), QString("a\n") + QChar::Nbsp + "b\n\tc\n");
        QCOMPARE(MessageText(QString()), QString());
    }

    void appendChecksRunInOrder_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QStringList>("others");
        QTest::addColumn<int>("refusal");
        const QString path = "C:\\a.txt";
        QTest::newRow("accepted") << qint64(5) << QStringList{"", "C:\\A.TXT"}
                                  << int(AppendRefusal::None);
        QTest::newRow("too large before attached elsewhere")
            << qint64(102401) << QStringList{path, ""} << int(AppendRefusal::TooLarge);
        QTest::newRow("empty before attached elsewhere")
            << qint64(0) << QStringList{path, ""} << int(AppendRefusal::Empty);
        QTest::newRow("attached elsewhere")
            << qint64(5) << QStringList{"", path} << int(AppendRefusal::AttachedElsewhere);
        QTest::newRow("beyond 2 GB")
            << (qint64(1) << 32) << QStringList{} << int(AppendRefusal::TooLarge);
    }
    void appendChecksRunInOrder() {
        QFETCH(qint64, size);
        QFETCH(QStringList, others);
        QTEST(int(CheckAppend("C:\\a.txt", size, 102400, others)), "refusal");
    }

    void kilobytesOfLargeFiles_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("text");
        QTest::newRow("1,024 bytes") << qint64(1024) << "1 KB";
        QTest::newRow("1,025 bytes") << qint64(1025) << "2 KB";
        QTest::newRow("5 GB and a byte") << (qint64(5) << 30) + 1 << "5,242,881 KB";
    }
    void kilobytesOfLargeFiles() {
        QFETCH(qint64, size);
        QTEST(KBTextOfSize(size), "text");
    }
};

QTEST_MAIN(TestTextAndFiles)
#include "tst_textandfiles.moc"
