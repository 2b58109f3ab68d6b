// SPDX-License-Identifier: GPL-3.0-or-later
// The keyfile path dialog: changing the path, copying the keyfile along and deleting the
// old one, the choices it refuses, and the parameters file it keeps up to date.
#include "keys/frmspecifykeyfilepath.h"
#include "keys/keyfilefixture.h"

#include <QLabel>

using namespace Seams;
using namespace KeyfileFixture;

namespace {

// Opens the dialog from the main window and presses "Change keyfile path" in it.
void changePath(frmMain* w, ScriptedModals& modals, QString* thereIs = nullptr) {
    modals.script([=](QDialog* d) {
        auto* dialog = qobject_cast<frmSpecifyKeyfilePath*>(d);
        QVERIFY(dialog);
        dialog->cmdChangeKFP->click();
        if (thereIs)
            *thereIs = dialog->lblThereIs->text();
        QCOMPARE(dialog->txbKeyfilePath->text(), QDir::toNativeSeparators(w->strStoredKeysFile));
        dialog->cmdClose->click();
    });
    w->cmdSpecifyKeyfilePath->click();
}

const QString kNoKeyfileYet = QStringLiteral("165+171");

} // namespace

class TestKeyfilePath : public QObject {
    Q_OBJECT

    std::unique_ptr<DataFolder> data;

    QString thereIsText(const QString& code) const {
        return code == kNoKeyfileYet ? GetText(165) + "  " + GetText(171) : GetText(164);
    }

private slots:
    void initTestCase() { DataFolder::initTestCase(); }
    void init() { data = std::make_unique<DataFolder>(); }
    void cleanup() { data.reset(); }

    void folderOfPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::newRow("drive letter") << "c:\\Data\\Keys\\tsm.dat"
                                      << "C:\\data\\keys\\";
        QTest::newRow("drive, forward slashes") << "d:/My Keys/tsm.dat"
                                                << "D:/my keys/";
        QTest::newRow("no drive") << "/home/Ann/Keys/tsm.dat"
                                  << "/home/Ann/Keys/";
        QTest::newRow("network share") << "\\\\Server\\Share\\tsm.dat"
                                       << "\\\\Server\\Share\\";
        QTest::newRow("no folder") << "tsm.dat"
                                   << "";
    }
    void folderOfPath() {
        QFETCH(QString, path);
        QTEST(KeyfilePath::FolderOfPath(path), "folder");
    }

    void showingAndClosing() {
        auto w = start(false);
        QVERIFY(QFile::remove(data->parametersFile()));
        ScriptedModals modals;
        QString thereIs;
        modals.script([&](QDialog* d) {
            auto* dialog = qobject_cast<frmSpecifyKeyfilePath*>(d);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Specify keyfile path"));
            QCOMPARE(dialog->txbKeyfilePath->text(), QDir::toNativeSeparators(data->keyfile()));
            QVERIFY(dialog->txbKeyfilePath->isReadOnly());
            thereIs = dialog->lblThereIs->text();
            QCOMPARE(dialog->focusWidget(), dialog->cmdClose);
            QTest::keyClick(dialog, Qt::Key_Escape); // the close box and Escape close it too
        });
        w->cmdSpecifyKeyfilePath->click();
        QCOMPARE(thereIs, thereIsText(kNoKeyfileYet));
        QVERIFY(w->blnKeyfilePathShown);
        QCOMPARE(readAll(data->parametersFile()),
                 "\"" + data->keyfile().toUtf8() + "\"\r\n\"0\"\r\n");
    }

    void change_data() {
        QTest::addColumn<bool>("oldExists");
        QTest::addColumn<bool>("newExists");
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QByteArray>("newFile"); // afterwards; empty: none
        QTest::addColumn<bool>("oldKept");
        QTest::addColumn<QString>("thereIs");
        const QList<Answer> none;
        QTest::newRow("no keyfile to take along")
            << false << false << none << QByteArray() << false << kNoKeyfileYet;
        QTest::newRow("copy declined")
            << true << false << QList<Answer>{Answer::No} << QByteArray() << true << kNoKeyfileYet;
        QTest::newRow("copied, old kept") << true << false << QList<Answer>{Answer::Yes, Answer::No}
                                          << QByteArray("old keys") << true << "164";
        QTest::newRow("copied, old deleted")
            << true << false << QList<Answer>{Answer::Yes, Answer::Yes} << QByteArray("old keys")
            << false << "164";
        QTest::newRow("over another file") << true << true << QList<Answer>{Answer::Yes, Answer::No}
                                           << QByteArray("old keys") << true << "164";
        QTest::newRow("not over another file") << true << true << QList<Answer>{Answer::No}
                                               << QByteArray("other file") << true << "164";
    }
    void change() {
        QFETCH(bool, oldExists);
        QFETCH(bool, newExists);
        QFETCH(QList<Answer>, answers);
        QFETCH(QByteArray, newFile);
        QFETCH(bool, oldKept);
        QFETCH(QString, thereIs);
        auto w = start();
        const QString oldPath = data->keyfile();
        const QString newPath = data->path("Elsewhere/keys.dat");
        QVERIFY(QDir().mkpath(data->path("Elsewhere")));
        if (oldExists)
            QVERIFY(writeFile(oldPath, "old keys"));
        if (newExists)
            QVERIFY(writeFile(newPath, "other file"));

        ScriptedMessageBoxes boxes;
        for (Answer a : answers)
            boxes.answer(a);
        ScriptedFileDialogs files;
        files.answer("  " + newPath + " ");
        ScriptedModals modals;
        QString shownAfter;
        changePath(w.get(), modals, &shownAfter);

        QCOMPARE(files.shown.size(), 1);
        QCOMPARE(files.shown[0].kind, FileDialogRequest::Save);
        QCOMPARE(files.shown[0].title, GetText(166));
        QVERIFY(files.shown[0].fileName.isEmpty());
        QVERIFY(!files.shown[0].confirmOverwrite); // asked here, with the copy

        QCOMPARE(boxes.shown.size(), answers.size());
        if (!answers.isEmpty()) {
            QString copy = GetText(363) + CRLF + GetText(364) + ' ' +
                           QDir::toNativeSeparators(oldPath) + CRLF + GetText(365) + ' ' +
                           QDir::toNativeSeparators(newPath) + " ?";
            if (newExists)
                copy += CRLF + CRLF + GetText(366);
            QCOMPARE(boxes.shown[0].prompt, copy);
            QCOMPARE(boxes.shown[0].buttons, Buttons::YesNo);
            QCOMPARE(boxes.shown[0].title, GetText(367));
            QCOMPARE(boxes.shown[0].defaultButton, newExists ? 2 : 1);
        }
        if (answers.size() > 1) {
            QCOMPARE(boxes.shown[1].prompt,
                     GetText(368) + CRLF + QDir::toNativeSeparators(oldPath));
            QCOMPARE(boxes.shown[1].title, GetText(369));
        }

        QCOMPARE(w->strStoredKeysFile, newPath);
        QVERIFY(w->blnKeyListNotStored);
        QCOMPARE(readAll(data->parametersFile()), "\"" + newPath.toUtf8() + "\"\r\n\"0\"\r\n");
        QCOMPARE(QFileInfo::exists(newPath), !newFile.isEmpty());
        QCOMPARE(readAll(newPath), newFile);
        QCOMPARE(QFileInfo::exists(oldPath), oldKept);
        QCOMPARE(shownAfter, thereIsText(thereIs));
    }

    // None of these changes the path; above all, no keyfile is copied onto itself and then
    // deleted as "the old one".
    void refusedChoices_data() {
        QTest::addColumn<QString>("choice");  // relative to the test's home folder
        QTest::addColumn<QString>("message"); // "": none
        QTest::addColumn<QString>("title");
        const QString missingFolder = "missing/ " + GetText(362) + CRLF;
        QTest::newRow("cancelled") << ""
                                   << ""
                                   << "";
        QTest::newRow("the same path") << "DATA/tsm.dat" << GetText(360) << GetText(361);
        QTest::newRow("the same file through a link")
            << "link/tsm.dat" << GetText(360) << GetText(361);
        QTest::newRow("a folder that does not exist")
            << "missing/tsm.dat" << missingFolder << GetText(13);
    }
    void refusedChoices() {
        QFETCH(QString, choice);
        QFETCH(QString, message);
        auto w = start();
        QVERIFY(writeFile(data->keyfile(), "the only keys"));
        QVERIFY(QFile::link(data->folder, data->path("link")));
        if (choice.startsWith("DATA/"))
            choice = data->folder + choice.mid(4);
        else if (!choice.isEmpty())
            choice = data->path(choice);

        ScriptedMessageBoxes boxes;
        boxes.answer(Answer::Yes);
        boxes.answer(Answer::Yes);
        ScriptedFileDialogs files;
        files.answer(choice);
        ScriptedModals modals;
        changePath(w.get(), modals);

        if (message.isEmpty()) {
            QVERIFY(boxes.shown.isEmpty());
        } else {
            if (message.startsWith("missing/"))
                message = QDir::toNativeSeparators(data->path("missing/")) + message.mid(8);
            QCOMPARE(boxes.shown.size(), 1);
            QCOMPARE(boxes.shown[0].prompt, message);
            QTEST(boxes.shown[0].title, "title");
        }
        QCOMPARE(w->strStoredKeysFile, data->keyfile());
        QVERIFY(!w->blnKeyListNotStored);
        QCOMPARE(readAll(data->keyfile()), QByteArray("the only keys"));
    }

    // The copy fails (a folder stands where the keyfile should go): the new path is in
    // force and the old keyfile is kept.
    void failedCopyIsReported() {
        auto w = start();
        QVERIFY(writeFile(data->keyfile(), "old keys"));
        const QString newPath = data->path("Elsewhere/keys.dat");
        QVERIFY(QDir().mkpath(newPath + "/inside"));
        ScriptedMessageBoxes boxes;
        boxes.answer(Answer::Yes);
        ScriptedFileDialogs files;
        files.answer(newPath);
        ScriptedModals modals;
        changePath(w.get(), modals);
        QCOMPARE(boxes.shown.size(), 2);
        QVERIFY(!boxes.shown[1].prompt.isEmpty());
        QCOMPARE(boxes.shown[1].icon, Icon::Exclamation);
        QCOMPARE(boxes.shown[1].title, GetText(13));
        QCOMPARE(w->strStoredKeysFile, newPath);
        QCOMPARE(readAll(data->keyfile()), QByteArray("old keys"));
    }
};

QTEST_MAIN(TestKeyfilePath)
#include "tst_keyfilepath.moc"
