// SPDX-License-Identifier: GPL-3.0-or-later
// A start and quit with nothing changed write nothing: the parameters file and the
// registry stand-in keep their inode and time; a changed setting is still written. A start
// builds none of the windows that most sessions never open.
#include "keys/frmkeyboardwithdisplay.h"
#include "keys/keyfilefixture.h"
#include "keys/keyfrom.h"
#include "support/registry.h"
#include "text/frmhelp.h"

#include <QPushButton>

#include <sys/stat.h>

using namespace KeyfileFixture;
using namespace Seams;

namespace {

// Inode and modification time (ns): an atomic replace changes the first, a write in place
// the second.
struct Stamp {
    ino_t inode = 0;
    qint64 modified = -1;
    bool operator==(const Stamp&) const = default;
};
Stamp stampOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {st.st_ino, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

QString registryLanguage() {
    const QString path =
        GetText(273) + QLatin1Char('\\') + GetText(310) + QLatin1Char('\\') + GetText(95);
    return Registry::ReadRegistryString(Registry::HKEY_CURRENT_USER_ROOT, path,
                                        QStringLiteral("Language"));
}

frmHelp* helpWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* help = qobject_cast<frmHelp*>(w))
            return help;
    return nullptr;
}

void startAndQuit(const std::function<void(Main&)>& meanwhile = {}) {
    auto w = start();
    ScriptedMessageBoxes boxes;
    if (meanwhile)
        meanwhile(*w);
    w->close();
    QVERIFY(w->hasEnded());
    QCOMPARE(boxes.shown.size(), 0);
}

} // namespace

class TestQuietStart : public QObject {
    Q_OBJECT

    std::unique_ptr<DataFolder> data;

private slots:
    void initTestCase() { DataFolder::initTestCase(); }
    void init() { data = std::make_unique<DataFolder>(); }
    void cleanup() { data.reset(); }

    // First here: the key dialog lives as long as the process.
    void rarelyUsedWindowsWaitForFirstUse() {
        auto w = start();
        ScriptedMessageBoxes boxes;
        QVERIFY(!helpWindow());
        QVERIFY(!frmKeyFrom::instance().hasDialog());
        // Made after a change of language, they speak the new one.
        w->lblLanguage_DblClick();
        QCOMPARE(ProgramText::language(), int(ProgramText::German));
        QVERIFY(!helpWindow());
        QVERIFY(!frmKeyFrom::instance().hasDialog());
        w->cmdHelp_Click();
        const frmHelp* help = helpWindow();
        QVERIFY(help);
        QCOMPARE(help->windowTitle(), GetText(100));
        QCOMPARE(frmKeyFrom::instance().dialog().cmdYes->text(), GetText(97));
        w->lblLanguage_DblClick();
        QCOMPARE(help->windowTitle(), GetText(100));
        QCOMPARE(frmKeyFrom::instance().dialog().cmdYes->text(), GetText(97));
        w->blnKeyListNotStored = false;
        w->close();
    }

    void nothingChangedWritesNothing() {
        startAndQuit(); // the first start creates both
        const Stamp parameters = stampOf(data->parametersFile());
        const Stamp registry = stampOf(data->registryFile());
        QVERIFY(parameters.modified >= 0);
        QVERIFY(registry.modified >= 0);
        const QByteArray contents = readAll(data->parametersFile());

        startAndQuit();
        startAndQuit();
        QCOMPARE(stampOf(data->parametersFile()), parameters);
        QCOMPARE(stampOf(data->registryFile()), registry);
        QCOMPARE(readAll(data->parametersFile()), contents);
    }

    void changedLanguageIsWritten() {
        startAndQuit();
        const Stamp parameters = stampOf(data->parametersFile());
        const Stamp registry = stampOf(data->registryFile());
        QCOMPARE(registryLanguage(), QStringLiteral("EN"));

        startAndQuit([](Main& w) { w.lblLanguage_DblClick(); });
        QVERIFY(stampOf(data->parametersFile()) != parameters);
        QVERIFY(stampOf(data->registryFile()) != registry);
        QVERIFY(readAll(data->parametersFile()).endsWith("\"1\"\r\n"));
        QCOMPARE(registryLanguage(), QStringLiteral("DE"));
        ProgramText::setLanguage(ProgramText::English);
    }

    void widerPermissionsAreStillNarrowed() {
        startAndQuit();
        QFile::setPermissions(data->parametersFile(), QFileDevice::ReadOwner |
                                                          QFileDevice::WriteOwner |
                                                          QFileDevice::ReadOther);
        startAndQuit();
        QCOMPARE(QFile::permissions(data->parametersFile()) & QFileDevice::ReadOther,
                 QFileDevice::Permissions());
    }
};

QTEST_MAIN(TestQuietStart)
#include "tst_quietstart.moc"
