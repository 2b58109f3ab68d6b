// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frmmain.h"
#include "support/folder.h"
#include "support/registry.h"
#include "support/scripted.h"
#include "testsupport/mainfixture.h"
#include "testsupport/testsupport.h"
#include "text/frmhelp.h"
#include "text/programtext.h"
#include "text/weblink.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>
#include <memory>

namespace {

using TestSupport::TestMain;

// The pages are looked for beside the executable; this test program gets its own copy.
void installPages() {
    QDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/tsm"));
    QVERIFY(dir.mkpath(QStringLiteral(".")));
    for (const char* page : {"tsm.htm", "tsm_g.htm"}) {
        const QString target = dir.filePath(QLatin1String(page));
        if (!QFileInfo(target).isFile())
            QVERIFY(QFile::copy(
                TestSupport::sourcePath(QStringLiteral("data/tsm/") + QLatin1String(page)), target));
    }
}

} // namespace

class TestMainHelp : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::DataFolder> data;

    std::unique_ptr<TestMain> start() { return TestSupport::startMain(); }

private slots:
    void initTestCase() { TestSupport::DataFolder::initTestCase(); }
    void init() { data = std::make_unique<TestSupport::DataFolder>(); }
    void cleanup() {
        weblink::setUrlOpener({});
        data.reset();
    }

    void helpCommandOpensTheHelp_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("click") << "click";
        QTest::newRow("F1 on the Help button") << "F1";
        QTest::newRow("F1 in the text box") << "F1 text";
    }
    void helpCommandOpensTheHelp() {
        QFETCH(QString, how);
        auto w = start();
        frmHelp& help = w->HelpWindow();
        QVERIFY(!help.isVisible());
        if (how == "click")
            QTest::mouseClick(w->cmdHelp, Qt::LeftButton);
        else
            QTest::keyClick(how == "F1" ? static_cast<QWidget*>(w->cmdHelp) : w->txbText,
                            Qt::Key_F1);
        QVERIFY(help.isVisible());
        QCOMPARE(help.windowTitle(), GetText(100));
        QCOMPARE(help.txbHelpScreen->toPlainText(),
                 frmHelp::HelpText(ProgramText::English).replace("\r\n", "\n"));

        // Pressing Help again brings back the same window, also from minimised.
        help.showMinimized();
        QTest::mouseClick(w->cmdHelp, Qt::LeftButton);
        QVERIFY(!help.isMinimized() && help.isVisible());
        QCOMPARE(&w->HelpWindow(), &help);
    }

    void webPageButtonOpensTheLanguagesPage_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << int(ProgramText::English);
        QTest::newRow("German") << int(ProgramText::German);
    }
    void webPageButtonOpensTheLanguagesPage() {
        QFETCH(int, language);
        Seams::ScriptedMessageBoxes boxes;
        QList<QUrl> opened;
        weblink::setUrlOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        auto w = start();
        ProgramText::setLanguage(language);
        installPages();
        QTest::mouseClick(w->cmdWebPage, Qt::LeftButton);
        QCOMPARE(opened, QList<QUrl>{weblink::ProductPageUrl(language)});
        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.lastPrompt()));
    }
};

QTEST_MAIN(TestMainHelp)
#include "tst_mainhelp.moc"
