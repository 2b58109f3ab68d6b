// SPDX-License-Identifier: GPL-3.0-or-later
// One encryption or decryption of a message as its own process, so that its time from exec to
// exit and its peak memory can be set beside the age and gpg commands doing the same.
//
//   tessamail_cipher_tool [--window] encrypt PACKAGE ARMOURED   the typed key on stdin
//   tessamail_cipher_tool [--window] decrypt RECEIVED PACKAGE
//
// encrypt runs the program's EncryptPackage; decrypt runs DecryptMessage and writes the
// package again from what it handed to the window, so that it can be compared. With
// --window the program's main window is started and shown first (on whatever platform
// QT_QPA_PLATFORM names), so that the peak memory is the program's own.
#include "benchwindow.h"

#include "backends/cipher/cipher.h"
#include "keys/keyrules.h"
#include "support/ansi.h"
#include "support/scripted.h"

#include "mainwindow/frmmain.h"
#include "text/programtext.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>

#include <memory>

#include <iostream>

namespace {

QByteArray readFile(const char* path) {
    QFile f(QString::fromLocal8Bit(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const char* path, const QByteArray& bytes) {
    QFile f(QString::fromLocal8Bit(path));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

class MainWindow : public frmMain {
protected:
    bool LoadProgramTextTable() override {
        return ProgramText::LoadProgramTextFrom(QStringLiteral(TESSAMAIL_TEXT_FILE));
    }
};

} // namespace

int main(int argc, char* argv[]) {
    const bool withWindow = argc == 5 && QByteArray(argv[1]) == "--window";
    if (argc != 4 && !withWindow) {
        std::cerr << "usage: tessamail_cipher_tool [--window] encrypt|decrypt INPUT OUTPUT\n";
        return 2;
    }
    char** args = argv + withWindow;
    const QByteArray mode = args[1];
    const QString typedKey = QTextStream(stdin).readLine();
    Seams::ScriptedMessageBoxes boxes; // a failure is printed, not shown

    int qtArgc = 1;
    std::unique_ptr<QApplication> app;
    std::unique_ptr<MainWindow> window;
    if (withWindow) {
        app = std::make_unique<QApplication>(qtArgc, argv);
        window = std::make_unique<MainWindow>();
        if (!window->Form_Load())
            return 3;
        QApplication::processEvents(); // shown and painted
    } else if (!Cipher::alb()) {
        return 3;
    }

    EncDecMsg::State state;
    QByteArray output;
    if (mode == "encrypt") {
        state.strPlainPackage = readFile(args[2]);
        const QString key = KeyRules::ExtendedReducedKey(typedKey);
        if (EncDecMsg::EncryptPackage(state, key) > 0)
            output = state.strCipherText;
    } else if (mode == "decrypt") {
        Bench::BenchWindow window(QStringLiteral("tool «» ") + typedKey);
        state.strCipherText = readFile(args[2]);
        if (EncDecMsg::DecryptMessage(state, window)) {
            QList<EncDecMsg::PackagedFile> files;
            for (int i = 0; i < window.fileNames.size(); ++i)
                files.append({Ansi::toAnsi(window.fileNames[i]), state.strFileContents[i]});
            output = EncDecMsg::BuildPackage(Ansi::toAnsi(window.shownText), files);
        }
    } else {
        return 2;
    }
    if (!withWindow)
        Cipher::dalb();
    if (output.isEmpty()) {
        std::cerr << mode.constData() << " failed: " << boxes.lastPrompt().toStdString() << '\n';
        return 1;
    }
    return writeFile(args[3], output) ? 0 : 1;
}
