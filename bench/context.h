// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What all benchmarks of one run share: a scratch folder with the sample files, the paths of
// the programs to compare, and the messages made once during set-up.
#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

namespace Bench {

struct Context {
    std::string dir;       // scratch folder, removed at the end of the run
    std::string gnupgHome; // gpg's home inside it, so no user keyring is touched
    std::string dataHome;  // the program's per-user data folder during start-up runs
    std::string age;       // empty when the command is missing
    std::string gpg;
    QString keyEntry;             // the selected key-list entry
    QByteArray key;               // the bytes the cipher gets for it = passphrase for age and gpg
    QByteArray package;           // the largest message's plaintext package
    QByteArray armoured;          // its armoured text, at the default work factor
    QByteArray mail;              // that block inside a received mail
    QByteArray mailLowWorkFactor; // the same with the lowest work factor: no key derivation
    QByteArray smallArmoured;     // a short message's block, for the block search

    std::string path(const std::string& name) const { return dir + '/' + name; }
    std::vector<std::string> gpgEnvironment() const { return {"GNUPGHOME=" + gnupgHome}; }
};

const Context& context();

bool writeFile(const std::string& path, const QByteArray& bytes);
QByteArray readFile(const std::string& path);

// EncryptPackage of package under the context's key at work factor log2N: the armoured
// text, or empty.
QByteArray encryptPackage(const QByteArray& package, int log2N);

} // namespace Bench
