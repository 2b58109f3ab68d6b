// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/application.h"
#include "support/scripted.h"
#include "support/twips.h"
#include "testsupport/testsupport.h"
#include "text/frmhelp.h"
#include "text/programtext.h"
#include "text/weblink.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextEdit>
#include <QtTest>

namespace {

// Captions of the main window's buttons and options, as the help may name them.
constexpr int kMainWindowCaptions[] = {1,  2,  6,  7,  8,  9,  10, 14, 15, 16, 17, 19,
                                       20, 21, 22, 23, 24, 25, 28, 34, 35, 36, 38};

// A caption as it reads on the screen: "&&" shows one ampersand, a single "&" marks the
// access key and is not shown.
QString shownCaption(QString caption) {
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return caption;
}

QMap<QString, int> mainWindowCaptions(int language) {
    ProgramText::setLanguage(language);
    QMap<QString, int> captions;
    for (int n : kMainWindowCaptions)
        captions.insert(shownCaption(GetText(n)), n);
    ProgramText::setLanguage(ProgramText::English);
    return captions;
}

// Names in single quotes; an apostrophe inside a word ("recipient's") is not a quote.
QStringList quotedNames(const QString& text) {
    static const QRegularExpression quoted(QStringLiteral(R"((?<!\w)'([^']+?)'(?!\w))"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    QStringList names;
    for (const QRegularExpressionMatch& m : quoted.globalMatch(text))
        names << m.captured(1);
    return names;
}

QString sourcePage(const QString& fileName) {
    return TestSupport::sourcePath("data/tsm/" + fileName);
}

// The page folder beside the executable, where the program looks for its pages.
QString installedPagesDir() {
    return QCoreApplication::applicationDirPath() + "/tsm";
}

// Records the URLs the program hands to the browser instead of starting one.
struct RecordingOpener {
    explicit RecordingOpener(bool succeed = true) {
        weblink::setUrlOpener([this, succeed](const QUrl& url) {
            opened << url;
            return succeed;
        });
    }
    ~RecordingOpener() { weblink::setUrlOpener({}); }
    QList<QUrl> opened;
};

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

    bool createdPagesDir = false;

private slots:
    void initTestCase() {
        TestSupport::loadProgramTexts();
        // The build puts the pages beside the program; give this test program its own copy.
        QDir dir(installedPagesDir());
        if (!dir.exists()) {
            QVERIFY(dir.mkpath(QStringLiteral(".")));
            createdPagesDir = true;
        }
        for (const char* page : {"tsm.htm", "tsm_g.htm"}) {
            const QString target = dir.filePath(QLatin1String(page));
            QFile::remove(target);
            QVERIFY(QFile::copy(sourcePage(QLatin1String(page)), target));
        }
    }
    void cleanupTestCase() {
        if (createdPagesDir)
            QDir(installedPagesDir()).removeRecursively();
    }
    void cleanup() { ProgramText::setLanguage(ProgramText::English); }

    // ---- the help text -------------------------------------------------------------------

    void helpText_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("page");
        QTest::addRow("English") << int(ProgramText::English) << QStringLiteral("tsm.htm");
        QTest::addRow("German") << int(ProgramText::German) << QStringLiteral("tsm_g.htm");
    }
    // Fifteen paragraphs, each followed by a blank line; the first gives the page address,
    // the last the keyboard shortcuts.
    void helpText() {
        QFETCH(int, language);
        QFETCH(QString, page);
        const QStringList parts = frmHelp::HelpText(language).split(QStringLiteral("\r\n\r\n"));
        QCOMPARE(parts.size(), 16);
        QVERIFY(parts.last().isEmpty());
        for (int i = 0; i < 15; ++i)
            QVERIFY2(parts[i].trimmed().size() > 20, qPrintable(QString::number(i + 1)));
        QVERIFY(parts[0].contains(weblink::ProductPageUrl(language).toDisplayString()));
        QVERIFY(parts[0].contains(QLatin1Char('/') + page));
        const QString ctrl = language == ProgramText::German ? "Strg" : "Ctrl";
        for (const char* key : {"+E", "+D", "+F"})
            QVERIFY2(parts[14].contains(ctrl + key), key);
    }

    void helpNamesOnlyRealCaptions_data() { helpText_data(); }
    void helpNamesOnlyRealCaptions() {
        QFETCH(int, language);
        const QMap<QString, int> captions = mainWindowCaptions(language);
        QSet<int> named;
        for (const QString& name : quotedNames(frmHelp::HelpText(language))) {
            QVERIFY2(captions.contains(name), qPrintable(QStringLiteral("'%1'").arg(name)));
            named << captions.value(name);
        }
        // The key, file and mode commands that the paragraphs are about.
        for (int n : {1, 2, 7, 14, 15, 16, 17, 20, 24, 25})
            QVERIFY2(named.contains(n), qPrintable(QString::number(n)));
    }

    void bothLanguagesNameTheSameButtons() {
        QList<int> named[2];
        for (int language : {ProgramText::English, ProgramText::German}) {
            const QMap<QString, int> captions = mainWindowCaptions(language);
            for (const QString& name : quotedNames(frmHelp::HelpText(language)))
                named[language] << captions.value(name);
        }
        QCOMPARE(named[ProgramText::German], named[ProgramText::English]);
    }

    // ---- the window ----------------------------------------------------------------------

    void textFollowsTheLanguageAtOnce() {
        frmHelp help;
        help.SetLanguageDependentText();
        help.OpenHelp();
        auto shown = [&] { return help.txbHelpScreen->toPlainText(); };
        auto expected = [&](int language) {
            return QString(help.strHelpText[language]).replace(QStringLiteral("\r\n"), "\n");
        };
        QCOMPARE(shown(), expected(ProgramText::English));
        QCOMPARE(help.windowTitle(), QStringLiteral("Tessamail Help"));

        ProgramText::setLanguage(ProgramText::German);
        help.SetLanguageDependentText();
        QVERIFY(help.isVisible());
        QCOMPARE(shown(), expected(ProgramText::German));
        QCOMPARE(help.windowTitle(), GetText(100));
        QCOMPARE(help.cmdClose->text(), GetText(101));
        QVERIFY(help.windowTitle() != QStringLiteral("Tessamail Help"));
    }

    // Under the help text: the version the caption shows, and the licence in each language.
    void versionLineNamesVersionAndLicence() {
        frmHelp help;
        help.SetLanguageDependentText();
        help.OpenHelp();
        QVERIFY(help.lblVersion->isVisible());
        const QString english = help.lblVersion->text();
        QVERIFY2(english.startsWith(QStringLiteral("Tessamail ") + versionText() + ". "),
                 qPrintable(english));
        QVERIFY(english.contains(QStringLiteral("GNU General Public License, version 3 or later")));

        ProgramText::setLanguage(ProgramText::German);
        help.SetLanguageDependentText();
        const QString german = help.lblVersion->text();
        QVERIFY(german.startsWith(QStringLiteral("Tessamail ") + versionText() + ". "));
        QVERIFY(german.contains(QStringLiteral("Version 3 oder später")));
        QVERIFY(german.contains(QStringLiteral("GPL-3.0-or-later")));
    }

    void firstShowingPlacesItOverTheMainWindow() {
        QWidget main;
        main.setGeometry(120, 90, twipsToPixels(12000), twipsToPixels(9000));
        main.show();
        frmHelp help(&main);
        QVERIFY(help.isWindow() && help.parentWidget() == nullptr);
        help.OpenHelp();
        QCOMPARE(help.pos(), main.pos() + QPoint(twipsToPixels(200), twipsToPixels(480)));
        QCOMPARE(help.size(), main.size() - QSize(twipsToPixels(400), twipsToPixels(680)));

        // Once placed, it stays where the user puts it, wherever the main window goes.
        const QPoint moved = help.pos() + QPoint(37, 23);
        help.move(moved);
        help.cmdClose->click();
        QVERIFY(!help.isVisible());
        main.move(main.pos() + QPoint(50, 50));
        help.OpenHelp();
        QVERIFY(help.isVisible());
        QCOMPARE(help.pos(), moved);
    }

    void cannotShrinkBelowTheMinimum_data() {
        QTest::addColumn<QSize>("asked");
        QTest::addColumn<QSize>("got");
        const int min = twipsToPixels(3000);
        const int big = twipsToPixels(5000);
        QTest::addRow("too narrow") << QSize(min / 2, big) << QSize(min, big);
        QTest::addRow("too low") << QSize(big, 10) << QSize(big, min);
        QTest::addRow("both") << QSize(1, 1) << QSize(min, min);
        QTest::addRow("at the minimum") << QSize(min, min) << QSize(min, min);
    }
    void cannotShrinkBelowTheMinimum() {
        QFETCH(QSize, asked);
        QFETCH(QSize, got);
        frmHelp help;
        QCOMPARE(help.intMinWidth, 3000);
        QCOMPARE(help.intMinHeight, 3000);
        help.OpenHelp();
        help.resize(asked);
        QCOMPARE(help.size(), got);
    }

    void helpWhileMinimizedRestoresTheSameWindow() {
        frmHelp help;
        help.SetLanguageDependentText();
        help.OpenHelp();
        help.showMinimized();
        QVERIFY(help.isMinimized());
        help.OpenHelp();
        QVERIFY(!help.isMinimized());
        QVERIFY(help.isVisible());
        QCOMPARE(help.txbHelpScreen->toPlainText().isEmpty(), false);
    }

    void escapeAndCloseOnlyHide() {
        frmHelp help;
        help.SetLanguageDependentText();
        help.OpenHelp();
        QTest::keyClick(help.txbHelpScreen, Qt::Key_Escape);
        QVERIFY(!help.isVisible());
        help.OpenHelp();
        QTest::mouseClick(help.cmdClose, Qt::LeftButton);
        QVERIFY(!help.isVisible());
        QCOMPARE(help.txbHelpScreen->toPlainText().isEmpty(), false);
    }

    // ---- web pages -----------------------------------------------------------------------

    void productPageOpensInTheLanguage_data() { helpText_data(); }
    void productPageOpensInTheLanguage() {
        QFETCH(int, language);
        QFETCH(QString, page);
        Seams::ScriptedMessageBoxes boxes;
        RecordingOpener opener;
        QVERIFY(weblink::OpenProductPage(language));
        QCOMPARE(opener.opened.size(), 1);
        const QUrl url = opener.opened.first();
        QVERIFY(url.isLocalFile());
        QCOMPARE(url.toLocalFile(), installedPagesDir() + QLatin1Char('/') + page);
        QVERIFY(QFileInfo(sourcePage(page)).isFile());
        QVERIFY(boxes.shown.isEmpty());
    }

    void browserLaunchFailureIsReported() {
        Seams::ScriptedMessageBoxes boxes;
        RecordingOpener opener(false);
        QVERIFY(!weblink::OpenProductPage(ProgramText::German));
        QCOMPARE(opener.opened.size(), 1);
        QCOMPARE(boxes.shown.size(), 1);
        const Seams::MessageBoxRequest& box = boxes.shown.first();
        QCOMPARE(box.title, QStringLiteral("Cannot launch web browser"));
        QCOMPARE(box.prompt,
                 QStringLiteral("Error launching web browser.\r\n\r\n"
                                "Please make sure that your web browser is correctly installed,\r\n"
                                "that '.htm' files are associated with it, and that there is\r\n"
                                "sufficient memory available."));
        QCOMPARE(box.icon, Seams::Icon::Exclamation);
        QCOMPARE(box.buttons, Seams::Buttons::OK);
    }

    // A page missing from the installation is not the browser's fault: say what is missing.
    void missingPageIsReportedWithoutStartingTheBrowser() {
        const QString installed = installedPagesDir() + QStringLiteral("/tsm.htm");
        const QString aside = installed + QStringLiteral(".aside");
        QVERIFY(QFile::rename(installed, aside));
        Seams::ScriptedMessageBoxes boxes;
        RecordingOpener opener;
        const bool opened = weblink::OpenProductPage(ProgramText::English);
        QVERIFY(QFile::rename(aside, installed));
        QVERIFY(!opened);
        QVERIFY(opener.opened.isEmpty());
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.lastPrompt().startsWith(GetText(490) + QStringLiteral(":\r\n")));
        QVERIFY(boxes.lastPrompt().contains(QDir::toNativeSeparators(installed)));
        QVERIFY(boxes.lastPrompt().endsWith(GetText(491)));
        QCOMPARE(boxes.shown.first().title, GetText(13));
    }

    void productPagesAreSelfContained_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("lang");
        QTest::addRow("English") << QStringLiteral("tsm.htm") << QStringLiteral("en");
        QTest::addRow("German") << QStringLiteral("tsm_g.htm") << QStringLiteral("de");
    }
    // The pages open offline and load nothing from elsewhere; both explain key list recovery.
    void productPagesAreSelfContained() {
        QFETCH(QString, page);
        QFETCH(QString, lang);
        QFile file(sourcePage(page));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        QVERIFY(html.contains(QStringLiteral("<html lang=\"%1\"").arg(lang)));
        QVERIFY(html.contains(QStringLiteral("age -d -o keys.txt tsm.dat")));
        QVERIFY(!html.contains(QStringLiteral("<script"), Qt::CaseInsensitive));
        static const QRegularExpression external(
            QStringLiteral("(src|href)\\s*=\\s*\"[^\"]*(//|:)|@import|url\\("),
            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = external.match(html);
        QVERIFY2(!m.hasMatch(), qPrintable(m.captured(0)));
        // Each page links to the other language, by its local name.
        const QString other = page == QStringLiteral("tsm.htm") ? QStringLiteral("tsm_g.htm")
                                                                : QStringLiteral("tsm.htm");
        QVERIFY(html.contains(QStringLiteral("href=\"%1\"").arg(other)));
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
