// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ansi.h"
#include "support/scripted.h"

#include <QDialog>
#include <QLineEdit>
#include <QtTest>

using namespace Seams;

class TestSeams : public QObject {
    Q_OBJECT
private slots:
    void messageBoxIsRecordedAndAnswered() {
        ScriptedMessageBoxes boxes;
        boxes.answer(Answer::No);
        QCOMPARE(MsgBox("Store keys?", Buttons::YesNoCancel, Icon::Question, "Quit"), Answer::No);
        // An empty queue answers with the default button.
        QCOMPARE(MsgBox("Delete?", Buttons::YesNo, Icon::Exclamation, "Delete", 2), Answer::No);
        QCOMPARE(boxes.shown.size(), 2);
        const MessageBoxRequest& first = boxes.shown.first();
        QCOMPARE(first.prompt, QString("Store keys?"));
        QCOMPARE(first.buttons, Buttons::YesNoCancel);
        QCOMPARE(first.icon, Icon::Question);
        QCOMPARE(first.title, QString("Quit"));
    }

    void fileDialogIsRecordedAndAnswered() {
        ScriptedFileDialogs dialogs;
        dialogs.answer("/tmp/x.txt");
        FileDialogRequest r;
        r.kind = FileDialogRequest::Save;
        r.title = "Save";
        QCOMPARE(ShowFileDialog(r), QString("/tmp/x.txt"));
        QCOMPARE(ShowFileDialog(r), QString()); // nothing queued: cancelled
        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[0].kind, FileDialogRequest::Save);
    }

    void modalDialogIsDrivenByScript() {
        ScriptedModals modals;
        QDialog dialog;
        dialog.setObjectName("frmSample");
        auto* edit = new QLineEdit(&dialog);
        modals.script([](QDialog* d) {
            QTest::keyClicks(d->findChild<QLineEdit*>(), "typed");
            d->accept();
        });
        QCOMPARE(ShowModal(&dialog), int(QDialog::Accepted));
        QCOMPARE(edit->text(), QString("typed"));
        // Without a script the dialog is rejected rather than left blocking.
        QCOMPARE(ShowModal(&dialog), int(QDialog::Rejected));
        QCOMPARE(modals.shown, QStringList({"frmSample", "frmSample"}));
    }

    void ansiRoundTripsEveryByte() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = Ansi::fromAnsi(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(Ansi::toAnsi(text), all);
        QCOMPARE(text[0x80], QChar(0x20AC)); // euro sign
        QCOMPARE(text[0xE9], QChar(0xE9));   // é
    }

    // One "?" per character the code page lacks, also for one of two UTF-16 units.
    void ansiMarksWhatItCannotCarry_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<char32_t>>("lacking");
        QTest::newRow("Cyrillic and Chinese") << QString::fromUtf8("a€é\u0416\u4E2Dz")
                                              << QByteArray("a\x80\xE9??z")
                                              << QList<char32_t>{0x416, 0x4E2D};
        QTest::newRow("emoji: one character, one ?")
            << QString::fromUtf8("x😀y") << QByteArray("x?y") << QList<char32_t>{0x1F600};
        QTest::newRow("two emoji side by side")
            << QString::fromUtf8("😀😀") << QByteArray("??") << QList<char32_t>{0x1F600, 0x1F600};
        QTest::newRow("lone surrogates, one ? each")
            << QString(QChar(0xDC00)) + "a" + QChar(0xD800) << QByteArray("?a?")
            << QList<char32_t>{0xDC00, 0xD800};
        QTest::newRow("all representable")
            << QString::fromUtf8("Grüße € Œ") << QByteArray("Gr\xFC\xDF" "e \x80 \x8C")
            << QList<char32_t>{};
    }
    void ansiMarksWhatItCannotCarry() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QList<char32_t>, lacking);
        QCOMPARE(Ansi::toAnsi(text), bytes);
        QCOMPARE(Ansi::ansiLength(text), bytes.size());
        QCOMPARE(Ansi::unrepresentableCharacters(text), lacking);
        QCOMPARE(Ansi::unrepresentableCount(text), lacking.size());
    }
};

QTEST_MAIN(TestSeams)
#include "tst_seams.moc"
