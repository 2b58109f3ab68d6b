// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a desktop program: its icon, the size and place it keeps between
// runs, a minimum size that fits a small screen, and Ctrl+Q.
#include "keys/cb_man.h"
#include "mainwindow/application.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/windowstate.h"
#include "support/folder.h"
#include "support/scripted.h"
#include "testsupport/mainfixture.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QComboBox>
#include <QLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <optional>

using namespace Seams;

using TestSupport::TestMain;

namespace {

// Notes whether the program's icon was set when the main window began its first frame.
class FirstFrameWatch : public QObject {
public:
    std::optional<bool> iconAtFirstFrame;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !iconAtFirstFrame && qobject_cast<frmMain*>(watched))
            iconAtFirstFrame = !QApplication::windowIcon().isNull();
        return false;
    }
};

} // namespace

class TestDesktopWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::DataFolder> data;

    QString settingsFile() const { return data->windowStateFile(); }

    std::unique_ptr<TestMain> start(int language = ProgramText::English) {
        if (language != ProgramText::English) {
            const QString parameters = Folder::DataFilePath("tsm.usr", GetText(316));
            QFile f(parameters);
            if (!f.open(QIODevice::WriteOnly))
                qFatal("cannot write %s", qPrintable(parameters));
            f.write("\"" + data->keyfile().toUtf8() + "\"\r\n\"" + QByteArray::number(language) +
                    "\"\r\n");
        }
        auto w = TestSupport::startMain([&](TestMain& m) {
            m.countKeyfileCommands = true;
            m.cipherStartResult = 1;
            m.strOldKeyfilePath = data->path("old/tsm.dat");
        });
        // The captions set at start-up change the layout's sizes.
        w->layout()->activate();
        return w;
    }

    QRect available() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

private slots:
    void initTestCase() { TestSupport::DataFolder::initTestCase(); }
    void init() { data = std::make_unique<TestSupport::DataFolder>(); }
    void cleanup() { data.reset(); }

    void programIconHasEverySize() {
        const QIcon icon = programIcon();
        QVERIFY(!icon.isNull());
        for (int size : {16, 32, 48, 256})
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
                     qPrintable(QString::number(size)));
    }

    // Decoding the icon's pictures costs more than building the window, so the icon follows
    // the first frame (this runs before any other test shows a window).
    void iconFollowsFirstFrame() {
        QVERIFY(QApplication::windowIcon().isNull());
        FirstFrameWatch watch;
        qApp->installEventFilter(&watch);
        auto w = start();
        // Start-up has shown the window, and nothing has been drawn yet.
        QVERIFY(w->isVisible());
        QVERIFY(!watch.iconAtFirstFrame.has_value());
        QVERIFY(QApplication::windowIcon().isNull());
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTRY_VERIFY(watch.iconAtFirstFrame.has_value());
        QCOMPARE(*watch.iconAtFirstFrame, false);
        QTRY_VERIFY(!QApplication::windowIcon().isNull());
        qApp->removeEventFilter(&watch);
        QCOMPARE(QApplication::windowIcon().availableSizes(), programIcon().availableSizes());
    }

    void fitInto_data() {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QRect>("fitted");
        const QRect screen(0, 0, 800, 600);
        QTest::newRow("inside stays") << QRect(10, 20, 500, 400) << QRect(10, 20, 500, 400);
        QTest::newRow("right of the screen")
            << QRect(3000, 100, 500, 400) << QRect(300, 100, 500, 400);
        QTest::newRow("above and left") << QRect(-900, -50, 500, 400) << QRect(0, 0, 500, 400);
        QTest::newRow("larger than the screen")
            << QRect(100, 100, 1600, 1200) << QRect(0, 0, 800, 600);
        QTest::newRow("hanging below") << QRect(50, 500, 500, 400) << QRect(50, 200, 500, 400);
    }
    void fitInto() {
        QFETCH(QRect, geometry);
        QTEST(WindowState::FitInto(geometry, QRect(0, 0, 800, 600)), "fitted");
    }

    void fitIntoKeepsTheMinimumSize() {
        const QRect r =
            WindowState::FitInto(QRect(0, 0, 900, 700), QRect(0, 0, 640, 480), QSize(700, 500));
        QCOMPARE(r.size(), QSize(700, 500));
    }

    // Quit writes the size and place to the config folder, not to tsm.usr; the next start
    // takes them up again.
    void geometryIsWrittenAndRestored() {
        QRect placed;
        {
            auto w = start();
            const QRect area = available();
            placed = QRect(area.left() + 7, area.top() + 40, w->minimumWidth() + 5,
                           w->minimumHeight() + 3);
            w->setGeometry(placed);
            QVERIFY(!QFileInfo::exists(settingsFile()));
            w->cmdQuit_Click();
            QVERIFY(w->hasEnded());
        }
        QVERIFY(QFileInfo::exists(settingsFile()));
        const QByteArray parameters =
            TestSupport::readAll(Folder::DataFilePath("tsm.usr", GetText(316)));
        QVERIFY(!parameters.isEmpty());
        QVERIFY(!parameters.contains("geometry"));
        auto w = start();
        QCOMPARE(w->geometry(), placed);
    }

    // A place saved on a screen that is gone, or a size larger than this screen, brings the
    // window back whole onto the screen there is.
    void restoredGeometryIsClampedToTheScreen_data() {
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<QSize>("grow");
        QTest::newRow("a screen to the right") << QPoint(4000, 100) << QSize(0, 0);
        QTest::newRow("far above") << QPoint(100, -3000) << QSize(0, 0);
        QTest::newRow("larger than the screen") << QPoint(0, 0) << QSize(2000, 1500);
    }
    void restoredGeometryIsClampedToTheScreen() {
        QFETCH(QPoint, offset);
        QFETCH(QSize, grow);
        {
            auto w = start();
            w->setGeometry(QRect(available().topLeft() + offset, w->minimumSize() + grow));
            w->cmdQuit_Click();
        }
        auto w = start();
        QVERIFY(available().contains(w->frameGeometry()));
    }

    void damagedSettingsAreIgnored_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("not base64 geometry") << QByteArray("[frmMain]\ngeometry=hello\n");
        QTest::newRow("truncated state")
            << QByteArray("[frmMain]\ngeometry=@ByteArray(\\x1\\xd9\\xd0\\xcb\\0\\x3)\n");
        QTest::newRow("binary junk") << QByteArray("\x00\xff\x01[\n=\n", 8);
        QTest::newRow("too large") << QByteArray(200 * 1024, 'x');
    }
    void damagedSettingsAreIgnored() {
        QFETCH(QByteArray, contents);
        QDir().mkpath(QFileInfo(settingsFile()).absolutePath());
        QFile f(settingsFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(contents);
        f.close();
        auto w = start();
        QVERIFY(w->isVisible());
        QVERIFY(available().contains(w->frameGeometry()));
    }

    // An 800 x 600 screen holds the window in both languages.
    void minimumSizeFitsASmallScreen_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << int(ProgramText::English);
        QTest::newRow("German") << int(ProgramText::German);
    }
    void minimumSizeFitsASmallScreen() {
        QFETCH(int, language);
        auto w = start(language);
        QCOMPARE(ProgramText::language(), language);
        const QSize minimum = w->minimumSize();

        // Room for the window frame and a panel on an 800 x 600 screen.
        QVERIFY2(minimum.width() <= 780 && minimum.height() <= 530,
                 qPrintable(QString("%1 x %2").arg(minimum.width()).arg(minimum.height())));
        // At that size every caption still fits its button.
        w->resize(minimum);
        QApplication::processEvents();
        for (QPushButton* b : w->findChildren<QPushButton*>()) {
            if (!b->isVisibleTo(w.get()))
                continue;
            QVERIFY2(b->width() >= b->minimumSizeHint().width(), qPrintable(b->objectName()));
        }
    }

    // Ctrl+Q is the Quit button: the same question, the same answers.
    void ctrlQAsksLikeQuit_data() {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<int>("stores");
        QTest::newRow("Cancel keeps running") << Answer::Cancel << false << 0;
        QTest::newRow("Yes stores") << Answer::Yes << false << 1;
        QTest::newRow("No ends") << Answer::No << true << 0;
    }
    void ctrlQAsksLikeQuit() {
        QFETCH(Answer, answer);
        auto w = start();
        CB_Man::InsertSorted(w->cboKeys, "a \u00AB\u00BB key one of sixteen", 2451545);
        w->blnKeyListNotStored = true;
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QSignalSpy ended(w.get(), &frmMain::programEnded);
        ScriptedMessageBoxes boxes;
        boxes.answer(answer);
        QTest::keyClick(w->txbText, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, GetText(89) + "\r\n" + GetText(90));
        QCOMPARE(boxes.shown[0].buttons, Buttons::YesNoCancel);
        QCOMPARE(boxes.shown[0].title, QString("Quit"));
        QTEST(w->hasEnded(), "ends");
        QCOMPARE(ended.size(), w->hasEnded() ? 1 : 0);
        QTEST(w->stores, "stores");
        // Nothing typed into the text box.
        QVERIFY(w->txbText->toPlainText().isEmpty());
    }

    void ctrlQWithNothingToStoreEnds() {
        auto w = start();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        ScriptedMessageBoxes boxes;
        QTest::keyClick(w->cboKeys, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(boxes.shown.isEmpty());
        QVERIFY(w->hasEnded());
    }
};

QTEST_MAIN(TestDesktopWindow)
#include "tst_desktopwindow.moc"
