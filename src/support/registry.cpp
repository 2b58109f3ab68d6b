// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/registry.h"

#include "text/programtext.h"

#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace Registry {
namespace {

QString g_settingsFile;

constexpr int kSuccess = 0;
constexpr int kAccessDenied = 5;
constexpr int kInvalidHandle = 6;
constexpr int kInvalidData = 13;

// The English texts of the system message table for the codes this module can meet. Only
// Windows has that table, and QSettings reports a status rather than a system code, so the
// texts are kept here for every platform.
QString systemMessage(int code) {
    switch (code) {
    case kSuccess:
        return QStringLiteral("The operation completed successfully.");
    case kAccessDenied:
        return QStringLiteral("Access is denied.");
    case kInvalidHandle:
        return QStringLiteral("The handle is invalid.");
    case kInvalidData:
        return QStringLiteral("The data is invalid.");
    }
    return QString();
}

int codeOf(QSettings::Status status) {
    switch (status) {
    case QSettings::NoError:
        return kSuccess;
    case QSettings::AccessError:
        return kAccessDenied;
    case QSettings::FormatError:
        return kInvalidData;
    }
    return kAccessDenied;
}

QString settingsFile() {
    if (!g_settingsFile.isEmpty())
        return g_settingsFile;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tessamail/registry.ini");
}

// The registry's unnamed value is "Default" to QSettings.
QString settingsKey(const QString& valueName) {
    return valueName.isEmpty() ? QStringLiteral("Default") : valueName;
}

// The key path below root, opened for reading and writing; nullptr for a root this
// platform does not have.
std::unique_ptr<QSettings> openKey(quint32 root, const QString& keyPath) {
#ifdef Q_OS_WIN
    QString rootName;
    switch (root) {
    case 0x80000000u:
        rootName = QStringLiteral("HKEY_CLASSES_ROOT");
        break;
    case HKEY_CURRENT_USER_ROOT:
        rootName = QStringLiteral("HKEY_CURRENT_USER");
        break;
    case 0x80000002u:
        rootName = QStringLiteral("HKEY_LOCAL_MACHINE");
        break;
    case 0x80000003u:
        rootName = QStringLiteral("HKEY_USERS");
        break;
    default:
        return nullptr;
    }
    return std::make_unique<QSettings>(rootName + QLatin1Char('\\') + keyPath,
                                       QSettings::NativeFormat);
#else
    // A per-user settings file has only the current user's branch.
    if (root != HKEY_CURRENT_USER_ROOT)
        return nullptr;
    auto settings = std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat);
    QString group = keyPath;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    settings->beginGroup(group);
    return settings;
#endif
}

} // namespace

QString WriteRegistryString(quint32 root, const QString& keyPath, const QString& valueName,
                            const QString& data) {
    const bool german = ProgramText::language() == ProgramText::German;
    const QString twoSpaces = QStringLiteral("  ");

    const std::unique_ptr<QSettings> key = openKey(root, keyPath);
    int code = kInvalidHandle;
    bool existed = false;
    if (key) {
        existed = !key->allKeys().isEmpty() || !key->childGroups().isEmpty();
        // A value that already reads so is left alone: no write and no disk sync at every
        // start.
        const QString name = settingsKey(valueName);
        if (!key->contains(name) || key->value(name).toString() != data) {
            key->setValue(name, data);
            key->sync();
        }
        code = codeOf(key->status());
    }
    // QSettings creates the key and writes the value in one step, so any failure means
    // the key could not be created: nothing was written.
    if (code != kSuccess) {
        const QString failed =
            german ? QStringLiteral("Nicht imstande, Schl\u00fcssel zu verursachen (oder finden).")
                   : QStringLiteral("Unable to create (or find) key.");
        return QString::number(code) + QLatin1Char(' ') + failed + twoSpaces + systemMessage(code);
    }
    QString status;
    if (existed)
        status = german ? QStringLiteral("0 Schl\u00fcssel besteht bereits.")
                        : QStringLiteral("0 Key already exists.");
    else
        status = german ? QStringLiteral("0 Neuer Schl\u00fcssel verursacht.")
                        : QStringLiteral("0 New key created.");
    return status + twoSpaces + systemMessage(kSuccess);
}

QString ReadRegistryString(quint32 root, const QString& keyPath, const QString& valueName) {
    const std::unique_ptr<QSettings> key = openKey(root, keyPath);
    return key ? key->value(settingsKey(valueName)).toString() : QString();
}

void setSettingsFileOverride(const QString& path) {
    g_settingsFile = path;
}

} // namespace Registry
