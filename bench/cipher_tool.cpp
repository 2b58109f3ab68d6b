// One encryption or decryption of a message as its own process, so that its time from exec to
// exit and its peak memory can be set beside the age and gpg commands doing the same.
//
//   tessamail_cipher_tool encrypt PACKAGE ARMOURED   the typed key on standard input
//   tessamail_cipher_tool decrypt RECEIVED PACKAGE
//
// encrypt runs the program's EncryptPackage; decrypt runs DecryptMessage and writes the
// package again from what it handed to the window, so that it can be compared.
#include "benchwindow.h"

#include "backends/cipher/cipher.h"
#include "keys/keyrules.h"
#include "support/ansi.h"
#include "support/scripted.h"

#include <QFile>
#include <QTextStream>

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

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::cerr << "usage: tessamail_cipher_tool encrypt|decrypt INPUT OUTPUT\n";
        return 2;
    }
    const QByteArray mode = argv[1];
    const QString typedKey = QTextStream(stdin).readLine();
    if (!Cipher::alb())
        return 3;
    Seams::ScriptedMessageBoxes boxes; // a failure is printed, not shown

    EncDecMsg::State state;
    QByteArray output;
    if (mode == "encrypt") {
        state.strPlainPackage = readFile(argv[2]);
        const QString key = KeyRules::ExtendedReducedKey(typedKey);
        if (EncDecMsg::EncryptPackage(state, key) > 0)
            output = state.strCipherText;
    } else if (mode == "decrypt") {
        Bench::BenchWindow window(QStringLiteral("tool «» ") + typedKey);
        state.strCipherText = readFile(argv[2]);
        if (EncDecMsg::DecryptMessage(state, window)) {
            QList<EncDecMsg::PackagedFile> files;
            for (int i = 0; i < window.fileNames.size(); ++i)
                files.append({Ansi::toAnsi(window.fileNames[i]), state.strFileContents[i]});
            output = EncDecMsg::BuildPackage(Ansi::toAnsi(window.shownText), files);
        }
    } else {
        return 2;
    }
    Cipher::dalb();
    if (output.isEmpty()) {
        std::cerr << mode.constData() << " failed: " << boxes.lastPrompt().toStdString() << '\n';
        return 1;
    }
    return writeFile(argv[3], output) ? 0 : 1;
}
