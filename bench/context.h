#pragma once
// What all benchmarks of one run share: a scratch folder with the sample files, the paths of
// the programs to compare, and the outputs made once during set-up.
#include <QByteArray>

#include <string>
#include <vector>

namespace Bench {

struct Context {
    std::string dir;       // scratch folder, removed at the end of the run
    std::string gnupgHome; // gpg's home inside it, so no user keyring is touched
    std::string dataHome;  // the program's per-user data folder during start-up runs
    std::string age;       // empty when the command is missing
    std::string gpg;
    QByteArray key;          // extended reduced key = passphrase for all three
    QByteArray package;      // the largest message's plaintext package
    QByteArray oursArmoured; // made by the program's path at the default work factor

    std::string path(const std::string& name) const { return dir + '/' + name; }
    std::vector<std::string> gpgEnvironment() const { return {"GNUPGHOME=" + gnupgHome}; }
};

const Context& context();

bool writeFile(const std::string& path, const QByteArray& bytes);
QByteArray readFile(const std::string& path);

} // namespace Bench
