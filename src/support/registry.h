#pragma once
// The one "registry" write of the program: a string value under a key path. On Windows it
// is the registry; elsewhere an INI file of QSettings. Returns a status text in the
// current language, never shows anything.
#include <QString>

namespace Registry {

constexpr quint32 HKEY_CURRENT_USER_ROOT = 0x80000001u;

QString WriteRegistryString(quint32 root, const QString& keyPath, const QString& valueName,
                            const QString& data);

// Reads a value back (tests only; the program never reads the registry).
QString ReadRegistryString(quint32 root, const QString& keyPath, const QString& valueName);

// Tests redirect the settings file; empty restores the default.
void setSettingsFileOverride(const QString& path);

} // namespace Registry
