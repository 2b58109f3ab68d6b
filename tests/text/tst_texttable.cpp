// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/programtext/programtext_backend.h"
#include "keys/keyentry.h"
#include "support/scripted.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"
#include "text/textnumbers.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The program's own list of the text numbers it shows; the loader checks the table against it.
constexpr auto& kNumbersInUse = ProgramText::kNumbersInUse;

// Captions of buttons, option buttons and check boxes, by window. Each inner list is one
// control; a control with two numbers switches between those captions.
struct CaptionWindow {
    const char* name;
    QList<QList<int>> controls;
};

const QList<CaptionWindow>& captionWindows() {
    static const QList<CaptionWindow> windows = {
        {"frmMain", {{1},  {2},  {6},  {7},  {8},  {9},  {10}, {14, 15}, {16}, {17}, {19},
                     {20}, {21}, {22}, {23}, {24}, {25}, {28}, {34, 35}, {36}, {38}}},
        {"frmKeyboardWithDisplay", {{97}, {98}, {184}, {37}, {129}}},
        {"frmSpecifyKeyfilePath", {{139}, {172}}},
        {"frmTest", {{101}, {102, 103}, {122}}},
        {"frmLargeTextbox", {{175, 176}, {101}}},
        {"frmKeyDetails", {{101}}},
        {"frmHelp", {{101}}},
    };
    return windows;
}

// Captions that also become window or message titles: there the access-key marker is dropped
// and "&&" is turned into text 99, so no "&" shows up in the title.
constexpr int kCaptionsUsedAsTitles[] = {16, 17, 19, 20, 36};

// Texts that callers follow with ":", ": ", " (", " #" or a value, or wrap in brackets; their
// own punctuation would double up.
constexpr int kTextsBeforeCallerPunctuation[] = {29,  49,  83,  105, 106, 109, 110, 112, 113,
                                                 115, 116, 119, 121, 123, 124, 130, 133, 160,
                                                 162, 179, 341, 351, 363, 364, 365};

// The one text that names the ampersand as a refused character.
constexpr int kTextNamingTheAmpersand = 161;

const char* languageName(int language) {
    return language == ProgramText::German ? "de" : "en";
}

QString textIn(int number, int language) {
    const int saved = ProgramText::language();
    ProgramText::setLanguage(language);
    const QString text = GetText(number);
    ProgramText::setLanguage(saved);
    return text;
}

// Access keys of a caption: the character after each single "&" ("&&" is a literal ampersand).
QList<QChar> accessKeys(const QString& caption) {
    QList<QChar> keys;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        ++i;
        if (i < caption.size() && caption[i] == QLatin1Char('&'))
            continue;
        keys.append(i < caption.size() ? caption[i].toLower() : QChar());
    }
    return keys;
}

QSet<int> captionNumbers() {
    QSet<int> numbers;
    for (const CaptionWindow& w : captionWindows())
        for (const QList<int>& control : w.controls)
            for (int n : control)
                numbers.insert(n);
    return numbers;
}

// Numbers (with where they came from) that lack a text in English or German.
QStringList missingTexts(const QMap<int, QString>& numbers) {
    QStringList missing;
    for (auto it = numbers.cbegin(); it != numbers.cend(); ++it)
        for (int language : {ProgramText::English, ProgramText::German})
            if (textIn(it.key(), language).isEmpty())
                missing << QStringLiteral("%1 %2 (%3)")
                               .arg(it.key())
                               .arg(QLatin1String(languageName(language)), it.value());
    return missing;
}

using TestSupport::writeFile;

} // namespace

class TestTextTable : public QObject {
    Q_OBJECT
private slots:
    void init() {
        TestSupport::loadProgramTexts();
        ProgramText::setLanguage(ProgramText::English);
    }
    void cleanup() { ProgramText::setLanguage(ProgramText::English); }

    // ---- the program's own table -----------------------------------------------------

    void everyNumberTheSourcesAskForHasBothLanguages() {
        static const QRegularExpression call(QStringLiteral(R"(\bGetText\s*\(\s*(\d+)\s*\))"));
        const QString srcDir = TestSupport::sourcePath("src");
        QMap<int, QString> used;
        QDirIterator files(srcDir, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
            const QString source = QString::fromUtf8(file.readAll());
            for (const QRegularExpressionMatch& m : call.globalMatch(source))
                if (!used.contains(m.captured(1).toInt()))
                    used.insert(m.captured(1).toInt(), QDir(srcDir).relativeFilePath(path));
        }
        // The window caption asks for the product name, so an empty scan means a broken scan.
        QVERIFY2(used.contains(94), "no GetText call found under src/");
        const QStringList missing = missingTexts(used);
        QVERIFY2(missing.isEmpty(), qPrintable("missing texts: " + missing.join(", ")));
        // The loader checks the table against the list, so the list must hold them all.
        const QSet<int> listed(std::begin(kNumbersInUse), std::end(kNumbersInUse));
        QStringList unlisted;
        for (auto it = used.cbegin(); it != used.cend(); ++it)
            if (!listed.contains(it.key()))
                unlisted << QStringLiteral("%1 (%2)").arg(it.key()).arg(it.value());
        QVERIFY2(unlisted.isEmpty(),
                 qPrintable("not in text/textnumbers.h: " + unlisted.join(", ")));
    }

    void everyNumberInUseHasBothLanguages() {
        QMap<int, QString> numbers;
        for (int n : kNumbersInUse)
            numbers.insert(n, QStringLiteral("in use"));
        const QStringList missing = missingTexts(numbers);
        QVERIFY2(missing.isEmpty(), qPrintable("missing texts: " + missing.join(", ")));
    }

    void countTemplatesHoldExactlyOnePlaceholder_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("language");
        for (int n : {12, 27, 33})
            for (int language : {ProgramText::English, ProgramText::German})
                QTest::addRow("%d %s", n, languageName(language)) << n << language;
    }
    // The caller replaces every "2" by the count, so any other "2" would be replaced too.
    void countTemplatesHoldExactlyOnePlaceholder() {
        QFETCH(int, number);
        QFETCH(int, language);
        const QString text = textIn(number, language);
        QVERIFY2(text.count(QLatin1Char('2')) == 1, qPrintable(text));
    }

    void noTextExceedsTheBuffer() {
        QString buffer;
        for (int n = 1; n <= 32767; ++n)
            for (int language : {ProgramText::English, ProgramText::German})
                QVERIFY2(TextTable::gt(n, language, buffer, ProgramText::kBufferSize, 0) <=
                             TextTable::kMaxTextLength,
                         qPrintable(QString::number(n)));
    }

    void accessKeysAreSingleAndDistinctPerWindow_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("language");
        for (int w = 0; w < captionWindows().size(); ++w)
            for (int language : {ProgramText::English, ProgramText::German})
                QTest::addRow("%s %s", captionWindows()[w].name, languageName(language))
                    << w << language;
    }
    void accessKeysAreSingleAndDistinctPerWindow() {
        QFETCH(int, window);
        QFETCH(int, language);
        QMap<QChar, int> owner; // access key -> caption number that took it
        for (const QList<int>& control : captionWindows()[window].controls) {
            QSet<QChar> keysOfControl;
            for (int n : control) {
                const QString caption = textIn(n, language);
                const QList<QChar> keys = accessKeys(caption);
                QVERIFY2(keys.size() <= 1, qPrintable(QString::number(n) + ": " + caption));
                for (QChar k : keys)
                    keysOfControl.insert(k);
            }
            for (QChar k : std::as_const(keysOfControl)) {
                QVERIFY2(!owner.contains(k),
                         qPrintable(QStringLiteral("texts %1 and %2 share the access key %3")
                                        .arg(owner.value(k))
                                        .arg(control.first())
                                        .arg(k)));
                owner.insert(k, control.first());
            }
        }
    }

    void captionsUsedAsTitlesLeaveNoAmpersand_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("language");
        for (int n : kCaptionsUsedAsTitles)
            for (int language : {ProgramText::English, ProgramText::German})
                QTest::addRow("%d %s", n, languageName(language)) << n << language;
    }
    void captionsUsedAsTitlesLeaveNoAmpersand() {
        QFETCH(int, number);
        QFETCH(int, language);
        const QString caption = textIn(number, language);
        const QString title = KeyEntry::CaptionAsTitle(caption, textIn(99, language));
        QVERIFY2(!title.contains(QLatin1Char('&')), qPrintable(title));
        QVERIFY2(caption.count(QLatin1Char('&')) - 2 * caption.count(QStringLiteral("&&")) <= 1,
                 qPrintable(caption));
    }

    // Outside captions an "&" shows up literally (titles) or turns into an access key (labels).
    void onlyCaptionsCarryAmpersands() {
        const QSet<int> captions = captionNumbers();
        QStringList offenders;
        for (int n : kNumbersInUse) {
            if (captions.contains(n) || n == kTextNamingTheAmpersand)
                continue;
            for (int language : {ProgramText::English, ProgramText::German})
                if (textIn(n, language).contains(QLatin1Char('&')))
                    offenders << QStringLiteral("%1 %2").arg(n).arg(
                        QLatin1String(languageName(language)));
        }
        QVERIFY2(offenders.isEmpty(), qPrintable(offenders.join(", ")));
    }

    void textsLeaveSpacingAndJoiningPunctuationToTheCaller() {
        QStringList offenders;
        for (int n : kNumbersInUse)
            for (int language : {ProgramText::English, ProgramText::German}) {
                const QString t = textIn(n, language);
                if (t != t.trimmed())
                    offenders << QStringLiteral("%1 %2 has outer spaces")
                                     .arg(n)
                                     .arg(QLatin1String(languageName(language)));
            }
        for (int n : kTextsBeforeCallerPunctuation)
            for (int language : {ProgramText::English, ProgramText::German}) {
                const QString t = textIn(n, language);
                if (!t.isEmpty() && QStringLiteral(".:;,").contains(t.back()))
                    offenders << QStringLiteral("%1 %2 ends in %3")
                                     .arg(n)
                                     .arg(QLatin1String(languageName(language)), QString(t.back()));
            }
        QVERIFY2(offenders.isEmpty(), qPrintable(offenders.join(", ")));
    }

    // ---- the loader ------------------------------------------------------------------

    void loaderResult_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("expected");
        const QByteArray pair = "1\ten\tA\n1\tde\tB\n";
        const QByteArray comments499 = QByteArray("#\n").repeated(499);
        QTest::newRow("both languages") << pair << 1;
        QTest::newRow("comments, blank lines, CR LF")
            << QByteArray("# texts\n\n1\ten\tA\r\n1\tde\tB\r\n2\tde\tC\r\n2\ten\tD") << 2;
        QTest::newRow("duplicate at line 3") << pair + "1\ten\tC\n" << -1503;
        QTest::newRow("duplicate counts comment lines")
            << QByteArray("# x\n\n2\tde\tA\n2\ten\tB\n2\tde\tC\n") << -1505;
        QTest::newRow("duplicate beyond line 500") << comments499 + "#\n" + pair + "1\tde\tC\n"
                                                   << -1503 - 500;
        QTest::newRow("only English, first seen at line 3") << pair + "2\ten\tC\n" << -503;
        QTest::newRow("earliest one-sided number decides")
            << QByteArray("3\tde\tX\n1\ten\tA\n1\tde\tB\n4\ten\tY\n") << -501;
        QTest::newRow("empty text is a missing string")
            << QByteArray("1\ten\t\n1\tde\tB\n") << -501;
        QTest::newRow("missing string at line 500") << comments499 + "1\ten\tA\n" << -1000;
        QTest::newRow("missing string beyond line 500") << comments499 + "#\n1\ten\tA\n" << -5;
        QTest::newRow("1,025 characters at line 2")
            << QByteArray("1\ten\tA\n1\tde\t") + QByteArray(1025, 'x') + "\n"
            << -1002;
        QTest::newRow("1,024 characters")
            << QByteArray("1\ten\tA\n1\tde\t") + QByteArray(1024, 'x') + "\n"
            << 1;
        QTest::newRow("too long beyond line 500")
            << comments499 + "#\n1\ten\t" + QByteArray(1025, 'x') << -5;
        QTest::newRow("empty file") << QByteArray() << -6;
        QTest::newRow("only comments") << QByteArray("# nothing here\n\n") << -6;
        QTest::newRow("unknown language tag") << QByteArray("1\ten\tA\n1\tfr\tB\n") << -4;
        QTest::newRow("spaces instead of TABs") << QByteArray("1 en A\n1 de B\n") << -4;
        QTest::newRow("number not numeric") << QByteArray("one\ten\tA\n") << -4;
        QTest::newRow("not UTF-8") << QByteArray("1\ten\tA\n1\tde\t\xff\n") << -4;
    }
    void loaderResult() {
        QFETCH(QByteArray, content);
        QFETCH(int, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("tsm_text.dat"));
        QVERIFY(writeFile(path, content));
        QCOMPARE(TextTable::lt(path, 0), expected);
    }

    void missingFileCannotBeOpened() {
        QTemporaryDir dir;
        QCOMPARE(TextTable::lt(dir.filePath(QStringLiteral("absent.dat")), 0), -1);
    }

    void failedLoadKeepsTheLoadedTable() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.dat"));
        QVERIFY(writeFile(path, "94\ten\tOther\n"));
        QVERIFY(TextTable::lt(path, 0) < 0);
        QCOMPARE(GetText(94), QStringLiteral("Tessamail"));
    }

    void longestTextComesBackWhole() {
        QString longest;
        for (int i = 0; i < TextTable::kMaxTextLength; ++i)
            longest += i % 2 ? QChar(u'ü') : QChar(u'a' + i % 26);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.dat"));
        QVERIFY(writeFile(path, "5\ten\t" + longest.toUtf8() + "\n5\tde\tx\n"));
        QCOMPARE(TextTable::lt(path, 0), 1);
        QCOMPARE(GetText(5), longest);
    }

    void escapesBecomeLineBreaksTabsAndBackslashes() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.dat"));
        QVERIFY(writeFile(path, "1\ten\tLine\\nTab\\tC:\\\\x\n1\tde\tx\n"));
        QCOMPARE(TextTable::lt(path, 0), 1);
        QCOMPARE(GetText(1), QStringLiteral("Line\r\nTab\tC:\\x"));
    }

    void lookupFollowsTheLanguageWithoutReload() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.dat"));
        QVERIFY(writeFile(path, "7\ten\tSeven\n7\tde\tSieben\n"));
        QCOMPARE(TextTable::lt(path, 0), 1);
        QCOMPARE(GetText(8), QString());
        QCOMPARE(GetText(7), QStringLiteral("Seven"));
        ProgramText::setLanguage(ProgramText::German);
        QCOMPARE(GetText(7), QStringLiteral("Sieben"));
        QCOMPARE(GetText(8), QString());
        // Start-up asks for texts before a language is chosen; those answer in English.
        ProgramText::setLanguage(-1);
        QCOMPARE(GetText(7), QStringLiteral("Seven"));
    }

    // ---- load failures ---------------------------------------------------------------

    void loadFailurePrompt_data() {
        QTest::addColumn<int>("r");
        QTest::addColumn<QString>("prompt");
        const auto row = [](int r, const char* prompt) {
            QTest::addRow("%d", r) << r << QString::fromLatin1(prompt);
        };
        row(0, "No program text was read.");
        row(-1, "Cannot open file containing program text.\r\n/opt/tsm/tsm_text.dat");
        row(-2, "Particular memory allocation error.");
        row(-3, "Too much program text.");
        row(-4, "Text not recovered.");
        row(-5, "Error -5");
        row(-6, "File is empty.");
        row(-7, "Error reading file.");
        row(-8, "General memory allocation error.");
        row(-9, "Error -9");
        row(-500, "Error -500");
        row(-501, "Missing string at line 1.");
        row(-1000, "Missing string at line 500.");
        row(-1001, "String too long at line 1.");
        row(-1500, "String too long at line 500.");
        row(-1501, "Duplicate in program text at line 1.");
        row(-1512, "Duplicate in program text at line 12.");
        row(ProgramText::kMissingText - 316, "Missing program text number 316.");
        row(ProgramText::kMissingText - 1, "Missing program text number 1.");
    }
    void loadFailurePrompt() {
        QFETCH(int, r);
        QFETCH(QString, prompt);
        QCOMPARE(ProgramText::loadFailurePrompt(r, QStringLiteral("/opt/tsm/tsm_text.dat")),
                 prompt);
    }

    // Past line 500 the code is -5 for a missing or too long string (the shipped table has
    // more lines than that); the prompt still names the line.
    void loadFailurePastLine500NamesTheLine_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("prompt");
        const QByteArray comments = QByteArray("#\n").repeated(500);
        QTest::newRow("missing string at line 501")
            << comments + "1\ten\tA\n"
            << QStringLiteral("Missing string at line 501.");
        QTest::newRow("empty text at line 578")
            << comments + QByteArray("#\n").repeated(76) + "1\ten\tA\n1\tde\t\n"
            << QStringLiteral("Missing string at line 578.");
        QTest::newRow("string too long at line 502")
            << comments + "1\ten\tA\n1\tde\t" + QByteArray(1025, 'x') + "\n"
            << QStringLiteral("String too long at line 502.");
        QTest::newRow("duplicate at line 503")
            << comments + "1\ten\tA\n1\tde\tB\n1\ten\tC\n"
            << QStringLiteral("Duplicate in program text at line 503.");
    }
    void loadFailurePastLine500NamesTheLine() {
        QFETCH(QByteArray, content);
        QFETCH(QString, prompt);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tsm_text.dat"));
        QVERIFY(writeFile(path, content));
        Seams::ScriptedMessageBoxes boxes;
        QVERIFY(!ProgramText::LoadProgramTextFrom(path));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown.first().prompt, prompt);
        QCOMPARE(boxes.shown.first().icon, Seams::Icon::Critical);
        QCOMPARE(GetText(94), QStringLiteral("Tessamail")); // the loaded table stays
    }

    void missingFileShowsOneCriticalBox() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tsm_text.dat"));
        Seams::ScriptedMessageBoxes boxes;
        QVERIFY(!ProgramText::LoadProgramTextFrom(path));
        QCOMPARE(boxes.shown.size(), 1);
        const Seams::MessageBoxRequest& box = boxes.shown.first();
        QCOMPARE(box.icon, Seams::Icon::Critical);
        QCOMPARE(box.buttons, Seams::Buttons::OK);
        QCOMPARE(box.title, QString());
        QCOMPARE(box.prompt, QStringLiteral("Cannot open file containing program text.\r\n") +
                                 QDir::toNativeSeparators(path));
    }

    // A table cut short, or lacking one language of a text, would start the program with
    // blanks and, without the folder name, with its settings in the wrong place.
    void tableLackingATextInUseIsFatal_data() {
        QTest::addColumn<QString>("drop");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("folder name, both languages") << "^316\t"
                                                     << "Missing program text number 316.";
        QTest::newRow("product name") << "^94\t"
                                      << "Missing program text number 94.";
        QTest::newRow("cut after text 146") << "^(14[7-9]|1[5-9][0-9]|[2-9][0-9][0-9])\t"
                                            << "Missing program text number 147.";
    }
    void tableLackingATextInUseIsFatal() {
        QFETCH(QString, drop);
        QFETCH(QString, prompt);
        QFile full(TestSupport::sourcePath(QStringLiteral("data/tsm_text.dat")));
        QVERIFY(full.open(QIODevice::ReadOnly));
        const QRegularExpression dropped(drop);
        QByteArray cut;
        for (const QByteArray& line : full.readAll().split('\n'))
            if (!dropped.match(QString::fromUtf8(line)).hasMatch())
                cut += line + '\n';
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tsm_text.dat"));
        QVERIFY(writeFile(path, cut));
        QVERIFY(TextTable::lt(path, 0) > 0); // the file itself is well formed

        Seams::ScriptedMessageBoxes boxes;
        QVERIFY(!ProgramText::LoadProgramTextFrom(path));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown.first().prompt, prompt);
        QCOMPARE(boxes.shown.first().icon, Seams::Icon::Critical);
        QCOMPARE(boxes.shown.first().title, QString());
        TestSupport::loadProgramTexts();
    }
};

QTEST_MAIN(TestTextTable)
#include "tst_texttable.moc"
